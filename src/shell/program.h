// The program's modes: the live show, offline rendering, the benchmark.
#pragma once

#include <string>

#include "shell/options.h"

// The whole program: parses the command line and runs the chosen mode.
// `commit` is the one the executable was built from, for --version and
// --info. Returns the process's exit code.
int RunProgram(int argc, const char* const* argv,
               const char* commit = "unknown");

// "quorbel 1.0.0 (commit 0123456789ab)".
std::string VersionText(const char* commit);

// The show in a window; always returns 0.
int RunLive(const Options& options);
// --render / --video: 0 on success, 1 on failure, 130 when a signal
// (Ctrl-C) stopped it.
int RunOffline(const Options& options);
// --bench: 0 on success, 1 on failure.
int RunBench(const Options& options);
// --info: prints what a problem report needs; 0 when an OpenGL 3.3 context
// could be made, 1 otherwise.
int RunInfo(const char* commit);

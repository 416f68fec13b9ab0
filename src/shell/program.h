// The program's modes: the live show, offline rendering, the benchmark.
#pragma once

#include "shell/options.h"

// The whole program: parses the command line and runs the chosen mode.
// Returns the process's exit code.
int RunProgram(int argc, const char* const* argv);

// The show in a window; always returns 0.
int RunLive(const Options& options);
// --render / --video: 0 on success, 1 on failure.
int RunOffline(const Options& options);
// --bench: 0 on success, 1 on failure.
int RunBench(const Options& options);

#include "shell/program.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#ifndef QUORBEL_VERSION
#define QUORBEL_VERSION "unknown"
#endif

std::string VersionText(const char* commit) {
  return std::string("quorbel ") + QUORBEL_VERSION + " (commit " +
         (commit && *commit ? commit : "unknown") + ")";
}

int RunProgram(int argc, const char* const* argv, const char* commit) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", VersionText(commit).c_str());
    return 0;
  }
  int code = 0;
  if (options.info) {
    code = RunInfo(commit);
  } else if (options.bench) {
    code = RunBench(options);
  } else if (options.Offline()) {
    code = RunOffline(options);
  } else {
    code = RunLive(options);
  }
  SDL_Quit();
  return code;
}

// The entry point: everything happens in RunProgram.
#include "quorbel_commit.h"  // generated at build time
#include "shell/program.h"

int main(int argc, char** argv) {
  return RunProgram(argc, argv, QUORBEL_COMMIT);
}

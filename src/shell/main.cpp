// The entry point: everything happens in RunProgram.
#include "shell/program.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }

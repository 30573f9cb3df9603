#include "Program.h"

int main(int argc, char* argv[]) { runProgram(argc, argv); }

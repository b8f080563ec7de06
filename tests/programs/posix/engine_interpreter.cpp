// A command interpreter for the tests: records its arguments, one a line, in the file named
// by ENGINE_INTERPRETER_LOG, then runs the command that follows "/c" and ends with its exit
// code. Like the interpreter it stands in for, it reads "\" as a folder separator.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../argument_log.h"

int main(int argc, char** argv) {
  WriteArgumentLog(std::getenv("ENGINE_INTERPRETER_LOG"), argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "/c") != 0) return 9;
  std::string program = argv[2];
  std::replace(program.begin(), program.end(), '\\', '/');
  std::vector<char*> args(argv + 2, argv + argc);
  args[0] = program.data();
  args.push_back(nullptr);
  execv(program.c_str(), args.data());
  return 127;
}

// A command interpreter for the tests: records its arguments, one a line, in the file named
// by ENGINE_INTERPRETER_LOG, then runs the command that follows "/c" and ends with its exit
// code. Like the interpreter it stands in for, it reads "\" as a folder separator.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Record(int argc, char** argv) {
  const char* log = std::getenv("ENGINE_INTERPRETER_LOG");
  if (log == nullptr) return;
  std::ofstream out(log, std::ios::binary | std::ios::trunc);
  for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  Record(argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "/c") != 0) return 9;
  std::string program = argv[2];
  std::replace(program.begin(), program.end(), '\\', '/');
  std::vector<char*> args(argv + 2, argv + argc);
  args[0] = program.data();
  args.push_back(nullptr);
  execv(program.c_str(), args.data());
  return 127;
}

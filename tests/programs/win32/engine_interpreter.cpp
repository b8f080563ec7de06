// A command interpreter for the tests: records its arguments, one a line, in the file named
// by ENGINE_INTERPRETER_LOG, then runs the command that follows "/c" and ends with its exit
// code. As the interpreter it stands in for, it takes the rest of its command line after
// "/c" as one command and strips an outer pair of double quotes from it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "../argument_log.h"

namespace {

std::string CommandAfterSwitch() {
  const std::string line = GetCommandLineA();
  size_t at = line.find(" /c ");
  if (at == std::string::npos) return {};
  std::string command = line.substr(at + 4);
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') {
    command = command.substr(1, command.size() - 2);
  }
  return command;
}

}  // namespace

int main(int argc, char** argv) {
  WriteArgumentLog(std::getenv("ENGINE_INTERPRETER_LOG"), argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "/c") != 0) return 9;
  std::string command = CommandAfterSwitch();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return 127;
  }
  DWORD exitCode = 0;
  WaitForSingleObject(started.hProcess, INFINITE);
  GetExitCodeProcess(started.hProcess, &exitCode);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return static_cast<int>(exitCode);
}

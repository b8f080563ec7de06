// Second processes on Windows: CreateProcessA with pipes on the program's input and output.
// Only the child's own ends of the pipes are inheritable, and only while it starts, so that
// no other program the test starts keeps them open.
#define WIN32_LEAN_AND_MEAN
#include "support/second_process.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kReadyBound{60000};
constexpr DWORD kPollPause = 10;

HANDLE AsHandle(intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

// A word as the C runtime splits it back: quoted when it holds a blank or a quote, with
// the backslashes before a quote doubled.
std::string Quoted(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

std::string CommandLineOf(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& word : argv) line += (line.empty() ? "" : " ") + Quoted(word);
  return line;
}

struct Started {
  HANDLE process = nullptr;
  bool ok = false;
};

// The child's handles for its input and output; nullptr leaves a stream as it is.
Started Start(std::string line, HANDLE input, HANDLE output, const char* environment) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input != nullptr ? input : GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output != nullptr ? output : GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE own : {input, output}) {
    if (own != nullptr) SetHandleInformation(own, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  PROCESS_INFORMATION info{};
  const BOOL created = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                                      const_cast<char*>(environment), nullptr, &startup, &info);
  for (HANDLE own : {input, output}) {
    if (own != nullptr) SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
  }
  if (!created) return {};
  CloseHandle(info.hThread);
  return {info.hProcess, true};
}

// Waits for the first line, within the bound; the end of output comes at the latest when the
// program exits.
bool AwaitReadyLine(HANDLE output) {
  const auto deadline = Clock::now() + kReadyBound;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    if (Clock::now() > deadline) return false;
    DWORD waiting = 0;
    if (!PeekNamedPipe(output, nullptr, 0, nullptr, &waiting, nullptr)) return false;
    if (waiting == 0) {
      Sleep(kPollPause);
      continue;
    }
    char buffer[64];
    DWORD got = 0;
    if (!::ReadFile(output, buffer, sizeof buffer, &got, nullptr) || got == 0) return false;
    line.append(buffer, got);
  }
  return line.rfind("ready", 0) == 0;
}

int AwaitExit(HANDLE process) {
  DWORD code = 0;
  WaitForSingleObject(process, INFINITE);
  const bool known = GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return known ? static_cast<int>(code) : -1;
}

// This process's environment without GTEST_ variables, then the ones given, as one block.
std::string EnvironmentWith(const std::vector<std::string>& added) {
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
    if (std::strncmp(entry, "GTEST_", 6) != 0) block.append(entry).push_back('\0');
  }
  FreeEnvironmentStringsA(strings);
  for (const std::string& entry : added) block.append(entry).push_back('\0');
  block.push_back('\0');
  return block;
}

std::string OwnProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

}  // namespace

SecondProcess::SecondProcess(const std::vector<std::string>& argv) {
  if (argv.empty()) return;
  HANDLE toChild[2];
  HANDLE fromChild[2];
  if (!CreatePipe(&toChild[0], &toChild[1], nullptr, 0)) return;
  if (!CreatePipe(&fromChild[0], &fromChild[1], nullptr, 0)) {
    CloseHandle(toChild[0]);
    CloseHandle(toChild[1]);
    return;
  }
  const Started started = Start(CommandLineOf(argv), toChild[0], fromChild[1], nullptr);
  CloseHandle(toChild[0]);
  CloseHandle(fromChild[1]);
  input_ = reinterpret_cast<intptr_t>(toChild[1]);
  if (started.ok) {
    pid_ = reinterpret_cast<intptr_t>(started.process);
    ready_ = AwaitReadyLine(fromChild[0]);
  }
  CloseHandle(fromChild[0]);
}

SecondProcess::~SecondProcess() {
  End();
}

int SecondProcess::End() {
  if (input_ != -1) CloseHandle(AsHandle(input_));
  input_ = -1;
  if (pid_ != -1) exitCode_ = AwaitExit(AsHandle(pid_));
  pid_ = -1;
  ready_ = false;
  return exitCode_;
}

// The words follow the program joined by one blank, unquoted: they are the command tail.
std::string RunProbe(const std::string& testName, const std::vector<std::string>& args) {
  TempFolder folder;
  const std::string out = (folder / "probe.out").string();
  std::string line = Quoted(OwnProgram());
  for (const std::string& word : args) line += " " + word;
  const std::string environment =
      EnvironmentWith({"GTEST_FILTER=" + testName, "QUELB_PROBE_OUT=" + out});
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                           OPEN_EXISTING, 0, nullptr);
  SetHandleInformation(nul, HANDLE_FLAG_INHERIT, 0);
  const Started started = Start(line, nullptr, nul, environment.c_str());
  CloseHandle(nul);
  if (!started.ok) return {};
  AwaitExit(started.process);
  return ReadFile(out);
}

}  // namespace quelb::testing

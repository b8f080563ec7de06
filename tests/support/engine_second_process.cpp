#include "support/engine_second_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quelb::testing {
namespace {

constexpr int kReadyBoundMilliseconds = 60000;

bool AwaitReadyLine(int output) {
  std::string line;
  pollfd watched{output, POLLIN, 0};
  while (line.find('\n') == std::string::npos) {
    if (poll(&watched, 1, kReadyBoundMilliseconds) <= 0) return false;
    char buffer[64];
    const ssize_t got = read(output, buffer, sizeof buffer);
    if (got <= 0) return false;
    line.append(buffer, static_cast<size_t>(got));
  }
  return line.rfind("ready", 0) == 0;
}

[[noreturn]] void RunChild(int input, int output, const std::string& program,
                           const std::vector<std::string>& args) {
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

SecondProcess::SecondProcess(const std::string& program, const std::vector<std::string>& args) {
  // Close-on-exec keeps the pipes out of every other process the test starts, so that the
  // program's input really closes when End closes it.
  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) return;
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) RunChild(toChild[0], fromChild[1], program, args);
  close(toChild[0]);
  close(fromChild[1]);
  input_ = toChild[1];
  if (pid_ > 0) ready_ = AwaitReadyLine(fromChild[0]);
  close(fromChild[0]);
}

SecondProcess::~SecondProcess() {
  End();
}

void SecondProcess::End() {
  if (input_ >= 0) close(input_);
  input_ = -1;
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
  pid_ = -1;
  ready_ = false;
}

std::string HolderProgram() {
  return QUELB_TEST_PROGRAMS_DIR "/engine_holder";
}
std::string InterpreterProgram() {
  return QUELB_TEST_PROGRAMS_DIR "/engine_interpreter";
}

}  // namespace quelb::testing

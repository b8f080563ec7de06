// Second processes on POSIX: posix_spawn with pipes on the program's input and output.
#include "support/second_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "support/temp_folder.h"

extern char** environ;

namespace quelb::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kReadyBound{60000};

std::vector<char*> NullTerminated(const std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (const std::string& word : words) pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Starts argv[0] as given, no search on PATH; -1 when it could not be started.
pid_t Spawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t& actions,
            char** env) {
  if (argv.empty()) return -1;
  std::vector<char*> args = NullTerminated(argv);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env) != 0) return -1;
  return pid;
}

// The exit code of a child, -1 when it did not exit normally.
int AwaitExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Waits for the first line, within the bound. A signal (a lease break, say) only interrupts
// the wait; the end of output comes at the latest when the program exits.
bool AwaitReadyLine(int output) {
  const auto deadline = Clock::now() + kReadyBound;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd watched{output, POLLIN, 0};
    const int polled = poll(&watched, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return false;
    char buffer[64];
    const ssize_t got = read(output, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    line.append(buffer, static_cast<size_t>(got));
  }
  return line.rfind("ready\n", 0) == 0;
}

}  // namespace

SecondProcess::SecondProcess(const std::vector<std::string>& argv) {
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
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
  pid_ = Spawn(argv, actions, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  input_ = toChild[1];
  if (pid_ > 0) ready_ = AwaitReadyLine(fromChild[0]);
  close(fromChild[0]);
}

SecondProcess::~SecondProcess() {
  End();
}

int SecondProcess::End() {
  if (input_ >= 0) close(input_);
  input_ = -1;
  if (pid_ > 0) exitCode_ = AwaitExit(pid_);
  pid_ = -1;
  ready_ = false;
  return exitCode_;
}

std::string RunProbe(const std::string& testName, const std::vector<std::string>& args) {
  TempFolder folder;
  const std::string out = (folder / "probe.out").string();
  // The probe's own filter replaces any the test run was given.
  std::vector<std::string> env = {"GTEST_FILTER=" + testName, "QUELB_PROBE_OUT=" + out};
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::string(*entry).rfind("GTEST_", 0) != 0) env.emplace_back(*entry);
  }
  std::vector<std::string> argv = {std::filesystem::read_symlink("/proc/self/exe").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> envp = NullTerminated(env);
  const pid_t pid = Spawn(argv, actions, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (pid < 0) return {};
  AwaitExit(pid);
  return ReadFile(out);
}

}  // namespace quelb::testing

// The programs the delivery bench starts and waits for, and the idle processes it keeps.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "harness.h"

extern char** environ;

namespace delivery {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// A variable of the extra ones replaces the bench's own of that name.
bool NamedAmong(const std::string& variable, const std::vector<std::string>& extra) {
  const std::string name = variable.substr(0, variable.find('=') + 1);
  for (const std::string& given : extra) {
    if (given.starts_with(name)) return true;
  }
  return false;
}

}  // namespace

pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> extraEnvironment, bool quiet) {
  const std::vector<std::string> given = extraEnvironment;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (!NamedAmong(*variable, given)) extraEnvironment.emplace_back(*variable);
  }
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> env = Pointers(extraEnvironment);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) Fail("cannot start " + argv[0]);
  return pid;
}

int Wait(pid_t pid, rusage* usage) {
  int status = 0;
  rusage ignored{};
  while (wait4(pid, &status, 0, usage != nullptr ? usage : &ignored) < 0) {
    if (errno != EINTR) Fail("lost a child process");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void RunTool(const std::vector<std::string>& argv, int expectedCode) {
  const int code = Wait(Spawn(argv));
  if (code != expectedCode) Fail(argv[0] + " exited with " + std::to_string(code));
}

void IdleProcesses::Resize(size_t count) {
  while (pids_.size() < count) {
    const pid_t pid = fork();
    if (pid < 0) Fail("cannot start an idle process");
    if (pid == 0) {
      for (;;) pause();
    }
    pids_.push_back(pid);
  }
  while (pids_.size() > count) {
    kill(pids_.back(), SIGKILL);
    Wait(pids_.back());
    pids_.pop_back();
  }
}

}  // namespace delivery

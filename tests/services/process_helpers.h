// Helpers for the tests that start real second processes or change the current folder.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_folder.h"

extern char** environ;

namespace quelb::testing {

inline std::string TestProgram(const std::string& name) {
  return std::string(QUELB_TEST_PROGRAMS_DIR) + "/" + name;
}

// Puts the current folder back when the test is done.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderGuard() { std::filesystem::current_path(saved_); }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::filesystem::path saved_;
};

// Sets an environment variable for the test's lifetime.
class EnvironmentGuard {
 public:
  EnvironmentGuard(const char* name, const std::string& value) : name_(name) {
    if (const char* previous = getenv(name)) previous_ = std::make_unique<std::string>(previous);
    setenv(name, value.c_str(), 1);
  }
  ~EnvironmentGuard() {
    if (previous_) {
      setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

 private:
  std::string name_;
  std::unique_ptr<std::string> previous_;
};

// A second process talked to through its stdin and stdout. The child reports readiness with
// a line on stdout; closing its stdin tells it to end. No clock is involved: a child that
// fails ends, and its stdout then reaches its end.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
  }
  ~ChildProcess() { Finish(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits for the child's "ready" line; false when it ended without one.
  bool Ready() {
    std::string line;
    char c;
    while (line.size() < 64) {
      const ssize_t got = read(output_, &c, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0 || c == '\n') break;
      line += c;
    }
    return line == "ready";
  }

  // Ends the child and returns its exit code, -1 when it did not exit normally.
  int Finish() {
    if (input_ >= 0) close(input_);
    if (output_ >= 0) close(output_);
    input_ = output_ = -1;
    if (pid_ == 0) return -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = 0;
  int input_ = -1;
  int output_ = -1;
};

// Runs one test of this same test program in a new process, with the probe's output file
// named by QUELB_PROBE_OUT and the given arguments, and returns what the probe wrote.
inline std::string RunProbe(const std::string& testName, const std::vector<std::string>& args) {
  TempFolder folder;
  const std::string out = (folder / "probe.out").string();
  std::vector<std::string> env = {"GTEST_FILTER=" + testName, "QUELB_PROBE_OUT=" + out};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("GTEST_", 0) != 0) env.emplace_back(*e);
  }
  std::vector<std::string> argv = {std::filesystem::read_symlink("/proc/self/exe").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> argp;
  for (const std::string& arg : argv) argp.push_back(const_cast<char*>(arg.c_str()));
  argp.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return {};
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return ReadFile(out);
}

// The output file of a probe started by RunProbe, or nothing when run as an ordinary test.
inline const char* ProbeOutput() {
  return getenv("QUELB_PROBE_OUT");
}

}  // namespace quelb::testing

#include "support/files_holder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

extern char** environ;

namespace quelb::testing {
namespace {

// Waits for the holder's line; its end (EOF) comes at the latest when the holder exits.
bool ReadReadyLine(int fromChild) {
  std::string line;
  char byte;
  while (read(fromChild, &byte, 1) == 1 && byte != '\n') line += byte;
  return line == "ready";
}

}  // namespace

FileHolder::FileHolder(const std::filesystem::path& file) {
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0) return;
  if (pipe2(output, O_CLOEXEC) != 0) {
    close(input[0]);
    close(input[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  const std::string program = std::string(QUELB_TEST_PROGRAMS_DIR) + "/files_hold_open";
  const std::string argument = file.string();
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
  const bool started = posix_spawn(&child_, program.c_str(), &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  toChild_ = input[1];
  if (!started) child_ = -1;
  ready_ = started && ReadReadyLine(output[0]);
  close(output[0]);
}

FileHolder::~FileHolder() {
  if (toChild_ >= 0) close(toChild_);
  if (child_ > 0) waitpid(child_, nullptr, 0);
}

}  // namespace quelb::testing

// Starting a command line on POSIX. The line is one text, as on Windows, and is split into
// words by the rules of the C runtime (command_words.h). Words that are paths ("X:..." on a
// drive of the table, or a path from the root that holds a "\", either also glued after "-o")
// are handed over as host paths, so that after
//   cmd /c ""A:\x y\Q.EXE" -o "C:\P F""
// the interpreter cmd gets cmd, /c, the host path of A:\x y\Q.EXE, -o, the host path of
// C:\P F. The whole line is handed over, however long.
#include "services/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "services/command_words.h"
#include "services/posix/internal/drive_table.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/other_accounts.h"
#include "services/posix/internal/path_translation.h"
#include "services/terminal.h"
#include "services/windows_codes.h"

extern char** environ;

namespace quelb {
namespace {

// A path on a drive of the table, or one from the root that holds a "\\" (a host folder
// with DOS names joined to it). A word from the root without one is a switch such as "/c",
// or a host path as it stands.
bool NamesPath(const std::string& word) {
  if (word.size() >= 2 && word[1] == ':') return posix::DriveRoot(word[0]).has_value();
  return !word.empty() && (word[0] == '/' || word[0] == '\\') &&
         word.find('\\') != std::string::npos;
}

std::string HostWord(const std::string& word) {
  if (NamesPath(word)) return posix::HostPath(word).value_or(word);
  if (word.size() > 2 && word.compare(0, 2, "-o") == 0 && NamesPath(word.substr(2))) {
    return "-o" + posix::HostPath(word.substr(2)).value_or(word.substr(2));
  }
  return word;
}

// The file of that name in folder, spelled exactly or else in any letter case.
std::optional<std::string> FileInFolder(const std::string& folder, const std::string& name) {
  const std::string exact = folder + "/" + name;
  if (posix::IsHostFile(exact)) return exact;
  const posix::OpenFolder dir(opendir(folder.c_str()));
  if (!dir) return std::nullopt;
  const Text wanted = LowerText(name);
  while (const dirent* entry = readdir(dir.get())) {
    const std::string candidate = folder + "/" + entry->d_name;
    if (LowerText(entry->d_name) == wanted && posix::IsHostFile(candidate)) return candidate;
  }
  return std::nullopt;
}

std::string OwnProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0) return {};
  path.resize(static_cast<size_t>(length));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> SearchFolders() {
  std::vector<std::string> folders = {OwnProgramFolder(), "."};
  const char* searchPath = std::getenv("PATH");
  std::string rest = searchPath != nullptr ? searchPath : "";
  for (size_t start = 0; start <= rest.size();) {
    const size_t colon = rest.find(':', start);
    const size_t end = colon == std::string::npos ? rest.size() : colon;
    folders.push_back(end > start ? rest.substr(start, end - start) : ".");
    start = end + 1;
  }
  return folders;
}

bool IsBareName(const std::string& word) {
  return word.find_first_of("\\/") == std::string::npos && !(word.size() >= 2 && word[1] == ':');
}

// The host path of the program word; a bare name is searched for beside our own program,
// then in the current folder, then on PATH.
std::optional<std::string> FindProgram(ErrorState& state, const std::string& word) {
  if (word.empty()) {
    StoreWindowsError(state, wincode::kFileNotFound, ENOENT);
    return std::nullopt;
  }
  if (!IsBareName(word)) {
    std::optional<std::string> host = posix::HostPath(word);
    if (!host) StoreWindowsError(state, wincode::kPathNotFound, ENOENT);
    return host;
  }
  for (const std::string& folder : SearchFolders()) {
    if (std::optional<std::string> found = FileInFolder(folder, word)) return found;
  }
  StoreWindowsError(state, wincode::kFileNotFound, ENOENT);
  return std::nullopt;
}

// A file without the execute right for us is no program, as Windows says of a file that
// is not one. A process that cannot be made for want of resources is what Windows reports
// then, not a file in use.
void StoreSpawnError(ErrorState& state, int error, const std::string& program) {
  if (error == EACCES && posix::IsHostFile(program) && access(program.c_str(), X_OK) != 0) {
    return StoreWindowsError(state, wincode::kBadExeFormat, error);
  }
  if (error == EAGAIN) return StoreWindowsError(state, wincode::kNoSystemResources, error);
  posix::StoreErrno(state, error, program);
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  // A process ended by a signal reports it as a shell does.
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 0;
}

int32_t WaitForExit(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 0;
  }
  return ExitCodeOf(status);
}

// True when the child has ended, with its exit code; one that cannot be waited for counts as
// ended with 0, as in the wait without a limit.
bool Ended(pid_t child, int32_t& exitCode) {
  int status = 0;
  const pid_t ended = waitpid(child, &status, WNOHANG);
  if (ended == child) {
    exitCode = ExitCodeOf(status);
    return true;
  }
  if (ended < 0 && errno != EINTR) {
    exitCode = 0;
    return true;
  }
  return false;
}

// Looks for the end with pauses that grow from a millisecond, so that a short program costs
// little and a long one few wake-ups. When the limit has passed, the child's process group
// is killed, so that an interpreter dies together with the archive it started, and an
// archive with what it started itself.
int32_t WaitForExitWithin(pid_t child, std::chrono::seconds limit) {
  using Clock = std::chrono::steady_clock;
  constexpr std::chrono::milliseconds kLongestPause{100};
  const Clock::time_point deadline = Clock::now() + limit;
  std::chrono::milliseconds pause{1};
  int32_t exitCode = 0;
  while (!Ended(child, exitCode)) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) {
      kill(-child, SIGKILL);
      return WaitForExit(child);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    usleep(static_cast<useconds_t>(std::min(pause, left).count() * 1000));
    pause = std::min(pause * 2, kLongestPause);
  }
  return exitCode;
}

// With ownGroup the child leads a new process group, which holds all that it starts.
pid_t Spawn(ErrorState& state, const std::string& program, const std::vector<std::string>& words,
            bool inheritHandles, bool ownGroup) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!inheritHandles) posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t child = 0;
  const int error =
      posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error == 0) return child;
  StoreSpawnError(state, error, program);
  return 0;
}

// A name that is not there is left to the start itself, which reports it as it always does.
bool NameChangeableByOthers(const std::string& hostPath, bool follow) {
  struct stat info;
  if ((follow ? stat(hostPath.c_str(), &info) : lstat(hostPath.c_str(), &info)) != 0) {
    return false;
  }
  return posix::ChangeableByOthers(info);
}

// Root starts no program that another user wrote or could have replaced: the file, the folder
// that holds it, and a link that names it and that link's folder all belong to root.
bool SafeForRoot(const std::string& program) {
  if (geteuid() != 0) return true;
  const std::string file = posix::CanonicalHostPath(program);
  if (NameChangeableByOthers(file, true)) return false;
  if (NameChangeableByOthers(posix::HostFolderOf(file), true)) return false;
  if (file == program) return true;
  return !NameChangeableByOthers(program, false) &&
         !NameChangeableByOthers(posix::HostFolderOf(program), true);
}

// The program and, where the interpreter runs one, the archive it is given after "/c".
bool MayStart(ErrorState& state, const std::vector<std::string>& words, bool interpreted) {
  const bool safe = SafeForRoot(words.front()) && (!interpreted || SafeForRoot(words[2]));
  if (!safe) StoreWindowsError(state, wincode::kAccessDenied, EPERM);
  return safe;
}

}  // namespace

int32_t RunCommand(ErrorState& state, const Text& commandLine, int /*showState*/, bool wait,
                   bool inheritHandles, std::chrono::seconds timeLimit) {
  std::vector<std::string> words = SplitCommandLine(commandLine);
  const std::optional<std::string> program =
      FindProgram(state, words.empty() ? std::string() : words.front());
  if (!program) return 0;
  const bool interpreted = StartsInterpreterCommand(words);
  words.front() = *program;
  for (size_t i = 1; i < words.size(); ++i) words[i] = HostWord(words[i]);
  if (!MayStart(state, words, interpreted)) return 0;
  if (!wait) return Spawn(state, *program, words, inheritHandles, false);
  const TerminalLoan loan;
  const bool limited = timeLimit > kNoTimeLimit;
  const pid_t child = Spawn(state, *program, words, inheritHandles, limited);
  if (child == 0) return 0;
  return limited ? WaitForExitWithin(child, timeLimit) : WaitForExit(child);
}

}  // namespace quelb

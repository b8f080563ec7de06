#include "deploy/pre_run.h"

#include <chrono>
#include <thread>

#include "deploy/exit_codes.h"
#include "services/files.h"
#include "services/folder_lock.h"

namespace quelb::deploy {
namespace {

constexpr std::chrono::seconds kPause{2};

bool SourceListable(const Text& source) {
  ErrorState errors;
  if (!FolderThere(errors, source)) return false;
  ListFirst(errors, WithoutTrailingSeparator(source) + "\\*.*", kPlainFilesOnly);
  return TakeError(errors) == 0;
}

// A lock file is made and removed at once: what the run will make there can be made.
bool Writable(ErrorState& errors, const Text& folder) {
  FolderLockHandle handle = kNoFolderLock;
  Text holder;
  const FolderLockAnswer answer = LockFolder(errors, folder, handle, holder);
  ClearError(errors);
  if (answer == FolderLockAnswer::kTaken) UnlockFolder(handle);
  // A folder another run holds is written by that run: the run's own box waits for it.
  return answer != FolderLockAnswer::kNotLockable;
}

}  // namespace

Text WithoutTrailingSeparator(const Text& path) {
  if (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) {
    return path.substr(0, path.size() - 1);
  }
  return path;
}

bool FolderThere(ErrorState& errors, const Text& folder) {
  return !ListFirst(errors, WithoutTrailingSeparator(folder) + "\\nul", kPlainFilesOnly).empty();
}

int CheckSource(const Text& source, int waitSeconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  for (;;) {
    if (SourceListable(source)) return 0;
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return kSourceUnreadable;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, kPause));
  }
}

int CheckFolder(const Text& folder) {
  ErrorState errors;
  if (ReachedThroughAnotherAccountsLink(folder)) return kFolderUnusable;
  if (PathTooLong(errors, WithoutTrailingSeparator(folder) + "\\nul")) return kFolderUnusable;
  if (!FolderThere(errors, folder)) {
    MakeFolder(errors, WithoutTrailingSeparator(folder));
    if (TakeError(errors) != 0) return kFolderUnusable;
  }
  return Writable(errors, WithoutTrailingSeparator(folder)) ? 0 : kFolderUnusable;
}

}  // namespace quelb::deploy

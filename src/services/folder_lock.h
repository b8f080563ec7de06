// One run per folder. A run locks the folders it writes to with a hidden lock file in each,
// held open for as long as the run works there: the lock ends with the process that holds it,
// however that process ends, and holds for every machine that reaches the folder over a
// share. The file's content only says who holds it.
#pragma once

#include <cstdint>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

// The lock file's name, hidden on both platforms, so that no listing returns it.
inline constexpr const char* kFolderLockName = ".setup-run.lock";

using FolderLockHandle = intptr_t;
inline constexpr FolderLockHandle kNoFolderLock = 0;

enum class FolderLockAnswer {
  // The lock is ours; the handle is kNoFolderLock when this process held it already.
  kTaken,
  // Another run holds it: the error state holds the number of a locked file and holder says
  // who has it, or is empty when that cannot be read.
  kHeldElsewhere,
  // A lock file is there that this account cannot open: a run of another account may hold
  // it, or a crash or power cut left it where only its owner or an administrator may remove
  // it. The error state holds the number of a locked file; the holder is not known.
  kHeldUnopenable,
  // There is nothing to lock: the folder is missing, or no lock file can be made there (a
  // read-only medium, a folder the operator may not write). The run goes on without one.
  kNotLockable,
};

FolderLockAnswer LockFolder(ErrorState& state, const Text& folder, FolderLockHandle& handle,
                            Text& holder);
// Gives the lock up and removes its file; kNoFolderLock is ignored.
void UnlockFolder(FolderLockHandle handle);

// What a lock file says of its holder: "ann on OFFICE2, process 4711, since 2026-12-08 19:30".
Text FolderLockHolder(const Text& user, const Text& machine, uint64_t process, const Text& since);

}  // namespace quelb

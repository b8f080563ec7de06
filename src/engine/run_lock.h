// The folder locks of one update run: the target folder's first, then the download folder's,
// always in that order, so that two runs never wait on each other.
#pragma once

#include <vector>

#include "engine/run_state.h"
#include "services/folder_lock.h"

namespace quelb {

enum class LockOutcome { kLocked, kNotLockable, kCanceled };

class RunLocks {
 public:
  RunLocks() = default;
  // Gives up every lock of the run.
  ~RunLocks();
  RunLocks(const RunLocks&) = delete;
  RunLocks& operator=(const RunLocks&) = delete;

  // Locks the folder for the run. While another run holds it, the operator is asked to retry
  // or cancel; kCanceled leaves the number shown in LastError.
  LockOutcome Take(UpdateRunState& run, ErrorState& errors, const Text& folder);

 private:
  std::vector<FolderLockHandle> handles_;
};

}  // namespace quelb

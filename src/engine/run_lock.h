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
  // Locks a folder the run needs once it has begun, as the download folder it found missing at
  // its start. False while another run holds it: the error state then holds that number for
  // the failure prompt of the file that needs the folder, whose Retry asks again.
  bool TakeWhileWorking(ErrorState& errors, const Text& folder);

 private:
  void Keep(FolderLockHandle handle, const Text& folder);
  bool Taken(const Text& folder) const;

  std::vector<FolderLockHandle> handles_;
  std::vector<Text> folders_;
};

}  // namespace quelb

// A second run on a folder that a run holds waits for the operator, who may retry once the
// other run has ended or cancel before anything has been changed.
#include "engine/run_lock.h"

#include "services/message.h"

namespace quelb {
namespace {

constexpr const char* kLineBreak = "\r\n";

Text HeldFolderText(ErrorNumber number, const Text& folder, const Text& holder) {
  return "Error" + NumberText(number) + " - Another update is working in " + folder + kLineBreak +
         "It is run by " + (holder.empty() ? Text("another operator") : holder) + kLineBreak +
         "Retry = when it has ended" + kLineBreak +
         "Cancel = to stop this update, nothing has been changed";
}

}  // namespace

RunLocks::~RunLocks() {
  for (auto held = handles_.rbegin(); held != handles_.rend(); ++held) UnlockFolder(*held);
}

LockOutcome RunLocks::Take(UpdateRunState& run, ErrorState& errors, const Text& folder) {
  for (;;) {
    FolderLockHandle handle = kNoFolderLock;
    Text holder;
    switch (LockFolder(errors, folder, handle, holder)) {
      case FolderLockAnswer::kTaken:
        if (handle != kNoFolderLock) handles_.push_back(handle);
        return LockOutcome::kLocked;
      case FolderLockAnswer::kNotLockable:
        return LockOutcome::kNotLockable;
      case FolderLockAnswer::kHeldElsewhere:
        break;
    }
    run.LastError = TakeError(errors);
    run.Answer =
        ShowMessage(HeldFolderText(run.LastError, folder, holder),
                    MB_TASKMODAL | MB_ICONQUESTION | MB_RETRYCANCEL, "Folder is in use - RETRY ?");
    if (run.Answer != IDRETRY) return LockOutcome::kCanceled;
  }
}

}  // namespace quelb

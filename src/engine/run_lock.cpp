// A second run on a folder that a run holds waits for the operator, who may retry once the
// other run has ended or cancel before anything has been changed.
#include "engine/run_lock.h"

#include <algorithm>

#include "services/message.h"

namespace quelb {
namespace {

constexpr const char* kLineBreak = "\r\n";

// A lock file that this account cannot open may be one that a crash or a power cut left, which
// only its owner or an administrator can remove: the box says so, as nothing else will.
Text HeldFolderText(ErrorNumber number, const Text& folder, const Text& holder,
                    FolderLockAnswer answer) {
  const Text leftBehind = answer == FolderLockAnswer::kHeldUnopenable
                              ? "If no update runs there, the account that made " + folder + "\\" +
                                    kFolderLockName + " or an administrator may delete it" +
                                    kLineBreak
                              : Text();
  return "Error" + NumberText(number) + " - Another update is working in " + folder + kLineBreak +
         "It is run by " + (holder.empty() ? Text("another operator") : holder) + kLineBreak +
         leftBehind + "Retry = when it has ended" + kLineBreak +
         "Cancel = to stop this update, nothing has been changed";
}

bool HeldByAnother(FolderLockAnswer answer) {
  return answer == FolderLockAnswer::kHeldElsewhere || answer == FolderLockAnswer::kHeldUnopenable;
}

}  // namespace

RunLocks::~RunLocks() {
  for (auto held = handles_.rbegin(); held != handles_.rend(); ++held) UnlockFolder(*held);
}

LockOutcome RunLocks::Take(UpdateRunState& run, ErrorState& errors, const Text& folder) {
  for (;;) {
    FolderLockHandle handle = kNoFolderLock;
    Text holder;
    const FolderLockAnswer answer = LockFolder(errors, folder, handle, holder);
    switch (answer) {
      case FolderLockAnswer::kTaken:
        Keep(handle, folder);
        return LockOutcome::kLocked;
      case FolderLockAnswer::kNotLockable:
        return LockOutcome::kNotLockable;
      case FolderLockAnswer::kHeldElsewhere:
      case FolderLockAnswer::kHeldUnopenable:
        break;
    }
    run.TakeLastError(errors);
    run.FolderHeld = true;
    run.Answer =
        ShowMessage({BoxKind::kHeldFolder, HeldFolderText(run.LastError, folder, holder, answer),
                     "Folder is in use - RETRY ?", MB_TASKMODAL | MB_ICONQUESTION | MB_RETRYCANCEL,
                     run.FailureAt(folder)});
    run.FolderHeld = false;
    if (run.Answer != IDRETRY) return LockOutcome::kCanceled;
  }
}

// A lock this process held already has no handle of its own: its first taker gives it up.
void RunLocks::Keep(FolderLockHandle handle, const Text& folder) {
  if (handle != kNoFolderLock) handles_.push_back(handle);
  folders_.push_back(folder);
}

bool RunLocks::Taken(const Text& folder) const {
  return std::find(folders_.begin(), folders_.end(), folder) != folders_.end();
}

// The box at the start says that nothing has been changed, which no longer holds once the run
// has begun: a folder held then fails the file that needs it, as a file held by another does.
bool RunLocks::TakeWhileWorking(ErrorState& errors, const Text& folder) {
  if (Taken(folder)) return true;
  FolderLockHandle handle = kNoFolderLock;
  Text holder;
  const FolderLockAnswer answer = LockFolder(errors, folder, handle, holder);
  if (answer == FolderLockAnswer::kTaken) Keep(handle, folder);
  return !HeldByAnother(answer);
}

}  // namespace quelb

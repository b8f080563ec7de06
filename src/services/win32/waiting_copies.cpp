// Copies that wait to take their targets' places together. Each step is taken for every copy of
// the batch before the next step begins: each new file flushed, then the renames, then each file
// flushed again under its new name. A copy keeps every flush it would have had alone, and none
// takes its target's place before its own data are on the disk.
#include "services/win32/internal/waiting_copies.h"

#include <utility>
#include <vector>

#include "services/backend.h"
#include "services/files.h"
#include "services/win32/internal/durability.h"
#include "services/win32/internal/temporary_copies.h"

namespace quelb {
namespace {

using win32::WaitingCopy;

// Each waiting copy holds its source open and its new file's data in the cache until its flush.
constexpr size_t kMostWaiting = 256;

// Copies that still wait when the program ends go, and their folders of copies with them.
struct Batch {
  ~Batch() {
    copies.clear();
    win32::RemoveFoldersOfCopies();
  }
  std::vector<WaitingCopy> copies;
};

std::vector<WaitingCopy>& Waiting() {
  static Batch batch;
  return batch.copies;
}

// How long a batch goes on between two looks at the message queue, in milliseconds: far less
// than the five seconds after which the platform shows a window that takes no messages as not
// responding, and far more than a step of a small file takes, each look being a call of the
// window system.
constexpr DWORD kBetweenLooks = 50;

void LookAtQueueNowAndThen() {
  static DWORD lastLook = GetTickCount();
  if (GetTickCount() - lastLook < kBetweenLooks) return;
  platform::LookAtMessageQueue();
  lastLook = GetTickCount();
}

// A failure is stored for its own copy, which takes no further step. Between copies the queue
// is looked at now and then.
template <typename Act>
void TakeStep(std::vector<WaitingCopy>& copies, std::vector<ErrorNumber>& failures, Act act) {
  for (size_t i = 0; i < copies.size(); ++i) {
    if (failures[i] != 0) continue;
    ErrorState state;
    act(state, copies[i]);
    failures[i] = TakeError(state);
    LookAtQueueNowAndThen();
  }
}

std::vector<ErrorNumber> FinishEach(std::vector<WaitingCopy>& copies) {
  std::vector<ErrorNumber> failures(copies.size());
  TakeStep(copies, failures,
           [](ErrorState& state, WaitingCopy& copy) { copy.temporary->Flush(state); });
  TakeStep(copies, failures, [](ErrorState& state, WaitingCopy& copy) {
    copy.temporary->Replace(state, copy.target, copy.longTarget);
    copy.heldSource.Close();
  });
  TakeStep(copies, failures, [](ErrorState& state, WaitingCopy& copy) {
    win32::MakeLastUnderItsName(state, copy.target, copy.longTarget);
  });
  return failures;
}

}  // namespace

void win32::KeepWaiting(WaitingCopy copy) {
  Waiting().push_back(std::move(copy));
}

bool ShouldFinishCopies() {
  return Waiting().size() >= kMostWaiting;
}

// A copy that fails leaves its old target as it was, and its temporary file goes with it; the
// folders of copies go once the batch is done.
std::vector<CopyFailure> FinishCopies() {
  std::vector<WaitingCopy> copies = std::move(Waiting());
  Waiting().clear();
  const std::vector<ErrorNumber> failures = FinishEach(copies);
  copies.clear();
  win32::RemoveFoldersOfCopies();
  std::vector<CopyFailure> failed;
  for (size_t i = 0; i < failures.size(); ++i) {
    if (failures[i] != 0) failed.push_back({i, failures[i]});
  }
  return failed;
}

}  // namespace quelb

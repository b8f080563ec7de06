#include "deploy/policy.h"

#include <algorithm>
#include <string>
#include <thread>

#include "deploy/exit_codes.h"
#include "deploy/room_check.h"

namespace quelb::deploy {
namespace {

// How long the policy waits before it tries a held folder, a program in use or a failed file
// again: long enough for what holds it to go, short enough not to keep a fleet waiting.
constexpr std::chrono::seconds kPause{2};

void PauseUntil(Policy::Clock::time_point end) {
  const auto now = Policy::Clock::now();
  if (end > now) std::this_thread::sleep_for(std::min<Policy::Clock::duration>(end - now, kPause));
}

}  // namespace

void Policy::StartRun() {
  waitFile_.clear();
  waitKind_ = BoxKind::kCompleted;
  failedFile_.clear();
  retriesDone_ = 0;
  endingCode_ = 0;
  skipped_ = false;
}

int Policy::Answer(const Box& box) {
  const int answer = Decide(box);
  if (witness_) witness_(box, answer);
  return answer;
}

int Policy::ExitCode(RunOutcome outcome) const {
  if (endingCode_ != 0) return endingCode_;
  if (outcome == RunOutcome::kAborted) return kOtherFailure;
  return skipped_ ? kFileNotDelivered : kDelivered;
}

int Policy::Decide(const Box& box) {
  switch (box.kind) {
    case BoxKind::kHeldFolder:
      return KeepTrying(box, IDRETRY, kHeldByAnotherRun);
    case BoxKind::kOpeningInput:
      return KeepTrying(box, IDRETRY, kSourceUnreadable);
    case BoxKind::kTargetProgramInUse:
    case BoxKind::kKeyProgramsInUse:
      return KeepTrying(box, IDYES, kProgramsInUse);
    case BoxKind::kFileFailure:
      if (box.failure.heldByAnotherRun) return KeepTrying(box, IDRETRY, kHeldByAnotherRun);
      return SettleFileFailure(box);
    case BoxKind::kPathTooLong:
      // The run ends by itself after this box, which has only OK.
      EndTheRun(kFolderUnusable);
      return Because("a path the platform cannot take: the run ends", IDOK);
    case BoxKind::kAnotherDisk:
      return Because("each --source is a run of its own", IDNO);
    // A run's count is of the files it staged: the log's last line tells what was placed.
    case BoxKind::kCompleted:
      return Because("acknowledged; the count is of files staged, not yet placed", IDOK);
    case BoxKind::kCanceled:
      return Because("acknowledged", IDOK);
  }
  return Because("a box this program does not know", EndTheRun(kOtherFailure));
}

int Policy::KeepTrying(const Box& box, int retryButton, int code) {
  if (box.kind != waitKind_ || box.failure.file != waitFile_) {
    waitKind_ = box.kind;
    waitFile_ = box.failure.file;
    waitEnd_ = Clock::now() + std::chrono::seconds(options_.waitSeconds);
  }
  const auto left = std::chrono::ceil<std::chrono::seconds>(waitEnd_ - Clock::now());
  if (left.count() <= 0) {
    return Because("--wait of " + std::to_string(options_.waitSeconds) + " s passed",
                   EndTheRun(code));
  }
  PauseUntil(waitEnd_);
  return Because("retrying, " + std::to_string(left.count()) + " s of --wait left", retryButton);
}

int Policy::SettleFileFailure(const Box& box) {
  if (box.failure.file != failedFile_) {
    failedFile_ = box.failure.file;
    retriesDone_ = 0;
  }
  if (retriesDone_ < options_.retries) {
    ++retriesDone_;
    std::this_thread::sleep_for(kPause);
    return Because("retry " + std::to_string(retriesDone_) + " of --retries " +
                       std::to_string(options_.retries),
                   IDRETRY);
  }
  failedFile_.clear();
  if (options_.keepGoing) {
    skipped_ = true;
    return Because("--retries exhausted, skipped for --keep-going", IDIGNORE);
  }
  const bool diskFull = box.failure.number == error_number::kDiskFull ||
                        ArchiveFailedForRoom(options_, box.failure.file);
  return Because("--retries exhausted", EndTheRun(diskFull ? kDiskFull : kFileNotDelivered));
}

int Policy::Because(Text reason, int answer) {
  reason_ = std::move(reason);
  return answer;
}

// The first box that ended the run gives its code.
int Policy::EndTheRun(int code) {
  if (endingCode_ == 0) endingCode_ = code;
  return kEndTheRun;
}

}  // namespace quelb::deploy

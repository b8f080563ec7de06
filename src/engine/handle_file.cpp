// Delivers one name of the source listing by its kind, reports a failure with the per-file
// prompt and keeps the pass's count: a delivered file adds one, any other adds nothing.
#include "engine/engine.h"
#include "services/files.h"
#include "services/message.h"
#include "services/process.h"

namespace quelb {
namespace {

enum class FileKind { kArchive, kPackage, kSetup, kOther };

FileKind KindOf(const Text& name) {
  const Text upper = UpperText(name);
  if (MidText(upper, 1, 5) == "QUELB" && RightText(upper, 4) == ".EXE") return FileKind::kArchive;
  if (RightText(upper, 3) == "QLB") return FileKind::kPackage;
  if (upper == "SETUP.EXE") return FileKind::kSetup;
  return FileKind::kOther;
}

void Expand(UpdateRunState& run, ErrorState& errors) {
  const Text interpreter = run.PkwarePos == 0 ? Text{} : EnvironmentValue("COMSPEC");
  run.ExpandCommand = ExpandCommandFor(run, interpreter);
  int32_t exitCode = 0;
  // What the archive unpacked is on the disk before it counts as expanded.
  WriteDurablyInto(errors, run.TargetPath, [&] {
    exitCode = RunCommand(errors, run.ExpandCommand, SW_SHOWNORMAL, true, false);
  });
  if (exitCode != 0 && errors.number == 0) StoreError(errors, error_number::kFileOperationFailed);
}

void DeliverArchive(UpdateRunState& run, ErrorState& errors) {
  CheckInUse(run, errors);
  if (!run.MayProceed) return;
  PkwareTest(run, errors, run.SourceFilePath());
  Expand(run, errors);
}

// True when the file's copy waits to be finished.
bool Deliver(UpdateRunState& run, ErrorState& errors) {
  run.FolderHeld = false;
  switch (KindOf(run.CurrentFile)) {
    case FileKind::kArchive:
      DeliverArchive(run, errors);
      return false;
    case FileKind::kPackage:
      return CopyToDownloadFolder(run, errors);
    case FileKind::kSetup:
      run.FileCount.Add(-1);
      return false;
    case FileKind::kOther:
      return StartCopy(errors, run.SourceFilePath(), CopyTargetOf(run));
  }
  return false;
}

// Delivered whole: a copy that waited is finished at once.
void DeliverNow(UpdateRunState& run, ErrorState& errors) {
  if (!Deliver(run, errors)) return;
  for (const CopyFailure& failure : FinishCopies()) StoreError(errors, failure.number);
}

// Asks about LastError until the operator's answer settles it: Retry delivers the file again
// and asks again while it fails, Ignore skips it, Abort ends the run.
FileOutcome SettleFailure(UpdateRunState& run, ErrorState& errors) {
  for (;;) {
    run.Answer = AskAfterFailure(run);
    if (EndsTheRun(run.Answer)) return FileOutcome::kAbort;
    if (run.Answer != IDRETRY) {
      run.FileCount.Add(-1);
      break;
    }
    DeliverNow(run, errors);
    run.TakeLastError(errors);
    if (run.LastError == 0) break;
  }
  run.FileCount.Add(1);
  return FileOutcome::kNext;
}

// A name whose copy waits already, as the same name in another case may, is finished first,
// so that the second copy replaces the first as it would have one by one.
bool WaitsAlready(const UpdateRunState& run) {
  const Text name = UpperText(run.CurrentFile);
  for (const Text& waiting : run.WaitingFiles) {
    if (UpperText(waiting) == name) return true;
  }
  return false;
}

// Anything but a plain copy may show a box or read the target: what waits is finished first.
bool MayWaitBeside(const UpdateRunState& run) {
  const FileKind kind = KindOf(run.CurrentFile);
  return (kind == FileKind::kOther || kind == FileKind::kPackage) && !WaitsAlready(run);
}

}  // namespace

Text CopyTargetOf(const UpdateRunState& run) {
  switch (KindOf(run.CurrentFile)) {
    case FileKind::kPackage:
      return PackageTargetOf(run);
    case FileKind::kOther:
      return run.TargetPath + "\\" + run.CurrentFile;
    case FileKind::kArchive:
    case FileKind::kSetup:
      break;
  }
  return {};
}

int AskAfterFailure(const UpdateRunState& run) {
  return ShowMessage({BoxKind::kFileFailure, "Attempting to copy " + run.SourceFilePath(),
                      "error #" + NumberText(run.LastError) + " occurred",
                      MB_TASKMODAL | MB_ICONQUESTION | MB_ABORTRETRYIGNORE,
                      run.FailureAt(run.SourceFilePath())});
}

// The failures of the files before this one are asked about first, in their order, and the
// file at hand is then the one asked about.
FileOutcome HandleFile(UpdateRunState& run, ErrorState& errors) {
  if (!MayWaitBeside(run) && FinishWaitingCopies(run, errors) == FileOutcome::kAbort) {
    return FileOutcome::kAbort;
  }
  const bool waits = Deliver(run, errors);
  // An in-use prompt answered with the end of the run ends it here, with that prompt's number.
  if (run.Answer == kEndTheRun) return FileOutcome::kAbort;
  run.TakeLastError(errors);
  if (run.LastError != 0) {
    if (FinishWaitingCopies(run, errors) == FileOutcome::kAbort) return FileOutcome::kAbort;
    return SettleFailure(run, errors);
  }
  if (waits) run.WaitingFiles.push_back(run.CurrentFile);
  run.FileCount.Add(1);
  if (ShouldFinishCopies()) return FinishWaitingCopies(run, errors);
  return FileOutcome::kNext;
}

// A failed copy counted as delivered while it waited: that count is taken back, and the
// answer to its prompt counts it as that of a file which failed at once.
FileOutcome FinishWaitingCopies(UpdateRunState& run, ErrorState& errors) {
  const std::vector<Text> waiting = std::move(run.WaitingFiles);
  run.WaitingFiles.clear();
  if (waiting.empty()) return FileOutcome::kNext;
  const UpdateRunState::FileAtHand atHand = run.AtHand();
  for (const CopyFailure& failure : FinishCopies()) {
    run.CurrentFile = waiting[failure.position];
    run.LastError = failure.number;
    run.LastPlatformCode = 0;
    run.FolderHeld = false;
    run.FileCount.Add(-1);
    if (SettleFailure(run, errors) == FileOutcome::kAbort) return FileOutcome::kAbort;
  }
  run.Restore(atHand);
  return FileOutcome::kNext;
}

}  // namespace quelb

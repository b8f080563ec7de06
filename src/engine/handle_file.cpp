// Delivers one name of the source listing by its kind, reports a failure with the per-file
// prompt and keeps the pass's count: a delivered file adds one, any other adds nothing.
#include "engine/delivery_watch.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/files.h"
#include "services/message.h"
#include "services/process.h"

namespace quelb {
namespace {

void Expand(UpdateRunState& run, ErrorState& errors) {
  const Text interpreter = run.PkwarePos == 0 ? Text{} : EnvironmentValue("COMSPEC");
  run.ExpandCommand = ExpandCommandFor(run, interpreter);
  TellArchiveStarts(run);
  // What the archive unpacked is on the disk before it counts as expanded.
  WriteDurablyInto(errors, run.TargetPath, [&] {
    run.ArchiveExitCode =
        RunCommand(errors, run.ExpandCommand, SW_SHOWNORMAL, true, false, ArchiveTimeLimit);
  });
  if (run.ArchiveExitCode != 0 && errors.number == 0) {
    StoreError(errors, error_number::kFileOperationFailed);
  }
}

void DeliverArchive(UpdateRunState& run, ErrorState& errors) {
  run.ExpandCommand.clear();
  run.ArchiveExitCode = 0;
  CheckInUse(run, errors);
  if (!run.MayProceed) return;
  PkwareTest(run, errors, run.SourceFilePath());
  Expand(run, errors);
}

// True when the file's copy waits to be finished.
bool Deliver(UpdateRunState& run, ErrorState& errors) {
  run.FolderHeld = false;
  switch (KindOfName(run.CurrentFile)) {
    case NameKind::kArchive:
      DeliverArchive(run, errors);
      return false;
    case NameKind::kPackage:
      return CopyToDownloadFolder(run, errors);
    case NameKind::kSetup:
      run.FileCount.Add(-1);
      return false;
    case NameKind::kOther:
      return StartCopy(errors, run.SourceFilePath(), CopyTargetOf(run));
  }
  return false;
}

// Delivered whole: a copy that waited is finished at once.
void DeliverNow(UpdateRunState& run, ErrorState& errors) {
  if (!Deliver(run, errors)) return;
  for (const CopyFailure& failure : FinishCopies()) StoreError(errors, failure.number);
}

// What became of a name whose delivery did not fail.
NameResult ResultOfDelivery(const UpdateRunState& run) {
  switch (KindOfName(run.CurrentFile)) {
    case NameKind::kArchive:
      return run.MayProceed ? NameResult::kDelivered : NameResult::kNotExpanded;
    case NameKind::kPackage:
      return PackageTargetOf(run).empty() ? NameResult::kInPlace : NameResult::kDelivered;
    case NameKind::kSetup:
      return NameResult::kLeftOut;
    case NameKind::kOther:
      break;
  }
  return NameResult::kDelivered;
}

// Asks about LastError until the operator's answer settles it: Retry delivers the file again
// and asks again while it fails, Ignore skips it, Abort ends the run.
FileOutcome SettleFailure(UpdateRunState& run, ErrorState& errors) {
  for (;;) {
    run.Answer = AskAfterFailure(run);
    if (EndsTheRun(run.Answer)) {
      ReportNameAtHand(run, NameResult::kFailed);
      return FileOutcome::kAbort;
    }
    if (run.Answer != IDRETRY) {
      ReportNameAtHand(run, NameResult::kSkipped);
      run.FileCount.Add(-1);
      break;
    }
    DeliverNow(run, errors);
    run.TakeLastError(errors);
    if (run.LastError == 0) {
      ReportNameAtHand(run, ResultOfDelivery(run));
      break;
    }
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
  const NameKind kind = KindOfName(run.CurrentFile);
  return (kind == NameKind::kOther || kind == NameKind::kPackage) && !WaitsAlready(run);
}

// The waiting copies that were finished whole are reported delivered, before the failures
// are asked about.
void ReportFinishedCopies(UpdateRunState& run, const std::vector<Text>& waiting,
                          const std::vector<CopyFailure>& failures) {
  std::vector<bool> failed(waiting.size(), false);
  for (const CopyFailure& failure : failures) failed[failure.position] = true;
  run.LastError = 0;
  run.LastPlatformCode = 0;
  run.FolderHeld = false;
  // Telling of the copies asks nobody anything: the watchers share one lookup batch for all.
  const PathLookupBatch lookups;
  for (size_t position = 0; position < waiting.size(); ++position) {
    if (failed[position]) continue;
    run.CurrentFile = waiting[position];
    ReportNameAtHand(run, NameResult::kDelivered);
  }
}

// A file that failed while the run ended at an earlier one is reported failed, and the run
// keeps the file it ended at.
void ReportFailedFile(UpdateRunState& run, const UpdateRunState::FileAtHand& failed) {
  const UpdateRunState::FileAtHand endedAt = run.AtHand();
  run.Restore(failed);
  ReportNameAtHand(run, NameResult::kFailed);
  run.Restore(endedAt);
}

// Failures the run ended before asking about are reported failed all the same.
void ReportUnsettledCopies(UpdateRunState& run, const std::vector<Text>& waiting,
                           const std::vector<CopyFailure>& failures, size_t first) {
  for (size_t index = first; index < failures.size(); ++index) {
    run.CurrentFile = waiting[failures[index].position];
    run.LastError = failures[index].number;
    ReportNameAtHand(run, NameResult::kFailed);
  }
}

}  // namespace

Text CopyTargetOf(const UpdateRunState& run) {
  switch (KindOfName(run.CurrentFile)) {
    case NameKind::kPackage:
      return PackageTargetOf(run);
    case NameKind::kOther:
      return run.TargetPath + "\\" + run.CurrentFile;
    case NameKind::kArchive:
    case NameKind::kSetup:
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
  if (run.Answer == kEndTheRun) {
    ReportNameAtHand(run, NameResult::kFailed);
    return FileOutcome::kAbort;
  }
  run.TakeLastError(errors);
  if (run.LastError != 0) {
    const UpdateRunState::FileAtHand failed = run.AtHand();
    if (FinishWaitingCopies(run, errors) == FileOutcome::kAbort) {
      ReportFailedFile(run, failed);
      return FileOutcome::kAbort;
    }
    return SettleFailure(run, errors);
  }
  if (waits) {
    run.WaitingFiles.push_back(run.CurrentFile);
  } else {
    ReportNameAtHand(run, ResultOfDelivery(run));
  }
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
  const std::vector<CopyFailure> failures = FinishCopies();
  ReportFinishedCopies(run, waiting, failures);
  for (size_t index = 0; index < failures.size(); ++index) {
    run.CurrentFile = waiting[failures[index].position];
    run.LastError = failures[index].number;
    run.LastPlatformCode = 0;
    run.FolderHeld = false;
    run.FileCount.Add(-1);
    if (SettleFailure(run, errors) == FileOutcome::kAbort) {
      ReportUnsettledCopies(run, waiting, failures, index + 1);
      return FileOutcome::kAbort;
    }
  }
  run.Restore(atHand);
  return FileOutcome::kNext;
}

}  // namespace quelb

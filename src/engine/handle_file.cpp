// Delivers one name of the source listing by its kind, reports a failure with the per-file
// prompt and keeps the pass's count: a delivered file adds one, any other adds nothing.
#include "engine/engine.h"
#include "services/files.h"
#include "services/message.h"
#include "services/process.h"

namespace quelb {
namespace {

enum class FileKind { kArchive, kPackage, kSetup, kOther };

// An archive failed when it ended with any exit code but 0.
constexpr ErrorNumber kExpansionFailed = 75;

FileKind KindOf(const Text& name) {
  const Text upper = UpperText(name);
  if (MidText(upper, 1, 5) == "QUELB" && RightText(upper, 4) == ".EXE") return FileKind::kArchive;
  if (RightText(upper, 3) == "QLB") return FileKind::kPackage;
  if (upper == "SETUP.EXE") return FileKind::kSetup;
  return FileKind::kOther;
}

Text SourceFilePath(const UpdateRunState& run) {
  return run.SourcePath + "\\" + run.CurrentFile;
}

void Expand(UpdateRunState& run, ErrorState& errors) {
  const Text interpreter = run.PkwarePos == 0 ? Text{} : EnvironmentValue("COMSPEC");
  run.ExpandCommand = ExpandCommandFor(run, interpreter);
  int32_t exitCode = 0;
  // What the archive unpacked is on the disk before it counts as expanded.
  WriteDurablyInto(errors, run.TargetPath, [&] {
    exitCode = RunCommand(errors, run.ExpandCommand, SW_SHOWNORMAL, true, false);
  });
  if (exitCode != 0 && errors.number == 0) StoreError(errors, kExpansionFailed);
}

void DeliverArchive(UpdateRunState& run, ErrorState& errors) {
  CheckInUse(run, errors);
  if (!run.MayProceed) return;
  PkwareTest(run, errors, SourceFilePath(run));
  Expand(run, errors);
}

void Deliver(UpdateRunState& run, ErrorState& errors) {
  switch (KindOf(run.CurrentFile)) {
    case FileKind::kArchive:
      return DeliverArchive(run, errors);
    case FileKind::kPackage:
      return CopyToDownloadFolder(run, errors);
    case FileKind::kSetup:
      run.FileCount.Add(-1);
      return;
    case FileKind::kOther:
      return CopyFileTo(errors, SourceFilePath(run), run.TargetPath + "\\" + run.CurrentFile);
  }
}

}  // namespace

int AskAfterFailure(const UpdateRunState& run) {
  return ShowMessage("Attempting to copy " + SourceFilePath(run),
                     MB_TASKMODAL | MB_ICONQUESTION | MB_ABORTRETRYIGNORE,
                     "error #" + NumberText(run.LastError) + " occurred");
}

FileOutcome HandleFile(UpdateRunState& run, ErrorState& errors) {
  for (;;) {
    Deliver(run, errors);
    run.LastError = TakeError(errors);
    if (run.LastError == 0) break;
    run.Answer = AskAfterFailure(run);
    if (run.Answer == IDRETRY) continue;
    if (run.Answer == IDABORT) return FileOutcome::kAbort;
    run.FileCount.Add(-1);
    break;
  }
  run.FileCount.Add(1);
  return FileOutcome::kNext;
}

}  // namespace quelb

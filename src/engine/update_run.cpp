// The update run started by the run button: reads the two paths, makes sure the target
// folder exists, and takes passes over the source, one per disk, until the operator has no
// further disk or a folder source has been worked through.
#include <optional>

#include "engine/delivery_watch.h"
#include "engine/engine.h"
#include "engine/journal.h"
#include "engine/process_values.h"
#include "engine/run_lock.h"
#include "services/files.h"
#include "services/message.h"
#include "services/process.h"

namespace quelb {
namespace {

constexpr const char* kNameSeparator = "\t";

// kAbortAtSync: the operator aborted at the prompt for a failed sync, which is not tried
// again before the abort message. kRefused: a copy of the pass would form a path the platform
// cannot take, and nothing of the pass was done.
enum class PassOutcome { kDone, kAbort, kAbortAtSync, kRefused };

// A drive letter with its colon, or a drive root, is a disk: shorter than four characters.
bool IsDiskSource(const UpdateRunState& run) {
  return TextLength(run.SourcePath) < 4;
}

// A folder whose path the platform cannot take lists nothing and takes nothing, and the run
// would end as if it were empty or fail file by file: it is named with its number before
// anything is done, tested as its probe, the longest path the run forms from it by itself.
void ShowPathTooLong(UpdateRunState& run, ErrorState& errors, const Text& path) {
  run.TakeLastError(errors);
  ShowMessage({BoxKind::kPathTooLong, "Path too long: " + path,
               "Error" + NumberText(run.LastError) + " detected", MB_TASKMODAL | MB_OK,
               run.FailureAt(path)});
}

bool FoldersFitThePlatform(UpdateRunState& run, ErrorState& errors) {
  for (const Text* folder : {&run.SourcePath, &run.TargetPath}) {
    if (!PathTooLong(errors, *folder + "\\nul")) continue;
    ShowPathTooLong(run, errors, *folder);
    return false;
  }
  return true;
}

// A copy forms longer paths of its own than the folder's probe, and a file's long name may be
// longer than the name the listing gave: each copy of the pass is measured before the first
// file is touched, and the first that the platform cannot take is named as a folder is.
bool CopiesFitThePlatform(UpdateRunState& run, ErrorState& errors) {
  size_t nextName = 0;
  for (int64_t index = 1; index <= run.FileTotal; ++index) {
    run.CurrentFile = NextField(run.FileList, kNameSeparator, nextName);
    const Text target = CopyTargetOf(run);
    if (target.empty() || !CopyPathTooLong(errors, run.SourceFilePath(), target)) continue;
    ShowPathTooLong(run, errors, target);
    return false;
  }
  return true;
}

// A target the run has locked is there, as the folder it opened: it is never made anew under
// its name, which another may have swapped meanwhile.
void MakeSureTargetExists(UpdateRunState& run, ErrorState& errors, LockOutcome target) {
  run.FolderProbe = ListFirst(errors, run.TargetPath + "\\nul", kPlainFilesOnly);
  if (run.FolderProbe.empty() && target != LockOutcome::kLocked) MakeFolder(errors, run.TargetPath);
}

Text HintFor(const Text& sourcePath) {
  if (RightText(LowerText(sourcePath), 8) == "download") {
    return "Be sure 'Download Updates' has been run";
  }
  return "Be sure disk is properly loaded";
}

// Lists the source until its first name comes without an error; false when the operator
// gives up. Only running out of memory makes a listing fail.
bool ListSource(UpdateRunState& run, ErrorState& errors) {
  for (;;) {
    run.CurrentFile = ListFirst(errors, run.SourceMask, kPlainFilesOnly);
    run.TakeLastError(errors);
    run.SourceHint = HintFor(run.SourcePath);
    if (run.LastError == 0) return true;
    run.Answer = ShowMessage(
        {BoxKind::kOpeningInput, run.SourceHint, "Error opening Input " + run.SourcePath,
         MB_TASKMODAL | MB_ICONQUESTION | MB_RETRYCANCEL, run.FailureAt(run.SourcePath)});
    if (run.Answer != IDRETRY) return false;
  }
}

// The whole listing is taken first: handling a file probes and lists other folders, and only
// one listing can be in progress.
void CollectNames(UpdateRunState& run, ErrorState& errors) {
  run.FileList.clear();
  run.FileTotal = 0;
  while (!run.CurrentFile.empty()) {
    if (run.FileTotal > 0) run.FileList += kNameSeparator;
    run.FileList += run.CurrentFile;
    ++run.FileTotal;
    run.CurrentFile = ListNext(errors);
  }
}

// Each name is the field FieldText gives for its index, taken where the last one ended, so
// that a long list costs no more per name than a short one. Names left as they are one after
// another share a lookup batch, as asking about them waits for nobody; it ends before a name is
// handled, which may raise a box.
PassOutcome HandleNames(dialog::DialogHandle dialog, UpdateRunState& run, ErrorState& errors) {
  size_t nextName = 0;
  std::optional<PathLookupBatch> leftAsTheyAre;
  for (run.FileIndex = 1; run.FileIndex <= run.FileTotal; ++run.FileIndex) {
    run.CurrentFile = NextField(run.FileList, kNameSeparator, nextName);
    if (!leftAsTheyAre) leftAsTheyAre.emplace();
    if (WatcherLeavesUnchanged(run)) continue;
    leftAsTheyAre.reset();
    dialog::SetControlText(dialog, IDC_STATUS, "Copying " + run.SourceFilePath());
    if (HandleFile(run, errors) == FileOutcome::kAbort) return PassOutcome::kAbort;
  }
  if (FinishWaitingCopies(run, errors) == FileOutcome::kAbort) return PassOutcome::kAbort;
  return PassOutcome::kDone;
}

// What the boxes report is on the disk before they show. A failed sync is asked about with
// the per-file prompt of the pass's last file: Retry syncs again, Ignore goes on to the box,
// and Abort ends the run. False for Abort.
bool MadeDurable(UpdateRunState& run, ErrorState& errors) {
  for (;;) {
    MakeCopiesDurable(errors);
    run.TakeLastError(errors);
    if (run.LastError == 0) return true;
    run.FolderHeld = false;
    run.Answer = AskAfterFailure(run);
    if (EndsTheRun(run.Answer)) return false;
    if (run.Answer != IDRETRY) return true;
  }
}

// False when the handler ends the run at the box, which then ends as an aborted one.
bool EndPass(dialog::DialogHandle dialog, UpdateRunState& run) {
  if (run.FileCount.Value() > 0) ++run.DiskCount;
  run.CountText = run.FileCount.Value() == 0 ? Text("NO") : NumberText(run.FileCount.Value());
  if (IsDiskSource(run)) {
    dialog::SetControlText(dialog, IDC_STATUS, "Disk" + NumberText(run.DiskCount) + " loaded");
    run.Answer = ShowMessage({BoxKind::kAnotherDisk,
                              "Load another disk?\r\nIf so, put in the disk and click YES",
                              run.CountText + " files copied -  Load another Disk?",
                              MB_TASKMODAL | MB_ICONQUESTION | MB_YESNO,
                              {}});
    if (run.Answer != IDYES) run.MoreDisks = kFalse;
    return run.Answer != kEndTheRun;
  }
  run.DoneText = run.CountText + " files copied or expanded.";
  run.Answer = ShowMessage(
      {BoxKind::kCompleted, run.DoneText, "Update is Completed", MB_TASKMODAL | MB_OK, {}});
  run.MoreDisks = kFalse;
  return run.Answer != kEndTheRun;
}

PassOutcome TakePass(dialog::DialogHandle dialog, UpdateRunState& run, ErrorState& errors) {
  run.FileCount.Store(0);
  ClearError(errors);
  if (!ListSource(run, errors)) return PassOutcome::kAbort;
  CollectNames(run, errors);
  if (!CopiesFitThePlatform(run, errors)) return PassOutcome::kRefused;
  if (HandleNames(dialog, run, errors) == PassOutcome::kAbort) return PassOutcome::kAbort;
  if (!MadeDurable(run, errors)) return PassOutcome::kAbortAtSync;
  if (!EndPass(dialog, run)) return PassOutcome::kAbort;
  return PassOutcome::kDone;
}

// The whole target path is used, so that a long folder, a folder relative to its drive and
// a host path all become current. The drive is changed first only for a drive path: a
// relative folder whose first letter names a drive lies in the current folder. Failures
// are of no consequence: the control module then starts in whatever folder is current.
void MakeTargetCurrent(const UpdateRunState& run, ErrorState& errors) {
  MakeFolderCurrent(errors, run.TargetPath);
  ClearError(errors);
}

// A release that the unattended program was putting in place when it was ended is finished
// before anything else is done to the target, without a box: the run then works on one whole
// release. A journal the disk does not let it finish is taken up again by the next run.
void FinishUnfinishedRelease(const UpdateRunState& run) {
  ErrorState journalErrors;
  RecoverJournal(journalErrors, JournalPathIn(run.TargetPath));
}

// The target is locked before it is first looked at, and the download folder after it, so
// that two runs never wait on each other. A target that is not there yet is made only once
// both locks that can be asked for are had, as a Cancel at their box leaves nothing changed,
// and is locked at once. False when the operator cancels while another run holds a folder.
bool LockAndPrepareTarget(UpdateRunState& run, ErrorState& errors, RunLocks& locks) {
  run.Locks = &locks;
  const LockOutcome target = locks.Take(run, errors, run.TargetPath);
  if (target == LockOutcome::kCanceled) return false;
  if (locks.Take(run, errors, DownloadFolder) == LockOutcome::kCanceled) return false;
  MakeSureTargetExists(run, errors, target);
  return target == LockOutcome::kLocked ||
         locks.Take(run, errors, run.TargetPath) != LockOutcome::kCanceled;
}

// The abort message shows the number that made the operator abort, also when a sync before
// it failed and was asked about.
RunOutcome Abort(dialog::DialogHandle dialog, UpdateRunState& run, ErrorState& errors,
                 PassOutcome outcome) {
  const BoxFailure reason = run.FailureAt(run.CurrentFile);
  if (outcome == PassOutcome::kAbort) MadeDurable(run, errors);
  ShowMessage({BoxKind::kCanceled, "Error" + NumberText(reason.number) + " detected",
               "Canceled by the operator", MB_TASKMODAL | MB_OK, reason});
  RunAborted = kTrue;
  dialog::EndDialog(dialog, 0);
  return RunOutcome::kAborted;
}

// Nothing was done since the last box that reported a pass, so nothing more is reported as
// done, and the control module is not started.
RunOutcome Refuse(dialog::DialogHandle dialog) {
  RunAborted = kTrue;
  dialog::EndDialog(dialog, 0);
  return RunOutcome::kAborted;
}

}  // namespace

Text NormalisedSource(Text source) {
  if (TextLength(source) == 1) source += ":";
  if (RightText(source, 1) == "\\") source = MidText(source, 1, TextLength(source) - 1);
  return source;
}

void MakeFolderCurrent(ErrorState& errors, const Text& folder) {
  if (MidText(folder, 2, 1) == ":") ChangeDrive(errors, MidText(folder, 1, 2));
  ChangeFolder(errors, folder);
}

RunOutcome UpdateRun(dialog::DialogHandle dialog, ErrorState& errors) {
  UpdateRunState run;
  run.SourcePath = NormalisedSource(dialog::GetControlText(dialog, IDC_SOURCE));
  run.TargetPath = dialog::GetControlText(dialog, IDC_TARGET);
  if (!FoldersFitThePlatform(run, errors)) return Refuse(dialog);
  RunLocks locks;
  if (!LockAndPrepareTarget(run, errors, locks)) {
    return Abort(dialog, run, errors, PassOutcome::kAbort);
  }
  FinishUnfinishedRelease(run);
  run.MoreDisks = kTrue;
  run.DiskCount = 0;
  run.SourceMask = run.SourcePath + "\\*.*";
  while (run.MoreDisks) {
    const PassOutcome outcome = TakePass(dialog, run, errors);
    if (outcome == PassOutcome::kRefused) return Refuse(dialog);
    if (outcome != PassOutcome::kDone) return Abort(dialog, run, errors, outcome);
  }
  MakeTargetCurrent(run, errors);
  return RunOutcome::kCompleted;
}

}  // namespace quelb

#include "deploy/deploy.h"

#include <optional>

#include "deploy/archive_fence.h"
#include "deploy/commit.h"
#include "deploy/exit_codes.h"
#include "deploy/log_watch.h"
#include "deploy/policy.h"
#include "deploy/pre_run.h"
#include "deploy/progress.h"
#include "deploy/receipt_watch.h"
#include "deploy/room_check.h"
#include "deploy/stage.h"
#include "deploy/undo.h"
#include "dialog/screenless/progress_line.h"
#include "engine/engine.h"
#include "engine/journal.h"
#include "engine/process_values.h"
#include "engine/run_lock.h"
#include "services/dos_path.h"
#include "services/process.h"

namespace quelb::deploy {
namespace {

// The run takes its paths from its dialog, which here only holds them.
dialog::DialogHandle DeployDialog(const Text& source, const Text& target) {
  using dialog::ControlKind;
  const dialog::DialogHandle handle = dialog::MakeDialog(
      dialog::Unit::kDialogUnits, nullptr, AppName, dialog::kCentred, dialog::kCentred, 0, 0, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_SOURCE, source, 0, 0, 0, 0, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_TARGET, target, 0, 0, 0, 0, 0, 0);
  dialog::AddControl(ControlKind::kLabel, handle, IDC_STATUS, "", 0, 0, 0, 0, 0, 0);
  return handle;
}

int DeliverSource(Policy& policy, const Options& options, const Text& source) {
  if (const int code = CheckSource(source, options.waitSeconds); code != 0) return code;
  RunAborted = kFalse;
  policy.StartRun();
  ErrorState errors;
  if (options.staged) MirrorFoldersInTheWay(errors, source, options.target, options.download);
  const Text runTarget = options.staged ? StageOf(options.target) : options.target;
  const RunOutcome outcome = UpdateRun(DeployDialog(source, runTarget), errors);
  dialog::screenless::EndProgressLine();
  return policy.ExitCode(outcome);
}

// The run leaves its own target current, which is the stage: the real target is made current
// in its place, so that the stage can be removed and the control module found.
void MakeTargetCurrent(const Text& target) {
  ErrorState errors;
  MakeFolderCurrent(errors, target);
}

// Nobody sits at the machine: the control module is started only when asked for, and not
// waited for.
void StartControlModule() {
  ErrorState errors;
  RunCommand(errors, "cm.exe", SW_SHOWNORMAL, false, false);
}

// A source whose run skipped a file leaves the code 6 and the next source is delivered; any
// other failure ends the deploy with its code.
int DeliverSources(Policy& policy, const Options& options) {
  int code = kDelivered;
  for (const Text& source : options.sources) {
    const int sourceCode = DeliverSource(policy, options, source);
    if (sourceCode == kFileNotDelivered && options.keepGoing) {
      code = sourceCode;
      continue;
    }
    if (sourceCode != kDelivered) return sourceCode;
  }
  return code;
}

// The whole deploy holds the target and the download folder, as one run of setup does, and
// first finishes a release that an earlier deploy was ended in. The code of what stopped it,
// or 0.
int LockFolders(Policy& policy, const Options& options, RunLocks& locks) {
  policy.StartRun();
  UpdateRunState run;
  ErrorState errors;
  for (const Text* folder : {&options.target, &options.download}) {
    if (locks.Take(run, errors, *folder) == LockOutcome::kCanceled) {
      return policy.ExitCode(RunOutcome::kAborted);
    }
  }
  return RecoverJournal(errors, JournalPathIn(options.target)).finished ? 0 : kOtherFailure;
}

// The last release's journal, turned back through a journal of its own, and the receipt then
// says so; nothing to undo without one, or after an undo.
int Undo(const Options& options) {
  ErrorState errors;
  Journal release;
  const Text path = JournalPathIn(options.target);
  if (!ReadJournal(errors, path, release) || release.state != Journal::State::kDone) {
    return errors.number == 0 ? kDelivered : kOtherFailure;
  }
  const Journal undo = UndoJournalOf(errors, release);
  if (undo.steps.empty()) return kDelivered;
  const JournalOutcome outcome = CommitJournal(errors, path, undo);
  const int code = CodeOfJournal(errors, outcome);
  if (code != kDelivered) return code;
  if (const std::optional<Receipt> receipt = ReadReceipt(options.target)) {
    LeaveReceipt(ReceiptAfterUndo(*receipt, release), options.target);
  }
  return code;
}

// Every source is there before anything is staged, and every volume has the room for what
// will be staged on it; a volume without it is told of in the record.
int RoomForStaging(const Options& options, DeployRecord& record, ReceiptWatch& watch) {
  for (const Text& source : options.sources) {
    if (const int code = CheckSource(source, options.waitSeconds); code != 0) return code;
  }
  const std::vector<Shortfall> shortfalls = ShortfallsOfStaging(options, watch);
  for (const Shortfall& shortfall : shortfalls) {
    record.ShortOfSpace(shortfall.folders, shortfall.needed, shortfall.free);
  }
  return shortfalls.empty() ? kDelivered : kDiskFull;
}

bool MakeStages(const Options& options) {
  ErrorState errors;
  return MakeEmptyStage(errors, options.target) && MakeEmptyStage(errors, options.download);
}

void RemoveStages(const Options& options) {
  ErrorState errors;
  RemoveStage(errors, options.target);
  RemoveStage(errors, options.download);
}

// Every source is staged in turn, and the release they make is put in place at once, or,
// after a failure, not at all. With --keep-going a file that failed is left out of it; an
// archive that wrote outside its stage fails the release. Sets placed once it is in place.
int StageAndCommit(Policy& policy, const Options& options, DeployRecord& record,
                   ReceiptWatch& watch, bool& placed) {
  if (!MakeStages(options)) return kFolderUnusable;
  DownloadFolder = StageOf(options.download);
  int code = RoomForStaging(options, record, watch);
  bool fenceCrossed = false;
  if (code == kDelivered) {
    ArchiveFence fence(options, record);
    code = DeliverSources(policy, options);
    fenceCrossed = fence.Crossed();
  }
  DownloadFolder = options.download;
  MakeTargetCurrent(options.target);
  if (fenceCrossed && code == kDelivered) code = kFileNotDelivered;
  if (!fenceCrossed && (code == kDelivered || (code == kFileNotDelivered && options.keepGoing))) {
    const int committed = CommitRelease(policy, options);
    placed = committed == kDelivered;
    if (!placed) code = committed;
  }
  record.ReleasePlaced(placed);
  RemoveStages(options);
  return code;
}

// Straight into the target, as a deploy was before its releases were staged: what the run
// delivered is in place whatever its code, and the receipt is written after a clean run only.
int DeliverUnstaged(Policy& policy, const Options& options, DeployRecord& record, bool& placed) {
  const int code = DeliverSources(policy, options);
  record.ReleasePlaced(true);
  placed = code == kDelivered;
  return code;
}

// The receipt found in the target decides which names are left as they are, and the receipt
// of the release is written once it is in place.
int Deploy(Policy& policy, const Options& options, DeployRecord& record) {
  const std::optional<Receipt> receipt = ReadReceipt(options.target);
  ReceiptWatch watch(
      receipt, options.all,
      [&options](const Text& path) { return FinalPathOf(path, options.target, options.download); },
      [&record](const NameReport& report) { return record.DigestOfSettled(report); });
  record.TakeDecisionsFrom([&watch](const Text& name) { return watch.DecisionOn(name); });
  bool placed = false;
  const int code = options.staged ? StageAndCommit(policy, options, record, watch, placed)
                                  : DeliverUnstaged(policy, options, record, placed);
  record.TakeDecisionsFrom({});
  // With --keep-going a release may be placed without the files that failed, which the
  // receipt names.
  if (placed) LeaveReceipt(watch.Finished(), options.target);
  return code;
}

// The log in the target is begun once the target is known to be usable, and tells of a
// download folder that is not.
int DeliverToTarget(const Options& options, DeployRecord& record) {
  if (const int code = CheckFolder(options.target); code != 0) {
    record.NoTargetLog();
    return code;
  }
  record.OpenTargetLog();
  if (const int code = CheckFolder(options.download); code != 0) return code;
  std::optional<ProgressWatch> progress;
  if (dialog::screenless::ProgressLineShown()) progress.emplace();
  Policy policy(options);
  policy.SetWitness([&record, &policy](const Box& box, int answer) {
    record.Question(box, answer, policy.Reason());
  });
  const MessageHandler previous =
      SetMessageHandler([&policy](const Box& box) { return policy.Answer(box); });
  const bool shownBefore = SetBoxesShownOnScreen(false);
  int code = kDelivered;
  {
    RunLocks locks;
    code = LockFolders(policy, options, locks);
    if (code == kDelivered && options.undo) code = Undo(options);
    if (code == kDelivered && !options.recover && !options.undo) {
      code = Deploy(policy, options, record);
    }
  }
  SetBoxesShownOnScreen(shownBefore);
  SetMessageHandler(previous);
  if (options.startControlModule && code == kDelivered) StartControlModule();
  return code;
}

// The run makes its own folders current, after which a relative path would name another
// folder: each is taken from the current folder once, before the deploy begins.
Text FromCurrentFolder(const Text& path) {
  if (path.empty() || dos::StartsWithDrive(path) || dos::IsSeparator(path[0])) return path;
  ErrorState errors;
  const Text current = CurrentFolder(errors, "");
  return errors.number == 0 ? InFolder(current, path) : path;
}

Options WithFoldersFromCurrentFolder(Options options) {
  for (Text* path : {&options.target, &options.download}) *path = FromCurrentFolder(*path);
  // A source of one letter is its drive, as the run takes it, not a folder of that name.
  for (Text& source : options.sources) source = FromCurrentFolder(NormalisedSource(source));
  return options;
}

}  // namespace

int RunDeploy(const Options& given) {
  const Options options = WithFoldersFromCurrentFolder(given);
  AppName = options.app;
  UpdateMode = kTrue;
  DownloadFolder = options.download;
  ArchiveTimeLimit = std::chrono::seconds(options.archiveTimeoutSeconds);
  DeployRecord record(options);
  const int code = DeliverToTarget(options, record);
  record.End(code);
  return code;
}

}  // namespace quelb::deploy

#include "deploy/commit.h"

#include "deploy/exit_codes.h"
#include "deploy/pre_run.h"
#include "deploy/stage.h"
#include "engine/journal.h"
#include "services/files.h"
#include "services/journal_files.h"
#include "services/message.h"
#include "services/process.h"

namespace quelb::deploy {
namespace {

using Kind = JournalStep::Kind;

// A staged file and the name it takes, in the target or the download folder.
struct Placement {
  Text folder;
  Text relative;
  Text staged;
  Text final;
  Text kept;
  // Whether a file of the suite has the final name now.
  bool replaces;
};

void AddPlacements(ErrorState& errors, const Text& folder, std::vector<Placement>& placements) {
  for (const FileBelow& file : FilesBelow(errors, StageOf(folder))) {
    const Text final = InFolder(folder, file.relative);
    placements.push_back({folder, file.relative, file.path, final,
                          KeptOf(folder) + "\\" + file.relative,
                          IdentityOf(errors, final).Exists()});
  }
}

std::vector<Placement> PlacementsOf(ErrorState& errors, const Options& options) {
  const PathLookupBatch lookups;
  std::vector<Placement> placements;
  AddPlacements(errors, options.target, placements);
  AddPlacements(errors, options.download, placements);
  return placements;
}

// Opened with all sharing denied and closed at once, as the run tests a program. Only a file
// that is there is tested, so the test makes none.
ErrorNumber UseOf(const Text& path) {
  ErrorState errors;
  const int fileNumber = NextFileNumber();
  OpenExclusive(errors, path, fileNumber, Access::kReadWrite);
  if (errors.number == 0) CloseFile(errors, fileNumber);
  return TakeError(errors);
}

// Asks the policy about each file in use until none is, or it ends the deploy.
bool NoneInUse(const std::vector<Placement>& placements) {
  for (const Placement& placement : placements) {
    if (!placement.replaces) continue;
    for (ErrorNumber number = UseOf(placement.final); number != 0;
         number = UseOf(placement.final)) {
      const int answer =
          ShowMessage({BoxKind::kTargetProgramInUse,
                       "Error" + NumberText(number) + " - " + placement.final + " is in use",
                       "Target program is in use - RETRY ?",
                       MB_TASKMODAL | MB_ICONQUESTION | MB_YESNO,
                       {number, 0, placement.final, false}});
      if (answer != IDYES) return false;
    }
  }
  return true;
}

JournalStep StepOf(ErrorState& errors, Kind kind, const Text& from, const Text& to) {
  return {kind, from, to, IdentityOf(errors, from)};
}

// What the release before kept is discarded once this one is in place, as this one's old
// files take its place.
void AddDiscards(ErrorState& errors, const Text& folder, Journal& journal) {
  for (const FileBelow& kept : FilesBelow(errors, KeptOf(folder))) {
    const Text discarded = DiscardedOf(folder) + "\\" + kept.relative;
    MakeFoldersFor(errors, DiscardedOf(folder), kept.relative);
    RemoveFile(errors, discarded);
    journal.steps.push_back(StepOf(errors, Kind::kDiscard, kept.path, discarded));
  }
}

Journal JournalOf(ErrorState& errors, const Options& options,
                  const std::vector<Placement>& placements) {
  Journal journal;
  for (const Text* folder : {&options.target, &options.download}) {
    AddDiscards(errors, *folder, journal);
  }
  for (const Placement& placement : placements) {
    if (placement.replaces) {
      journal.steps.push_back(StepOf(errors, Kind::kKeep, placement.final, placement.kept));
    }
    journal.steps.push_back(StepOf(errors, Kind::kPlace, placement.staged, placement.final));
  }
  return journal;
}

// A subfolder that an archive unpacked into is made in its place before the commit. Those of
// the suite's folders that were made here are returned, outer ones first.
std::vector<Text> MakeFinalFolders(ErrorState& errors, const Options& options,
                                   const std::vector<Placement>& placements) {
  for (const Text* folder : {&options.target, &options.download}) {
    MakeFolderIfMissing(errors, KeptOf(*folder));
    MakeFolderIfMissing(errors, DiscardedOf(*folder));
  }
  std::vector<Text> made;
  for (const Placement& placement : placements) {
    const std::vector<Text> subfolders =
        MakeFoldersFor(errors, WithoutTrailingSeparator(placement.folder), placement.relative);
    made.insert(made.end(), subfolders.begin(), subfolders.end());
    MakeFoldersFor(errors, KeptOf(placement.folder), placement.relative);
  }
  return made;
}

// A commit turned back leaves no folder it made: each goes again, inner ones first, unless
// something was put in it meanwhile.
void RemoveMadeFolders(const std::vector<Text>& made) {
  for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
    ErrorState errors;
    RemoveEmptyFolder(errors, *folder);
  }
}

}  // namespace

int CodeOfJournal(const ErrorState& errors, const JournalOutcome& outcome) {
  if (!outcome.finished) return kOtherFailure;
  if (errors.number == 0) return kDelivered;
  return errors.number == error_number::kDiskFull ? kDiskFull : kFileNotDelivered;
}

// The looks before the in-use test and the steps after it share a lookup batch each: they raise
// no box and wait for nobody.
int CommitRelease(Policy& policy, const Options& options) {
  ErrorState errors;
  const std::vector<Placement> placements = PlacementsOf(errors, options);
  if (errors.number != 0) return kFileNotDelivered;
  if (placements.empty()) return kDelivered;
  policy.StartRun();
  if (!NoneInUse(placements)) return policy.ExitCode(RunOutcome::kAborted);
  const PathLookupBatch lookups;
  const std::vector<Text> made = MakeFinalFolders(errors, options, placements);
  const Journal journal = JournalOf(errors, options, placements);
  if (errors.number != 0) {
    RemoveMadeFolders(made);
    return CodeOfJournal(errors, {});
  }
  const JournalOutcome outcome = CommitJournal(errors, JournalPathIn(options.target), journal);
  if (errors.number == 0 && outcome.finished) return kDelivered;
  // A journal left unfinished is taken up by the next recovery, which needs its folders.
  if (outcome.finished) RemoveMadeFolders(made);
  return CodeOfJournal(errors, outcome);
}

}  // namespace quelb::deploy

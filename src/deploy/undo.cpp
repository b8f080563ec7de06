#include "deploy/undo.h"

#include <algorithm>
#include <set>

#include "deploy/stage.h"
#include "services/journal_files.h"

namespace quelb::deploy {
namespace {

using Kind = JournalStep::Kind;

const JournalStep* KeepStepOf(const Journal& release, const Text& final) {
  for (const JournalStep& step : release.steps) {
    if (step.kind == Kind::kKeep && step.from == final) return &step;
  }
  return nullptr;
}

// A placed file came from the stage of its folder, and is discarded into that folder's
// discarded files under the same relative path.
Text DiscardedNameOf(ErrorState& errors, const JournalStep& placed) {
  const Text stage = Text("\\") + kDeployFolderName + "\\stage\\";
  const size_t at = placed.from.find(stage);
  if (at == Text::npos) return {};
  const Text folder = placed.from.substr(0, at);
  const Text relative = placed.from.substr(at + stage.size());
  MakeFolderIfMissing(errors, DiscardedOf(folder));
  MakeFoldersFor(errors, DiscardedOf(folder), relative);
  return DiscardedOf(folder) + "\\" + relative;
}

std::set<Text> PlacedPaths(const Journal& release) {
  std::set<Text> placed;
  for (const JournalStep& step : release.steps) {
    if (step.kind == Kind::kPlace) placed.insert(UpperText(step.to));
  }
  return placed;
}

// A copy by the file it became, an archive by any of the programs it unpacked.
bool PlacedBy(const Delivery& delivery, const std::set<Text>& placed) {
  if (delivery.kind != NameKind::kArchive) return placed.count(UpperText(delivery.target)) > 0;
  return std::any_of(delivery.programs.begin(), delivery.programs.end(),
                     [&](const RecordedFile& program) {
                       return placed.count(UpperText(InFolder(delivery.target, program.name))) > 0;
                     });
}

}  // namespace

Receipt ReceiptAfterUndo(Receipt receipt, const Journal& release) {
  const std::set<Text> placed = PlacedPaths(release);
  std::erase_if(receipt.deliveries,
                [&placed](const Delivery& delivery) { return PlacedBy(delivery, placed); });
  receipt.missing.clear();
  receipt.undone = UndoneRelease{receipt.version, receipt.written};
  return receipt;
}

Journal UndoJournalOf(ErrorState& errors, const Journal& release) {
  Journal undo;
  for (const JournalStep& placed : release.steps) {
    if (placed.kind != Kind::kPlace || !(IdentityOf(errors, placed.to) == placed.identity)) {
      continue;
    }
    const Text discarded = DiscardedNameOf(errors, placed);
    if (discarded.empty()) continue;
    RemoveFile(errors, discarded);
    undo.steps.push_back({Kind::kDiscard, placed.to, discarded, placed.identity});
    const JournalStep* kept = KeepStepOf(release, placed.to);
    if (kept != nullptr && IdentityOf(errors, kept->to) == kept->identity) {
      undo.steps.push_back({Kind::kKeep, kept->to, kept->from, kept->identity});
    }
  }
  return undo;
}

}  // namespace quelb::deploy

#include "deploy/undo.h"

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

}  // namespace

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

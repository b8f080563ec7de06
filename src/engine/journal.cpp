#include "engine/journal.h"

#include <set>

#include "services/dos_path.h"

namespace quelb {
namespace {

bool IsAt(ErrorState& state, const Text& path, const FileIdentity& identity) {
  return IdentityOf(state, path) == identity;
}

bool IsFree(ErrorState& state, const Text& path) {
  return !IdentityOf(state, path).Exists();
}

// A file under a name of the journal's that is not the one it recorded was put there or
// changed by another hand.
void NoteIfThere(ErrorState& state, const Text& path, JournalOutcome& outcome) {
  if (!IsFree(state, path)) outcome.leftAlone.push_back(path);
}

// Each step whose file is where the journal left it, and whose new name is free, is made;
// one made already is passed over. False when the disk refused a step.
bool GoForward(ErrorState& state, const Journal& journal, JournalOutcome& outcome) {
  for (const JournalStep& step : journal.steps) {
    if (IsAt(state, step.to, step.identity)) continue;
    if (!IsAt(state, step.from, step.identity)) {
      NoteIfThere(state, step.from, outcome);
    } else if (!IsFree(state, step.to)) {
      outcome.leftAlone.push_back(step.to);
    } else {
      RenameWithoutReplacing(state, step.from, step.to);
    }
    if (state.number != 0) return false;
  }
  return true;
}

// The steps made are turned back, the last first, and the staged files then removed. A file
// the release would have replaced stands where it stood until the step that keeps it is
// made, so a step not made is no change, unless what it moves is another file since.
bool GoBack(ErrorState& state, const Journal& journal, JournalOutcome& outcome) {
  for (auto step = journal.steps.rbegin(); step != journal.steps.rend(); ++step) {
    if (IsAt(state, step->to, step->identity)) {
      if (IsFree(state, step->from)) {
        RenameWithoutReplacing(state, step->to, step->from);
      } else {
        outcome.leftAlone.push_back(step->from);
      }
    } else if (step->kind != JournalStep::Kind::kPlace &&
               !IsAt(state, step->from, step->identity)) {
      NoteIfThere(state, step->to, outcome);
    }
    if (state.number != 0) return false;
  }
  for (const JournalStep& step : journal.steps) {
    if (step.kind != JournalStep::Kind::kPlace || !IsAt(state, step.from, step.identity)) continue;
    RemoveFile(state, step.from);
    if (state.number != 0) return false;
  }
  return true;
}

// A commit's steps are made as the journal lists them, each file just looked at: a rename
// refuses a name that is taken, and a step refused turns the commit back.
bool MakeEachStep(ErrorState& state, const Journal& journal) {
  for (const JournalStep& step : journal.steps) {
    RenameWithoutReplacing(state, step.from, step.to);
    if (state.number != 0) return false;
  }
  return true;
}

// Every file the journal places is still on the disk, staged or placed.
bool MayGoForward(ErrorState& state, const Journal& journal) {
  for (const JournalStep& step : journal.steps) {
    if (step.kind != JournalStep::Kind::kPlace) continue;
    if (!IsAt(state, step.from, step.identity) && !IsAt(state, step.to, step.identity)) {
      return false;
    }
  }
  return true;
}

bool SyncFolders(ErrorState& state, const Journal& journal) {
  std::set<Text> folders;
  for (const JournalStep& step : journal.steps) {
    folders.insert(dos::FolderOf(step.from));
    folders.insert(dos::FolderOf(step.to));
  }
  for (const Text& folder : folders) SyncFolderEntries(state, folder);
  return state.number == 0;
}

void RemoveDiscarded(ErrorState& state, const Journal& journal) {
  for (const JournalStep& step : journal.steps) {
    if (step.kind == JournalStep::Kind::kDiscard && IsAt(state, step.to, step.identity)) {
      RemoveFile(state, step.to);
    }
  }
}

bool Mark(ErrorState& state, const Text& path, Journal& journal, Journal::State done) {
  journal.state = done;
  WriteFileDurably(state, path, JournalText(journal));
  return state.number == 0;
}

// Finishes a journal that is committing: forward when it may, else back, and marks it so.
void Finish(ErrorState& state, const Text& path, Journal& journal, JournalOutcome& outcome) {
  outcome.way =
      MayGoForward(state, journal) ? JournalOutcome::Way::kForward : JournalOutcome::Way::kBack;
  const bool forward = outcome.way == JournalOutcome::Way::kForward;
  outcome.finished =
      (forward ? GoForward(state, journal, outcome) : GoBack(state, journal, outcome)) &&
      SyncFolders(state, journal) &&
      Mark(state, path, journal, forward ? Journal::State::kDone : Journal::State::kRolledBack);
  if (outcome.finished && forward) RemoveDiscarded(state, journal);
}

}  // namespace

Text JournalPathIn(const Text& target) {
  return target + "\\" + kDeployFolderName + "\\journal";
}

JournalOutcome CommitJournal(ErrorState& state, const Text& path, Journal journal) {
  JournalOutcome outcome;
  journal.state = Journal::State::kCommitting;
  // A journal that could not be written moved nothing: the error alone tells the caller, and a
  // recovery finds the staged files gone and turns it back.
  WriteFileDurably(state, path, JournalText(journal));
  if (state.number != 0) return outcome;
  outcome.way = JournalOutcome::Way::kForward;
  if (MakeEachStep(state, journal) && SyncFolders(state, journal) &&
      Mark(state, path, journal, Journal::State::kDone)) {
    RemoveDiscarded(state, journal);
    return outcome;
  }
  // The commit's own error is the one the caller reports; the turn back keeps its own.
  ErrorState back;
  outcome.way = JournalOutcome::Way::kBack;
  outcome.finished = GoBack(back, journal, outcome) && SyncFolders(back, journal) &&
                     Mark(back, path, journal, Journal::State::kRolledBack);
  return outcome;
}

// A journal is put in place whole, so one that is not is none the run wrote.
bool ReadJournal(ErrorState& state, const Text& path, Journal& journal) {
  if (!IdentityOf(state, path).Exists()) return false;
  const Text text = ReadSmallFile(state, path);
  return state.number == 0 && ReadJournalText(text, journal);
}

JournalOutcome RecoverJournal(ErrorState& state, const Text& path) {
  JournalOutcome outcome;
  Journal journal;
  if (!ReadJournal(state, path, journal)) {
    outcome.finished = state.number == 0;
    return outcome;
  }
  if (journal.state == Journal::State::kDone) RemoveDiscarded(state, journal);
  if (journal.state != Journal::State::kCommitting) return outcome;
  Finish(state, path, journal, outcome);
  return outcome;
}

}  // namespace quelb

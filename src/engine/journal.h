// A journal of renames that carries a release into place all or nothing. It is written and
// made to last before the first rename; then each rename is made, never replacing a file;
// then the folders are synced and the journal is marked done. A journal found unfinished
// (after a kill or a power cut) is finished: forward when every file that it places is still
// where it left it, back otherwise. Either way only files whose identity is what the journal
// recorded are moved; any other is left as it is and named in the outcome.
#pragma once

#include <vector>

#include "services/error.h"
#include "services/journal_files.h"
#include "services/text.h"

namespace quelb {

// The hidden folder of the unattended program in a target, which neither program delivers
// into or lists, and the journal in it.
inline constexpr const char* kDeployFolderName = ".quelb-deploy";
Text JournalPathIn(const Text& target);

struct JournalStep {
  // kPlace gives a staged file its final name; kKeep moves a file out of the way under a
  // kept name (the old one of a release, kept to undo it). A kept file of kDiscard is removed
  // once the journal is done.
  enum class Kind { kPlace, kKeep, kDiscard };
  Kind kind;
  Text from;
  Text to;
  FileIdentity identity;  // of the file that moves
};

struct Journal {
  enum class State { kCommitting, kDone, kRolledBack };
  State state = State::kCommitting;
  std::vector<JournalStep> steps;  // in the order they are made
};

// The journal as it is stored, and read back; false for a text that is not a whole journal.
Text JournalText(const Journal& journal);
bool ReadJournalText(const Text& text, Journal& journal);

struct JournalOutcome {
  enum class Way { kNothingToDo, kForward, kBack };
  Way way = Way::kNothingToDo;
  // The names the journal left as they are because another hand changed them since.
  std::vector<Text> leftAlone;
  // Whether the journal is finished; false when the disk refused a step, which the next
  // recovery takes up again.
  bool finished = true;
};

// Writes the journal at path, carries it out and marks it done. A step that fails turns the
// commit back, and the error stays stored.
JournalOutcome CommitJournal(ErrorState& state, const Text& path, Journal journal);

// Reads the journal at path; false when there is none, or none whole.
bool ReadJournal(ErrorState& state, const Text& path, Journal& journal);

// Finishes the journal at path when it is unfinished; a missing journal is nothing to do.
JournalOutcome RecoverJournal(ErrorState& state, const Text& path);

}  // namespace quelb

// What the unattended program does to a target beside a deploy: finish the release a deploy
// was ended in, and put the release before the last one back.
#pragma once

#include "deploy/receipt.h"
#include "engine/journal.h"

namespace quelb::deploy {

// The journal that puts back what the last release replaced, from the journal that placed it:
// each file it placed is discarded and the old one it kept takes its name again. A file
// changed since the release is not in it, and stays as it is.
Journal UndoJournalOf(ErrorState& errors, const Journal& release);

// The receipt once the release is undone: it names the release undone, and no longer records
// a delivery whose file the release placed, nor the names it left out; those are to be
// delivered again.
Receipt ReceiptAfterUndo(Receipt receipt, const Journal& release);

}  // namespace quelb::deploy

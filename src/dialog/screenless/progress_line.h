// The dialog with no screen, for the program that runs without an operator: its dialogs hold
// their texts and show nothing, and what the run writes to a label goes to standard error as
// one line kept current, only when standard error is a terminal. It never reads input.
#pragma once

#include "services/text.h"

namespace quelb::dialog::screenless {

// True when the progress line is shown: standard error is a terminal.
bool ProgressLineShown();
// Figures shown before the status text, kept until others come; the line is shown again.
void ShowProgressFigures(const Text& figures);

// Ends the progress line, when one was written, so that what follows starts a line of its own.
void EndProgressLine();

}  // namespace quelb::dialog::screenless

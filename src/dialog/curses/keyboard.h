// What the dialog manager's keyboard handling does, in the terminal: the focus, the tab
// order, Enter, Esc, mnemonics, and the editing keys of the text boxes.
#pragma once

#include "dialog/curses/dialog_record.h"
#include "dialog/curses/screen.h"

namespace quelb::dialog::curses {

// The first tab stop takes the focus; a text box then has its whole text selected.
void FocusFirstTabStop(Record& record);

// Nothing may touch the record after a command is sent: the callback may have ended it.
void HandleKey(Record& record, const Key& key);

}  // namespace quelb::dialog::curses

// Painting the open dialogs in the terminal, the last one on top.
#pragma once

#include <vector>

#include "dialog/curses/dialog_record.h"

namespace quelb::dialog::curses {

// Paints every dialog of the stack and puts the cursor where the top one has the focus, or,
// when the terminal is too small for them, says so instead. With whole set the terminal is
// painted anew, as after a resize or after a started program had it.
void Paint(const std::vector<Record*>& stack, bool whole);

// False while the terminal is too small for a dialog of the stack.
bool Fits(const std::vector<Record*>& stack);

// The lines of a label's text and the cells they are drawn in: its own rectangle when the
// text fits there, else the free cells to its right up to the next control on its row (one
// cell apart) or the frame, and the free rows below.
struct LabelLayout {
  CellRect area;
  std::vector<std::string> lines;
};
LabelLayout LayOutLabel(const Record& record, const Control& label);

}  // namespace quelb::dialog::curses

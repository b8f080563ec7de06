// The dialog layer and message boxes drawn in a terminal with curses, for a machine without a
// display, connected when standard input and output are a terminal that curses knows how to
// drive. Dialog units become character cells (9 horizontal units per two columns, 8 vertical
// units per row), so the installer dialog fits an 80 x 24 terminal; a pixel of this backend
// is one cell. The keyboard does what the dialog manager's does: Tab order, Enter, Esc,
// Alt+letter (also sent as Esc then the letter) and, away from the text boxes, the letter
// alone. The terminal description header, which defines a macro for every capability name,
// is included here only.
#include "dialog/backend.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include "dialog/curses/layer.h"

namespace quelb::dialog::curses {
namespace {

bool TerminalAvailable() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
  int error = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &error) != OK) return false;
  del_curterm(cur_term);
  return true;
}

}  // namespace

const LayerBackend* Connect() {
  static const LayerBackend backend{MakeDialog,     AddControl,     ShowModal,     EndDialog,
                                    GetControlText, SetControlText, ShowMessageBox};
  return TerminalAvailable() ? &backend : nullptr;
}

}  // namespace quelb::dialog::curses

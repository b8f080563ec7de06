// Kept apart: the terminal description header defines a macro for every capability name.
#include <curses.h>
#include <term.h>
#include <unistd.h>

#include "dialog/curses/backend.h"

namespace quelb::dialog::curses {

bool TerminalAvailable() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
  int error = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &error) != OK) return false;
  del_curterm(cur_term);
  return true;
}

}  // namespace quelb::dialog::curses

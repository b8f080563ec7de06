// The terminal under curses: taken when the first dialog is shown, given back when the last
// one has ended, and set back on every way out of the process, a signal included.
#pragma once

namespace quelb::dialog::curses {

// Takes the terminal; the first call also sets up curses and the ways out.
void StartScreen();
// Gives the terminal back as it was; false when it was not taken.
bool StopScreen();

struct Key {
  int code;  // a byte, a curses key code, or ERR when none came
  bool alt;  // held with Alt, or sent after Esc as terminals send Alt
};

// The next key, waiting at most 1 ms for one.
Key ReadKey();

}  // namespace quelb::dialog::curses

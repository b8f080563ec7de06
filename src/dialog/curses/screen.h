// The terminal under curses: taken when the first dialog is shown, given back when the last
// one has ended, and set back on every way out of the process, a signal included, with its
// marking of pasted text switched off again.
#pragma once

#include <string>

namespace quelb::dialog::curses {

// Takes the terminal; the first call also sets up curses and the ways out.
void StartScreen();
// Gives the terminal back as it was; false when it was not taken.
bool StopScreen();

// The code of a text pasted into the terminal, which comes whole as one key.
inline constexpr int kPasted = 0x7F02;

struct Key {
  int code;            // a byte, a curses key code, kPasted, or ERR when none came
  bool alt;            // held with Alt, or sent after Esc as terminals send Alt
  std::string pasted;  // the bytes of a paste, as the terminal sent them
};

// The next key, waiting at most 1 ms for one. The terminal marks what is pasted (bracketed
// paste), so that a paste is never taken for keys.
Key ReadKey();

}  // namespace quelb::dialog::curses

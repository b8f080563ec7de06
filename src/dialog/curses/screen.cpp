#include "dialog/curses/screen.h"

#include <curses.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace quelb::dialog::curses {
namespace {

constexpr int kEscape = 27;
// Long enough for the keys that a terminal sends as a sequence to arrive whole over a remote
// shell, short enough that Esc alone answers at once.
constexpr int kEscapeDelayMs = 100;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

bool started = false;
volatile std::sig_atomic_t active = 0;

void EndCurses() {
  if (!active) return;
  active = 0;
  curs_set(1);
  endwin();
}

void EndAndRaise(int number) {
  EndCurses();
  std::signal(number, SIG_DFL);
  std::raise(number);
}

// Installed before curses starts, so that curses keeps to its own handlers for the others. A
// signal that the process was told to ignore stays ignored.
void InstallWaysOut() {
  std::atexit(EndCurses);
  for (const int number : kSignals) {
    struct sigaction current {};
    sigaction(number, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction handler {};
    handler.sa_handler = EndAndRaise;
    sigemptyset(&handler.sa_mask);
    sigaction(number, &handler, nullptr);
  }
}

void SetUpCurses() {
  std::setlocale(LC_CTYPE, "");
  InstallWaysOut();
  if (newterm(nullptr, stdout, stdin) == nullptr) {
    std::fputs("setup: the terminal cannot be driven\n", stderr);
    std::_Exit(255);
  }
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(kEscapeDelayMs);
  wtimeout(stdscr, 1);
}

}  // namespace

void StartScreen() {
  if (active) return;
  if (!started) {
    started = true;
    SetUpCurses();
  }
  active = 1;
}

bool StopScreen() {
  if (!active) return false;
  EndCurses();
  return true;
}

Key ReadKey() {
  const int code = wgetch(stdscr);
  if (code != kEscape) return Key{code, false};
  // Esc and a key that is already waiting are that key with Alt.
  wtimeout(stdscr, 0);
  const int next = wgetch(stdscr);
  wtimeout(stdscr, 1);
  return next == ERR ? Key{kEscape, false} : Key{next, true};
}

}  // namespace quelb::dialog::curses

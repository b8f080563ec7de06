#include "dialog/curses/screen.h"

#include <curses.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quelb::dialog::curses {
namespace {

constexpr int kEscape = 27;
// Long enough for the keys that a terminal sends as a sequence to arrive whole over a remote
// shell, short enough that Esc alone answers at once.
constexpr int kEscapeDelayMs = 100;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The terminal sends a paste between these two, once asked to with the first sequence below.
constexpr const char* kPasteStart = "\033[200~";
constexpr const char* kPasteEnd = "\033[201~";
constexpr int kPasteStartCode = 0x7F00;
constexpr int kPasteEndCode = 0x7F01;
constexpr char kMarkPastes[] = "\033[?2004h";
constexpr char kStopMarkingPastes[] = "\033[?2004l";
// A paste whose end mark is lost ends after a second without a byte.
constexpr int kPasteIdleReads = 1000;

bool started = false;
volatile std::sig_atomic_t active = 0;

// Written straight to the terminal, as a signal handler may.
void WriteToTerminal(const char* text, size_t size) {
  const ssize_t ignored = write(STDOUT_FILENO, text, size);
  (void)ignored;
}

void EndCurses() {
  if (!active) return;
  active = 0;
  curs_set(1);
  endwin();
  WriteToTerminal(kStopMarkingPastes, sizeof kStopMarkingPastes - 1);
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
  define_key(kPasteStart, kPasteStartCode);
  define_key(kPasteEnd, kPasteEndCode);
}

// The bytes up to the end mark; keys that curses made of sequences inside it are left out.
std::string ReadPaste() {
  std::string pasted;
  for (int idle = 0; idle < kPasteIdleReads;) {
    const int code = wgetch(stdscr);
    if (code == kPasteEndCode) break;
    idle = code == ERR ? idle + 1 : 0;
    if (code >= 0 && code <= 0xFF) pasted += static_cast<char>(code);
  }
  return pasted;
}

}  // namespace

void StartScreen() {
  if (active) return;
  if (!started) {
    started = true;
    SetUpCurses();
  }
  active = 1;
  WriteToTerminal(kMarkPastes, sizeof kMarkPastes - 1);
}

bool StopScreen() {
  if (!active) return false;
  EndCurses();
  return true;
}

Key ReadKey() {
  const int code = wgetch(stdscr);
  if (code == kPasteStartCode) return Key{kPasted, false, ReadPaste()};
  if (code != kEscape) return Key{code, false, {}};
  // Esc and a key that is already waiting are that key with Alt.
  wtimeout(stdscr, 0);
  const int next = wgetch(stdscr);
  wtimeout(stdscr, 1);
  return next == ERR ? Key{kEscape, false, {}} : Key{next, true, {}};
}

}  // namespace quelb::dialog::curses

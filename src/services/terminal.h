// The terminal, while a dialog backend draws on it. A program that the installer starts and
// waits for gets the terminal for as long as it runs, as it would get a window of its own, and
// a process that ends at once gives it back first.
#pragma once

namespace quelb {

struct TerminalHolder {
  bool (*giveUp)();  // false when the terminal was not held
  void (*takeBack)();
};

// Installed by the backend that draws on the terminal; no holder means nobody draws on it.
void SetTerminalHolder(TerminalHolder holder);

// True when the terminal was held and is now given up.
bool GiveUpTerminal();
void TakeBackTerminal();

// Lends the terminal for the loan's lifetime.
class TerminalLoan {
 public:
  TerminalLoan() : lent_(GiveUpTerminal()) {}
  ~TerminalLoan() {
    if (lent_) TakeBackTerminal();
  }
  TerminalLoan(const TerminalLoan&) = delete;
  TerminalLoan& operator=(const TerminalLoan&) = delete;

 private:
  bool lent_;
};

}  // namespace quelb

#include "services/error.h"

#include <array>
#include <cstdlib>

#include "services/terminal.h"

namespace quelb {
namespace {

// Error numbers of the Windows codes 0 to 39; 0 is "a failure that carries the number 0".
constexpr std::array<ErrorNumber, 40> kLowCodes = {
    51,                     //  0
    75, 53,  76, 67,  70,   //  1 invalid function .. 5 access denied
    51, 241, 7,  241, 241,  //  6 invalid handle .. 10 bad environment
    51, 51,  51, 7,   68,   // 11 bad format .. 15 invalid drive
    75, 74,  53, 70,  68,   // 16 current directory .. 20 bad unit
    71, 51,  72, 51,  72,   // 21 not ready .. 25 seek
    72, 72,  72, 72,  72,   // 26 not DOS disk .. 30 read fault
    72, 70,  70, 72,  72,   // 31 gen failure .. 35
    70, 75,  62, 61,        // 36 sharing buffer exceeded .. 39 handle disk full
};

}  // namespace

ErrorNumber ErrorNumberOfWindowsCode(uint32_t windowsCode) {
  if (windowsCode < kLowCodes.size()) return kLowCodes[windowsCode];
  if (windowsCode == 87) return 5;
  if (windowsCode == 112) return 61;
  return 75;
}

void StoreError(ErrorState& state, ErrorNumber number, int rawCode) {
  if (number >= kFirstFatalNumber) {
    // The process ends without its exit handlers, so the terminal is given back here.
    GiveUpTerminal();
    std::_Exit(kFatalExitCode);
  }
  state.number = number;
  state.pending = true;
  state.rawCode = rawCode;
}

void StoreWindowsError(ErrorState& state, uint32_t windowsCode, int rawCode) {
  StoreError(state, ErrorNumberOfWindowsCode(windowsCode), rawCode);
}

ErrorNumber TakeError(ErrorState& state) {
  const ErrorNumber number = state.number;
  state.number = 0;
  state.pending = false;
  state.rawCode = 0;
  return number;
}

void ClearError(ErrorState& state) {
  TakeError(state);
}

void SetErrorTrap(ErrorState& state, TrapPlace place) {
  state.trap = place;
  state.pending = false;
}

bool ErrorTrapSprung(ErrorState& state) {
  const bool sprung = state.pending && state.trap != kNoTrap;
  state.pending = false;
  return sprung;
}

}  // namespace quelb

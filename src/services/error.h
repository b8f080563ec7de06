// Error numbers and the error state of a routine. A failing service stores its number in the
// calling routine's state; the logic takes it at its fixed points.
#pragma once

#include <cstdint>

#include "services/error_numbers.h"

namespace quelb {

// A place in the logic where execution continues after a failure; 0 is no trap.
using TrapPlace = int;
inline constexpr TrapPlace kNoTrap = 0;

struct ErrorState {
  ErrorNumber number = 0;
  bool pending = false;
  TrapPlace trap = kNoTrap;
  // The platform's own code behind the number (errno on POSIX, GetLastError on Windows),
  // kept for diagnostics only.
  int rawCode = 0;
};

// The exit code of a process ended by a fatal error number, or unable to start at all.
inline constexpr int kFatalExitCode = 255;

// What a fatal number does: it ends the process with its exit code and does not return. By
// default the terminal is given back and the exit code is kFatalExitCode; a program of its own
// installs another end.
using FatalEnd = void (*)(ErrorNumber number);
// Installs the end and returns the one it replaces.
FatalEnd SetFatalEnd(FatalEnd end);

// Stores a number given by the layer itself, or by the mapping.
void StoreError(ErrorState& state, ErrorNumber number, int rawCode = 0);
// Stores the number that a Windows error code maps to.
void StoreWindowsError(ErrorState& state, uint32_t windowsCode, int rawCode);
ErrorNumber ErrorNumberOfWindowsCode(uint32_t windowsCode);

ErrorNumber TakeError(ErrorState& state);
void ClearError(ErrorState& state);
void SetErrorTrap(ErrorState& state, TrapPlace place);

// Called by the logic after each operation: clears the pending mark and tells whether an
// installed trap must now take over.
bool ErrorTrapSprung(ErrorState& state);

}  // namespace quelb

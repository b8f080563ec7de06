// The thread library under the C++ runtime asks the system for GetTickCount64, which Windows
// XP does not have, and a program that imports it does not start there. This file answers
// that import itself: with the system's own function where there is one (Vista on), and on
// XP with a count made from GetTickCount that goes on past its wrap every 49.7 days. The
// thread library's timed waits read it (each pause before a message box is one) and wait
// until it passes their end: a count that wrapped inside such a wait would hold the program
// for 49.7 days.
// Declared for XP, so that the system's GetTickCount64 is not declared here beside this one.
#define _WIN32_WINNT 0x0501
#include <windows.h>

#include "startup/main/kernel32_function.h"
#include "startup/main/wide_tick_count.h"

namespace {

constinit quelb::WideTickCount xp_tick_count;

ULONGLONG WINAPI TickCount64() {
  using TickCountFunction = ULONGLONG(WINAPI*)();
  if (const auto system = quelb::Kernel32Function<TickCountFunction>("GetTickCount64")) {
    return system();
  }
  return xp_tick_count.Read([] { return GetTickCount(); });
}

}  // namespace

// The import slot that callers of GetTickCount64 read, named as the linker names it, so that
// the linker takes this one and leaves the system's out of the import table.
extern "C" {
extern ULONGLONG(WINAPI* ImportedTickCount64)() __asm__("__imp__GetTickCount64@0");
ULONGLONG(WINAPI* ImportedTickCount64)() = TickCount64;
}

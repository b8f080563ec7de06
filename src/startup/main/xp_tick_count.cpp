// The thread library under the C++ runtime asks the system for GetTickCount64, which Windows
// XP does not have, and a program that imports it does not start there. This file answers
// that import itself: with the system's own function where there is one (Vista on), and on
// XP with GetTickCount, which wraps after 49 days. Only timed waits of the thread library
// read it, and the program has one thread that makes none.
// Declared for XP, so that the system's GetTickCount64 is not declared here beside this one.
#define _WIN32_WINNT 0x0501
#include <windows.h>

namespace {

ULONGLONG WINAPI TickCount64() {
  using TickCountFunction = ULONGLONG(WINAPI*)();
  const auto system = reinterpret_cast<TickCountFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
  return system != nullptr ? system() : GetTickCount();
}

}  // namespace

// The import slot that callers of GetTickCount64 read, named as the linker names it, so that
// the linker takes this one and leaves the system's out of the import table.
extern "C" {
extern ULONGLONG(WINAPI* ImportedTickCount64)() __asm__("__imp__GetTickCount64@0");
ULONGLONG(WINAPI* ImportedTickCount64)() = TickCount64;
}

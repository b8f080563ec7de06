// The platform call discipline of the Win32 backend. Every file, folder, listing and process
// call of the services is made through Call: the critical-error and open-file boxes are off
// for the call, and the last error is cleared before it and read after it. The error mode is
// the process's, so this holds only because the program has one thread.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

#include "services/error.h"
#include "services/text.h"

namespace quelb::win32 {

inline constexpr UINT kNoPlatformBoxes = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Makes the call and returns the last error it left; the call's own result is whatever the
// callable stores for itself.
template <typename Callable>
DWORD Call(Callable&& callable) {
  const UINT saved = SetErrorMode(kNoPlatformBoxes);
  SetLastError(0);
  std::forward<Callable>(callable)();
  const DWORD error = GetLastError();
  SetErrorMode(saved);
  return error;
}

// A call failed when it said so or left a last error; the number is the mapped last error,
// 51 when the platform gave none. Returns whether the call succeeded.
bool Succeeded(ErrorState& state, bool returnedSuccess, DWORD error);

}  // namespace quelb::win32

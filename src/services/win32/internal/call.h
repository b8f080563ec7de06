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

// A handle that is closed through Call when it goes, or before.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~OwnedHandle() { Close(); }
  OwnedHandle(OwnedHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  void Close() {
    if (Valid()) Call([&] { CloseHandle(handle_); });
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

}  // namespace quelb::win32

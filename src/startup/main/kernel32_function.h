#pragma once

#include <windows.h>

namespace quelb {

// A function of kernel32.dll that a later Windows added, looked up when the program runs, so
// that the program still starts on a Windows without it: null there.
template <typename Function>
Function Kernel32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

}  // namespace quelb

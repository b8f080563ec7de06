// What the layer keeps for each dialog it created.
#pragma once

#include <cstdint>

#include "dialog/win32/windows_api.h"

namespace quelb::dialog {

// Records are kept for the whole process, so a handle stays valid after its dialog ended and
// ending it again finds the window gone instead of freed memory.
struct Dialog {
  HWND window = nullptr;
  Unit unit = Unit::kDialogUnits;
  HFONT font = nullptr;
  DialogCallback callback = nullptr;  // attached by show modal
  int32_t* result = nullptr;
  int showState = SW_SHOW;
  bool modal = false;
  bool ending = false;
};

namespace win32 {

Dialog* NewDialogRecord();

// The dialog's window while it exists, otherwise null.
HWND LiveWindowOf(const Dialog* dialog);

// The window that owns the dialog, null for a top-level dialog.
HWND OwnerOf(HWND window);

// Handles are 32-bit values, also in a 64-bit process, so they fit the callback's parameters.
inline uint32_t HandleValue(HWND window) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}

// The layer's own dialog procedure, through which messages reach the callback.
INT_PTR CALLBACK LayerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace win32
}  // namespace quelb::dialog

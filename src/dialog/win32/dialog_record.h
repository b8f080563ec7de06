// What the Win32 backend keeps for each dialog it created, beyond what every backend keeps: the
// dialog manager keeps the controls.
#pragma once

#include <cstdint>

#include "dialog/dialog_record.h"
#include "dialog/win32/windows_api.h"

namespace quelb::dialog::win32 {

struct Record : Dialog {
  HWND window = nullptr;
  HFONT font = nullptr;
  int showState = SW_SHOW;
  bool modal = false;
};

// The handles that this backend gives out stand for its own records.
inline Record* RecordOf(DialogHandle dialog) {
  return static_cast<Record*>(dialog);
}

// The dialog's window while it exists, otherwise null.
HWND LiveWindowOf(DialogHandle dialog);

// The window that owns the dialog, null for a top-level dialog.
HWND OwnerOf(HWND window);

// Handles are 32-bit values, also in a 64-bit process, so they fit the callback's parameters.
inline uint32_t HandleValue(HWND window) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}

// The layer's own dialog procedure, through which messages reach the callback.
INT_PTR CALLBACK LayerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quelb::dialog::win32

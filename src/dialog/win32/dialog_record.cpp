#include "dialog/win32/dialog_record.h"

namespace quelb::dialog::win32 {

HWND LiveWindowOf(DialogHandle dialog) {
  const Record* record = RecordOf(dialog);
  if (record == nullptr || record->window == nullptr || !IsWindow(record->window)) return nullptr;
  return record->window;
}

HWND OwnerOf(HWND window) {
  return reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT));
}

}  // namespace quelb::dialog::win32

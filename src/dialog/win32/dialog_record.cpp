#include "dialog/win32/dialog_record.h"

#include <memory>
#include <vector>

namespace quelb::dialog::win32 {

Dialog* NewDialogRecord() {
  static std::vector<std::unique_ptr<Dialog>> records;
  records.push_back(std::make_unique<Dialog>());
  return records.back().get();
}

HWND LiveWindowOf(const Dialog* dialog) {
  if (dialog == nullptr || dialog->window == nullptr || !IsWindow(dialog->window)) return nullptr;
  return dialog->window;
}

HWND OwnerOf(HWND window) {
  return reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT));
}

}  // namespace quelb::dialog::win32

#include "dialog/fltk/dialog_record.h"

#include <memory>

namespace quelb::dialog::fltk {

uint32_t NextHandle() {
  static uint32_t last = 0x10000;
  return ++last;
}

Dialog* NewDialogRecord() {
  static std::vector<std::unique_ptr<Dialog>> records;
  records.push_back(std::make_unique<Dialog>());
  records.back()->handle = NextHandle();
  return records.back().get();
}

ControlEntry* FindControl(Dialog* dialog, int id) {
  if (dialog == nullptr) return nullptr;
  for (ControlEntry& control : dialog->controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

int32_t SendToCallback(Dialog* dialog, uint32_t message, uint32_t wParam, uint32_t lParam) {
  if (dialog == nullptr || dialog->callback == nullptr) return 0;
  return dialog->callback(dialog, message, wParam, lParam);
}

void SendCommand(Dialog* dialog, int id, uint32_t code) {
  const ControlEntry* control = FindControl(dialog, id);
  const uint32_t wParam = (code << 16) | (static_cast<uint32_t>(id) & 0xFFFF);
  SendToCallback(dialog, WM_COMMAND, wParam, control ? control->handle : 0);
}

}  // namespace quelb::dialog::fltk

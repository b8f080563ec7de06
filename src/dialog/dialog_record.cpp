#include "dialog/dialog_record.h"

#include <vector>

namespace quelb::dialog {

uint32_t NextHandle() {
  static uint32_t last = 0x10000;
  return ++last;
}

Dialog* KeepForTheProcess(std::unique_ptr<Dialog> record) {
  static std::vector<std::unique_ptr<Dialog>> records;
  record->handle = NextHandle();
  records.push_back(std::move(record));
  return records.back().get();
}

int32_t SendToCallback(Dialog* dialog, uint32_t message, uint32_t wParam, uint32_t lParam) {
  if (dialog == nullptr || dialog->callback == nullptr) return 0;
  return dialog->callback(dialog, message, wParam, lParam);
}

}  // namespace quelb::dialog

#include "dialog/curses/dialog_record.h"

#include <memory>

namespace quelb::dialog::curses {
uint32_t NextHandle() {
  static uint32_t last = 0x10000;
  return ++last;
}

Record* NewRecord() {
  static std::vector<std::unique_ptr<Record>> records;
  records.push_back(std::make_unique<Record>());
  records.back()->handle = NextHandle();
  return records.back().get();
}

DialogHandle HandleOf(Record* record) {
  return reinterpret_cast<DialogHandle>(record);
}

Record* LiveRecord(DialogHandle dialog) {
  Record* record = reinterpret_cast<Record*>(dialog);
  return record != nullptr && record->live ? record : nullptr;
}

Control* FindControl(Record* record, int id) {
  if (record == nullptr) return nullptr;
  for (Control& control : record->controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

int32_t SendToCallback(Record* record, uint32_t message, uint32_t wParam, uint32_t lParam) {
  if (record == nullptr || record->callback == nullptr) return 0;
  return record->callback(HandleOf(record), message, wParam, lParam);
}

void SendCommand(Record* record, int id, uint32_t code) {
  const Control* control = FindControl(record, id);
  const uint32_t wParam = (code << 16) | (static_cast<uint32_t>(id) & 0xFFFF);
  SendToCallback(record, WM_COMMAND, wParam, control ? control->handle : 0);
}

}  // namespace quelb::dialog::curses

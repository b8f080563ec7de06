// The record behind a dialog handle: what every backend keeps for a dialog it created, and the
// ways messages reach the dialog's callback. A backend's own record, in the backend's
// namespace, derives from it and adds its toolkit's window and controls; the layer's callers
// see only the handle.
#pragma once

#include <cstdint>
#include <memory>

#include "dialog/layer.h"

namespace quelb::dialog {

struct Dialog {
  virtual ~Dialog() = default;

  uint32_t handle = 0;  // the window handle number, as the callback sees handles
  Unit unit = Unit::kDialogUnits;
  DialogCallback callback = nullptr;  // attached by show modal
  int32_t* result = nullptr;          // where ending the dialog stores its result
  bool ending = false;
};

// A fresh window handle number, for a dialog or a control.
uint32_t NextHandle();

// Keeps the record as long as the process lives and gives it a fresh handle number. So a
// handle stays valid after its dialog ended, and ending it again finds it ended instead of
// freed memory.
Dialog* KeepForTheProcess(std::unique_ptr<Dialog> record);

template <class Record>
Record* NewRecord() {
  return static_cast<Record*>(KeepForTheProcess(std::make_unique<Record>()));
}

// The control with the id among those a backend's record keeps, or null when there is no
// record or it has no such control (an ended dialog has none).
template <class Record>
auto FindControl(Record* record, int id) -> decltype(&record->controls.front()) {
  if (record == nullptr) return nullptr;
  for (auto& control : record->controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

// Calls the attached callback; 0 (not handled) when none is attached.
int32_t SendToCallback(Dialog* dialog, uint32_t message, uint32_t wParam, uint32_t lParam);

// WM_COMMAND with the id in the low and the code in the high 16 bits and, as the dialog
// manager does, the handle of the control with that id (0 when there is none).
template <class Record>
void SendCommand(Record* record, int id, uint32_t code) {
  const auto* control = FindControl(record, id);
  const uint32_t wParam = (code << 16) | (static_cast<uint32_t>(id) & 0xFFFF);
  SendToCallback(record, WM_COMMAND, wParam, control != nullptr ? control->handle : 0);
}

}  // namespace quelb::dialog

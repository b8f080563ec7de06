// A dialog layer that holds the texts of its controls in memory, for tests of the logic.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "dialog/dialog_record.h"
#include "dialog/layer.h"

namespace quelb::dialog {

struct ControlRecord {
  ControlKind kind;
  int id;
  Text text;
  int x, y, width, height;
  uint32_t style, exStyle;
};

}  // namespace quelb::dialog

namespace quelb::testing {

// The record behind each handle that the double gives out.
struct DialogDouble : dialog::Dialog {
  Text title;
  int x = 0, y = 0, width = 0, height = 0;
  uint32_t style = 0, exStyle = 0;
  std::vector<dialog::ControlRecord> controls;
  // Every text written to a control, in order, by control id.
  std::map<int, std::vector<Text>> writes;
  bool ended = false;
  int32_t endResult = 0;
  int endCount = 0;
};

DialogDouble* DoubleOf(dialog::DialogHandle dialog);

// What the operator does while the dialog is shown modally: it may send messages through
// the callback. When it returns and the dialog is still open, the double ends it with 0.
using ModalScript = std::function<void(DialogDouble*, dialog::DialogCallback)>;
void SetModalScript(ModalScript script);

// The dialogs created so far, newest last; they live until ForgetDialogs.
const std::vector<DialogDouble*>& CreatedDialogs();
void ForgetDialogs();

// A dialog with just what an update run reads and writes: the two text boxes and the status
// line.
DialogDouble* RunDialog(const Text& sourceBox, const Text& targetBox);

}  // namespace quelb::testing

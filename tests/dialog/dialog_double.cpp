#include "dialog/dialog_double.h"

#include <memory>

#include "engine/engine.h"

namespace quelb::testing {
namespace {

std::vector<std::unique_ptr<DialogDouble>>& Owned() {
  static std::vector<std::unique_ptr<DialogDouble>> owned;
  return owned;
}

std::vector<DialogDouble*>& Handles() {
  static std::vector<DialogDouble*> handles;
  return handles;
}

ModalScript& Script() {
  static ModalScript script;
  return script;
}

}  // namespace

DialogDouble* DoubleOf(dialog::DialogHandle dialog) {
  return static_cast<DialogDouble*>(dialog);
}

void SetModalScript(ModalScript script) {
  Script() = std::move(script);
}

const std::vector<DialogDouble*>& CreatedDialogs() {
  return Handles();
}

void ForgetDialogs() {
  Handles().clear();
  Owned().clear();
}

DialogDouble* RunDialog(const Text& sourceBox, const Text& targetBox) {
  using dialog::ControlKind;
  const dialog::DialogHandle handle =
      dialog::MakeDialog(dialog::Unit::kDialogUnits, nullptr, "QUELB", dialog::kCentred,
                         dialog::kCentred, 350, 90, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_SOURCE, sourceBox, 70, 5, 100, 12, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_TARGET, targetBox, 70, 20, 100, 12, 0, 0);
  dialog::AddControl(ControlKind::kLabel, handle, IDC_STATUS, "", 70, 35, 220, 10, 0, 0);
  return DoubleOf(handle);
}

}  // namespace quelb::testing

namespace quelb::dialog {

DialogHandle MakeDialog(Unit unit, DialogHandle, const Text& title, int x, int y, int width,
                        int height, uint32_t style, uint32_t exStyle) {
  auto created = std::make_unique<testing::DialogDouble>();
  const bool centred = x == kCentred || y == kCentred;
  created->unit = unit;
  created->title = title;
  created->x = centred ? 0 : x;
  created->y = centred ? 0 : y;
  created->width = width;
  created->height = height;
  created->style = EffectiveDialogStyle(style, centred);
  created->exStyle = exStyle;
  testing::Handles().push_back(created.get());
  testing::Owned().push_back(std::move(created));
  return testing::Handles().back();
}

void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle) {
  const ControlStyle effective = EffectiveControlStyle(kind, style, exStyle);
  testing::DoubleOf(dialog)->controls.push_back(
      {kind, id, text, x, y, width, height, effective.style, effective.exStyle});
}

void ShowModal(DialogHandle handle, DialogCallback callback, int32_t* result) {
  testing::DialogDouble* dialog = testing::DoubleOf(handle);
  callback(dialog, WM_INITDIALOG, 0, 0);
  callback(dialog, WM_SIZE, 0, 0);
  if (testing::Script()) testing::Script()(dialog, callback);
  if (!dialog->ended) EndDialog(dialog, 0);
  if (result != nullptr) *result = dialog->endResult;
}

void EndDialog(DialogHandle handle, int32_t result) {
  testing::DialogDouble* dialog = testing::DoubleOf(handle);
  if (dialog->ended) return;
  dialog->ended = true;
  dialog->endResult = result;
  ++dialog->endCount;
}

Text GetControlText(DialogHandle dialog, int id) {
  const ControlRecord* control = FindControl(testing::DoubleOf(dialog), id);
  return control == nullptr ? Text{} : control->text;
}

void SetControlText(DialogHandle handle, int id, const Text& text) {
  testing::DialogDouble* dialog = testing::DoubleOf(handle);
  if (ControlRecord* control = FindControl(dialog, id)) control->text = text;
  dialog->writes[id].push_back(text);
}

}  // namespace quelb::dialog

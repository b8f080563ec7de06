#include "dialog/dialog_double.h"

#include <memory>

#include "engine/engine.h"

namespace quelb::testing {
namespace {

std::vector<std::unique_ptr<dialog::Dialog>>& Owned() {
  static std::vector<std::unique_ptr<dialog::Dialog>> owned;
  return owned;
}

std::vector<dialog::DialogHandle>& Handles() {
  static std::vector<dialog::DialogHandle> handles;
  return handles;
}

ModalScript& Script() {
  static ModalScript script;
  return script;
}

}  // namespace

void SetModalScript(ModalScript script) {
  Script() = std::move(script);
}

const std::vector<dialog::DialogHandle>& CreatedDialogs() {
  return Handles();
}

void ForgetDialogs() {
  Handles().clear();
  Owned().clear();
}

dialog::ControlRecord* FindControl(dialog::DialogHandle dialog, int id) {
  for (auto& control : dialog->controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

dialog::DialogHandle RunDialog(const Text& sourceBox, const Text& targetBox) {
  using dialog::ControlKind;
  const dialog::DialogHandle handle =
      dialog::MakeDialog(dialog::Unit::kDialogUnits, nullptr, "QUELB", dialog::kCentred,
                         dialog::kCentred, 350, 90, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_SOURCE, sourceBox, 70, 5, 100, 12, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_TARGET, targetBox, 70, 20, 100, 12, 0, 0);
  dialog::AddControl(ControlKind::kLabel, handle, IDC_STATUS, "", 70, 35, 220, 10, 0, 0);
  return handle;
}

}  // namespace quelb::testing

namespace quelb::dialog {

DialogHandle MakeDialog(Unit unit, DialogHandle, const Text& title, int x, int y, int width,
                        int height, uint32_t style, uint32_t exStyle) {
  auto created = std::make_unique<Dialog>();
  const bool centred = x == kCentred || y == kCentred;
  created->unit = unit;
  created->title = title;
  created->x = centred ? 0 : x;
  created->y = centred ? 0 : y;
  created->width = width;
  created->height = height;
  created->style = EffectiveDialogStyle(style, centred);
  created->exStyle = exStyle;
  DialogHandle handle = created.get();
  testing::Owned().push_back(std::move(created));
  testing::Handles().push_back(handle);
  return handle;
}

void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle) {
  const ControlStyle effective = EffectiveControlStyle(kind, style, exStyle);
  dialog->controls.push_back(
      {kind, id, text, x, y, width, height, effective.style, effective.exStyle});
}

void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result) {
  callback(dialog, WM_INITDIALOG, 0, 0);
  callback(dialog, WM_SIZE, 0, 0);
  if (testing::Script()) testing::Script()(dialog, callback);
  if (!dialog->ended) EndDialog(dialog, 0);
  if (result != nullptr) *result = dialog->endResult;
}

void EndDialog(DialogHandle dialog, int32_t result) {
  if (dialog->ended) return;
  dialog->ended = true;
  dialog->endResult = result;
  ++dialog->endCount;
}

Text GetControlText(DialogHandle dialog, int id) {
  const ControlRecord* control = testing::FindControl(dialog, id);
  return control == nullptr ? Text{} : control->text;
}

void SetControlText(DialogHandle dialog, int id, const Text& text) {
  ControlRecord* control = testing::FindControl(dialog, id);
  if (control != nullptr) control->text = text;
  dialog->writes[id].push_back(text);
}

}  // namespace quelb::dialog

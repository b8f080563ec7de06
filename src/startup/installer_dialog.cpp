#include "startup/installer_dialog.h"

#include <array>

#include "engine/engine.h"
#include "services/error.h"
#include "services/message.h"

namespace quelb {
namespace {

using dialog::ControlKind;

constexpr int kNoId = -1;
constexpr int kDialogWidth = 350;
constexpr int kDialogHeight = 90;

struct ControlPlace {
  ControlKind kind;
  int id;
  const Text InstallerTexts::*text;  // null for a fixed caption
  const char* caption;
  int x, y, width, height;
};

// Creation order is also the stacking and the tab order.
const std::array<ControlPlace, 11> kControls = {{
    {ControlKind::kLabel, kNoId, nullptr, "Load from Drive:", 5, 6, 60, 9},
    {ControlKind::kTextBox, IDC_SOURCE, &InstallerTexts::sourceDefault, "", 70, 5, 100, 12},
    {ControlKind::kLabel, kNoId, nullptr, "Install in Drv/Dir", 5, 21, 60, 9},
    {ControlKind::kTextBox, IDC_TARGET, &InstallerTexts::targetDefault, "", 70, 20, 100, 12},
    {ControlKind::kLabel, IDC_STATUS, nullptr, "", 70, 35, 220, 10},
    {ControlKind::kLabel, kNoId, &InstallerTexts::networkNote, "", 70, 50, 220, 10},
    {ControlKind::kLabel, kNoId, nullptr, "(Download path or Diskette or CDROM Drive)", 175, 6, 170,
     9},
    {ControlKind::kLabel, kNoId, &InstallerTexts::targetNote, "", 175, 21, 120, 9},
    {ControlKind::kEtchedLine, kNoId, nullptr, "", 5, 68, 290, 1},
    {ControlKind::kButton, IDCANCEL, nullptr, "&Cancel", 250, 74, 40, 14},
    {ControlKind::kButton, IDOK, &InstallerTexts::runCaption, "", 100, 74, 40, 14},
}};

}  // namespace

dialog::DialogHandle BuildInstallerDialog(const InstallerTexts& texts) {
  dialog::DialogHandle handle =
      dialog::MakeDialog(dialog::Unit::kDialogUnits, nullptr, texts.title, dialog::kCentred,
                         dialog::kCentred, kDialogWidth, kDialogHeight, 0, 0);
  for (const ControlPlace& place : kControls) {
    const Text caption = place.text != nullptr ? texts.*place.text : Text(place.caption);
    dialog::AddControl(place.kind, handle, place.id, caption, place.x, place.y, place.width,
                       place.height, 0, 0);
  }
  return handle;
}

int32_t InstallerDialogCallback(dialog::DialogHandle dialog, uint32_t message, uint32_t wParam,
                                uint32_t) {
  if (message != WM_COMMAND) return 0;
  const int id = static_cast<int>(wParam & 0xFFFF);
  if (id == IDCANCEL) {
    dialog::EndDialog(dialog, IDCANCEL);
  } else if (id == IDOK) {
    // The event routine's error state is fresh each time the routine is entered.
    ErrorState errors;
    if (UpdateRun(dialog, errors) == RunOutcome::kCompleted) dialog::EndDialog(dialog, 0);
  }
  return 0;
}

void RunInstallerDialog(const InstallerTexts& texts) {
  dialog::ShowModal(BuildInstallerDialog(texts), InstallerDialogCallback, nullptr);
}

}  // namespace quelb

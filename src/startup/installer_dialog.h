// The installer dialog: the program's only window, with its eleven controls and the callback
// that starts the update run.
#pragma once

#include "dialog/layer.h"
#include "services/text.h"

namespace quelb {

struct InstallerTexts {
  Text title;
  Text sourceDefault;
  Text targetDefault;
  Text networkNote;
  Text targetNote;
  Text runCaption;
};

// Creates the dialog hidden, with every control in creation order.
dialog::DialogHandle BuildInstallerDialog(const InstallerTexts& texts);

int32_t InstallerDialogCallback(dialog::DialogHandle dialog, uint32_t message, uint32_t wParam,
                                uint32_t lParam);

// Builds the dialog and shows it modally; returns once the dialog is gone.
void RunInstallerDialog(const InstallerTexts& texts);

}  // namespace quelb

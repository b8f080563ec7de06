// The dialog layer and message boxes drawn in a terminal with curses, for a machine without a
// display. Dialog units become character cells (9 horizontal units per two columns, 8
// vertical units per row), so the installer dialog fits an 80 x 24 terminal; a pixel of this
// backend is one cell. The keyboard does what the dialog manager's does: Tab order, Enter,
// Esc, Alt+letter (also sent as Esc then the letter) and, away from the text boxes, the
// letter alone.
#pragma once

#include "dialog/backend.h"

namespace quelb::dialog::curses {

// True when standard input and output are a terminal that curses knows how to drive.
bool TerminalAvailable();

const LayerBackend& Backend();

DialogHandle CreateDialog(Unit unit, DialogHandle owner, const Text& title, int x, int y, int width,
                          int height, uint32_t style, uint32_t exStyle);
void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle);
void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result);
void EndDialog(DialogHandle dialog, int32_t result);
Text GetControlText(DialogHandle dialog, int id);
void SetControlText(DialogHandle dialog, int id, const Text& text);
int ShowMessageBox(const Text& text, const Text& title, uint32_t style);

}  // namespace quelb::dialog::curses

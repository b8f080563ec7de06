// The dialog layer and message boxes on FLTK, as one backend among those a build may choose
// from when the program starts.
#pragma once

#include "dialog/backend.h"

namespace quelb::dialog::fltk {

// Opens the X display for the toolkit; false when there is none or the server refuses.
bool OpenDisplay();

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

}  // namespace quelb::dialog::fltk

// The dialog layer: dialogs built at run time from controls placed in dialog units, shown
// modally with a callback. One backend implements it per platform; tests link a double.
#pragma once

#include <cstdint>

#include "services/text.h"
#include "services/windows_constants.h"

namespace quelb::dialog {

struct Dialog;
using DialogHandle = Dialog*;

// The callback has the shape of a window procedure; 0 means "not handled".
using DialogCallback = int32_t (*)(DialogHandle dialog, uint32_t message, uint32_t wParam,
                                   uint32_t lParam);

enum class Unit { kDialogUnits, kPixels };
enum class ControlKind { kLabel, kTextBox, kEtchedLine, kButton };

// Either coordinate given as this value leaves the placement to the layer, which centres.
inline constexpr int kCentred = INT32_MIN;

inline constexpr uint32_t kDefaultDialogStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;

// A style of 0 stands for the default; these give the style a dialog or control really gets.
uint32_t EffectiveDialogStyle(uint32_t style, bool centred);
struct ControlStyle {
  uint32_t style;
  uint32_t exStyle;
};
ControlStyle EffectiveControlStyle(ControlKind kind, uint32_t style, uint32_t exStyle);
// The show state a dialog of the style is shown with (5 normal, 3 maximized, 6 minimized), and
// the size type that its WM_SIZE carries.
int ShowStateOf(uint32_t style);
uint32_t SizeTypeOf(int showState);

DialogHandle MakeDialog(Unit unit, DialogHandle owner, const Text& title, int x, int y, int width,
                        int height, uint32_t style, uint32_t exStyle);
void AddControl(ControlKind kind, DialogHandle dialog, int id, const Text& text, int x, int y,
                int width, int height, uint32_t style, uint32_t exStyle);
// Returns once the dialog window no longer exists; stores the end result where told to.
void ShowModal(DialogHandle dialog, DialogCallback callback, int32_t* result);
// Ending a dialog that no longer exists changes nothing.
void EndDialog(DialogHandle dialog, int32_t result);
// The control's whole current text, however long.
Text GetControlText(DialogHandle dialog, int id);
void SetControlText(DialogHandle dialog, int id, const Text& text);

}  // namespace quelb::dialog

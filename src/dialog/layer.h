// The dialog layer: dialogs built at run time from controls placed in dialog units, shown
// modally with a callback. One backend implements it per platform; tests link a double.
#pragma once

#include <cstdint>

#include "services/text.h"

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

inline constexpr uint32_t WM_SIZE = 5;
inline constexpr uint32_t WM_CLOSE = 16;
inline constexpr uint32_t WM_INITDIALOG = 272;
inline constexpr uint32_t WM_COMMAND = 273;
inline constexpr uint32_t WM_SYSCOMMAND = 274;
inline constexpr uint32_t SC_CLOSE = 0xF060;

inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;

inline constexpr uint32_t DS_SYSMODAL = 0x0002;
inline constexpr uint32_t DS_3DLOOK = 0x0004;
inline constexpr uint32_t DS_MODALFRAME = 0x0080;
inline constexpr uint32_t DS_NOFAILCREATE = 0x0010;
inline constexpr uint32_t DS_SETFONT = 0x0040;
inline constexpr uint32_t DS_CENTER = 0x0800;

inline constexpr uint32_t SS_LEFT = 0x0000;
inline constexpr uint32_t SS_ETCHEDFRAME = 0x0012;
inline constexpr uint32_t ES_LEFT = 0x0000;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;

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

DialogHandle CreateDialog(Unit unit, DialogHandle owner, const Text& title, int x, int y, int width,
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

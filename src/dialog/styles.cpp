// The style rules of the dialog layer, the same for every backend.
#include "dialog/layer.h"

namespace quelb::dialog {
namespace {

constexpr int kShowNormal = 5, kShowMaximized = 3, kShowMinimized = 6;

uint32_t DefaultControlStyle(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
      return WS_CHILD | WS_VISIBLE | SS_LEFT;
    case ControlKind::kTextBox:
      return WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
    case ControlKind::kEtchedLine:
      return WS_CHILD | WS_VISIBLE | SS_ETCHEDFRAME;
    case ControlKind::kButton:
      return WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  }
  return WS_CHILD | WS_VISIBLE;
}

}  // namespace

uint32_t EffectiveDialogStyle(uint32_t style, bool centred) {
  if (style == 0) style = kDefaultDialogStyle;
  style |= DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
  style &= ~(WS_VISIBLE | DS_SYSMODAL);
  if (centred) style |= DS_CENTER;
  return style;
}

ControlStyle EffectiveControlStyle(ControlKind kind, uint32_t style, uint32_t exStyle) {
  if (style == 0) {
    style = DefaultControlStyle(kind);
    // The plain border of a text box gives way to the sunken edge.
    if (kind == ControlKind::kTextBox) {
      style &= ~WS_BORDER;
      exStyle |= WS_EX_CLIENTEDGE;
    }
  }
  return {style | WS_CHILD | WS_VISIBLE, exStyle};
}

int ShowStateOf(uint32_t style) {
  if (style & WS_MAXIMIZE) return kShowMaximized;
  if (style & WS_MINIMIZE) return kShowMinimized;
  return kShowNormal;
}

uint32_t SizeTypeOf(int showState) {
  if (showState == kShowMaximized) return SIZE_MAXIMIZED;
  if (showState == kShowMinimized) return SIZE_MINIMIZED;
  return SIZE_RESTORED;
}

}  // namespace quelb::dialog

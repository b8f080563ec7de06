#include "dialog/fltk/x11_window.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>

namespace quelb::dialog::fltk {
namespace {

// The layout of the _MOTIF_WM_HINTS property that window managers read.
struct MotifHints {
  unsigned long flags;
  unsigned long functions;
  unsigned long decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kHintFunctions = 1, kHintDecorations = 2;
constexpr unsigned long kFunctionMove = 4, kFunctionClose = 32;
constexpr unsigned long kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16;

}  // namespace

void SetFrameFunctions(Fl_Window* window, bool closeBox) {
  const Window xid = fl_xid(window);
  if (!xid) return;
  MotifHints hints{kHintFunctions | kHintDecorations,
                   kFunctionMove | (closeBox ? kFunctionClose : 0),
                   kDecorBorder | kDecorTitle | (closeBox ? kDecorMenu : 0), 0, 0};
  const Atom property = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, xid, property, property, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&hints), 5);
}

void GiveInputFocus(Fl_Window* window) {
  const Window xid = fl_xid(window);
  if (!xid) return;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(fl_display, xid, &attributes)) return;
  if (attributes.map_state != IsViewable) return;
  XSetInputFocus(fl_display, xid, RevertToPointerRoot, CurrentTime);
  XFlush(fl_display);
}

}  // namespace quelb::dialog::fltk

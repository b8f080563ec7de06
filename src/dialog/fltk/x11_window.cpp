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

// A window manager decides which window is active and may frame the window first; it learns
// of the wish through _NET_ACTIVE_WINDOW. Without one, only XSetInputFocus moves the keyboard.
void AskToActivate(Window xid) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // the request comes from an application
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(fl_display, DefaultRootWindow(fl_display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

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

bool GiveInputFocus(Fl_Window* window) {
  const Window xid = fl_xid(window);
  if (!xid) return false;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(fl_display, xid, &attributes)) return false;
  if (attributes.map_state != IsViewable) return false;
  AskToActivate(xid);
  XSetInputFocus(fl_display, xid, RevertToPointerRoot, CurrentTime);
  XFlush(fl_display);
  return true;
}

}  // namespace quelb::dialog::fltk

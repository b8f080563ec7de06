// The little that FLTK leaves to the X window system: which frame buttons the window manager
// offers, and the keyboard focus of a shown window.
#pragma once

class Fl_Window;

namespace quelb::dialog::fltk {

// Asks the window manager for a caption and border only, and for a close function only when
// closeBox is set; no minimize or maximize. The window must be shown.
void SetFrameFunctions(Fl_Window* window, bool closeBox);

// Activates the window and gives it the keyboard focus of the display, so that keys reach it
// also where no window manager does that. Does nothing and answers false while the window is
// not viewable yet.
bool GiveInputFocus(Fl_Window* window);

}  // namespace quelb::dialog::fltk

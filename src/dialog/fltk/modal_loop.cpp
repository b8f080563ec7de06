#include "dialog/fltk/modal_loop.h"

#include <FL/Fl.H>

#include <chrono>
#include <thread>

#include "dialog/fltk/dialog_window.h"
#include "dialog/fltk/x11_window.h"

namespace quelb::dialog::fltk {

void RunUntilEnded(const Record* dialog) {
  // A shown window becomes viewable a little later: at once without a window manager, once
  // framed with one. Only then can it take the keyboard.
  bool focused = false;
  while (dialog->window != nullptr) {
    if (!focused) focused = GiveInputFocus(dialog->window);
    const bool waiting = Fl::ready() != 0;
    // Also repaints what the events damaged.
    Fl::check();
    if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace quelb::dialog::fltk

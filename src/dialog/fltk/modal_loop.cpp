#include "dialog/fltk/modal_loop.h"

#include <FL/Fl.H>

#include <chrono>
#include <thread>

namespace quelb::dialog::fltk {

void RunUntilEnded(const Dialog* dialog) {
  while (dialog->window != nullptr) {
    const bool waiting = Fl::ready() != 0;
    // Also repaints what the events damaged.
    Fl::check();
    if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace quelb::dialog::fltk

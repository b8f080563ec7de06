#include "services/message.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

namespace quelb {
namespace {

// The box goes to the standard error stream and its first button counts as pressed.
int FirstButtonOnStandardError(const Box& box) {
  std::fprintf(stderr, "[%s] %s\n", box.title.c_str(), box.text.c_str());
  return FirstButtonOf(box.style);
}

MessageHandler& InstalledHandler() {
  static MessageHandler handler = FirstButtonOnStandardError;
  return handler;
}

bool& BoxesShownOnScreen() {
  static bool shown = true;
  return shown;
}

}  // namespace

int FirstButtonOf(uint32_t style) {
  switch (style & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  return std::exchange(InstalledHandler(), std::move(handler));
}

bool SetBoxesShownOnScreen(bool shown) {
  return std::exchange(BoxesShownOnScreen(), shown);
}

int ShowMessage(const Box& box) {
  // The short pause lets the status line settle before the box takes the screen.
  if (BoxesShownOnScreen()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return InstalledHandler()(box);
}

}  // namespace quelb

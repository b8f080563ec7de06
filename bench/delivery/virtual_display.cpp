// The X display of the window figure: an Xvfb of its own, watched for the map of a window.
#include "virtual_display.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "harness.h"

namespace delivery {

VirtualDisplay::VirtualDisplay() {
  int ends[2];
  if (pipe(ends) != 0) Fail("no pipe");
  pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(ends[1]), "-nolisten", "tcp", "-screen", "0",
                "1024x768x24"},
               {}, true);
  close(ends[1]);
  char number[16] = {};
  pollfd wait{ends[0], POLLIN, 0};
  if (poll(&wait, 1, 20000) <= 0 || read(ends[0], number, sizeof number - 1) <= 0) {
    Fail("Xvfb did not start");
  }
  close(ends[0]);
  name_ = ":" + std::string(number, std::strcspn(number, "\n"));
  display_ = XOpenDisplay(name_.c_str());
  if (display_ == nullptr) Fail("cannot open " + name_);
  XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
  XSync(display_, True);
}

VirtualDisplay::~VirtualDisplay() {
  XCloseDisplay(display_);
  kill(pid_, SIGTERM);
  Wait(pid_);
}

double VirtualDisplay::TimeToMap(const std::vector<std::string>& argv, const std::string& prefix,
                                 int& width, int& height) {
  XSync(display_, True);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(argv, {"DISPLAY=" + name_, "WINEPREFIX=" + prefix});
  const Window mapped = NextMap();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  XWindowAttributes attributes{};
  XGetWindowAttributes(display_, mapped, &attributes);
  width = attributes.width;
  height = attributes.height;
  kill(pid, SIGTERM);
  Wait(pid);
  return seconds;
}

Window VirtualDisplay::NextMap() {
  for (;;) {
    while (XPending(display_) == 0) {
      pollfd wait{ConnectionNumber(display_), POLLIN, 0};
      if (poll(&wait, 1, 20000) <= 0) Fail("no window was mapped");
    }
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(display_)) {
      return event.xmap.window;
    }
  }
}

}  // namespace delivery

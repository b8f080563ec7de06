// The X display of the window figure: an Xvfb of its own, watched for the map of a window.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace delivery {

class VirtualDisplay {
 public:
  VirtualDisplay();
  ~VirtualDisplay();

  // Seconds from the start of the program to the map of its first top-level window.
  double TimeToMap(const std::vector<std::string>& argv, const std::string& prefix, int& width,
                   int& height);

 private:
  Window NextMap();

  pid_t pid_ = 0;
  std::string name_;
  Display* display_ = nullptr;
};

}  // namespace delivery

// The figure of the window start: from exec to the mapped window of setup, against a bare
// window of the same size.
#include <algorithm>

#include "figures.h"
#include "virtual_display.h"

namespace delivery {

void WindowStart(const Options& options, const fs::path& scratch) {
  const fs::path prefix = scratch / "prefix";
  fs::create_directories(prefix / "dosdevices");
  VirtualDisplay display;
  int width = 0, height = 0;
  // The first start of each warms the caches of fonts and libraries.
  display.TimeToMap({QUELB_SETUP_PROGRAM}, prefix, width, height);
  const std::vector<std::string> bare = {QUELB_BARE_WINDOW_PROGRAM, std::to_string(width),
                                         std::to_string(height)};
  int bareWidth = 0, bareHeight = 0;
  display.TimeToMap(bare, prefix, bareWidth, bareHeight);
  const Timing timing = MedianRatio(
      std::max(options.pairs, 9), [] {},
      [&] { display.TimeToMap({QUELB_SETUP_PROGRAM}, prefix, width, height); },
      [&] { display.TimeToMap(bare, prefix, bareWidth, bareHeight); });
  Report({"exec to mapped window", "Xvfb", "bare FLTK window", timing, 1.1,
          std::to_string(width) + "x" + std::to_string(height)});
}

}  // namespace delivery

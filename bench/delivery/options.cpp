// The command line of the delivery bench.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "harness.h"

namespace delivery {

bool Wanted(const Options& options, const std::string& figure) {
  return options.only.empty() || options.only == figure;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  const char* quick = std::getenv("QUELB_BENCH_QUICK");
  options.quick = quick != nullptr && *quick != '\0' && std::strcmp(quick, "0") != 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      options.quick = true;
    } else if (arg == "--pairs" && i + 1 < argc) {
      options.pairs = std::max(5, std::atoi(argv[++i]));
    } else if (arg == "--disk" && i + 1 < argc) {
      options.disk = argv[++i];
    } else if (arg == "--wine-run" && i + 1 < argc) {
      options.wineRun = argv[++i];
    } else if (arg == "--only" && i + 1 < argc) {
      options.only = argv[++i];
    } else {
      Fail(
          "usage: delivery_bench [--quick] [--pairs N] [--disk FOLDER] [--only FIGURE] [--wine-run "
          "PROGRAM.exe]");
    }
  }
  if (options.quick) {
    options.bigSize = 64 * kMiB;
    options.smallFiles = 500;
  }
  return options;
}

}  // namespace delivery

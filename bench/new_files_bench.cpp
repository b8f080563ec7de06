// A whole update run of many small new files into an empty target, at two sizes. A run whose
// cost grows with its files gives the same time per file at both; the larger run must stay
// within 1.3 times the smaller's. Times are the process's own processor time, so that other
// work on the machine and the waits for the disk weigh as little as they can.
//   new_files_bench            runs 2,000 and 20,000 files three times each and compares them
//   new_files_bench 2000       runs one size only (for strace -c -f and the like)
//   new_files_bench 2000 host  takes the source by its host path, as a mounted disk is typed
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog/dialog_double.h"
#include "engine/engine.h"
#include "services/message.h"

namespace {

namespace fs = std::filesystem;

constexpr double kAllowedRatio = 1.3;
constexpr int kSmallRun = 2000;
constexpr int kLargeRun = 20000;
constexpr int kWarmUpFiles = 500;
constexpr int kRounds = 3;

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double WallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A Wine-style prefix of its own whose drive C is a folder inside it, removed at the end.
class Prefix {
 public:
  Prefix() {
    std::string pattern = (fs::temp_directory_path() / "new-files-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    fs::create_directories(path_ / "dosdevices");
    fs::create_directories(path_ / "drive_c");
    fs::create_directory_symlink("../drive_c", path_ / "dosdevices" / "c:");
    setenv("WINEPREFIX", path_.c_str(), 1);
  }
  ~Prefix() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  fs::path DriveC() const { return path_ / "drive_c"; }

 private:
  fs::path path_;
};

struct Timing {
  double processor = 0;
  double wall = 0;
};

std::string FileName(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "F%06d.TXT", index);
  return name;
}

void MakeSource(const fs::path& folder, int files) {
  fs::create_directories(folder);
  for (int i = 0; i < files; ++i) {
    std::ofstream(folder / FileName(i), std::ios::binary) << "a small new file number " << i;
  }
}

// One run from C:\SOURCEn, or the same folder by its host path, into the new folder
// C:\TARGETn, every box answered with its first button; both folders are removed afterwards.
// Gives the processor time per file in microseconds.
double TimedRun(const Prefix& prefix, int files, bool hostSource, int round) {
  const std::string name = std::to_string(files) + "-" + std::to_string(round);
  const fs::path source = prefix.DriveC() / ("SOURCE" + name);
  const fs::path target = prefix.DriveC() / ("TARGET" + name);
  MakeSource(source, files);
  const quelb::dialog::DialogHandle dialog = quelb::testing::RunDialog(
      hostSource ? source.string() : "C:\\SOURCE" + name, "C:\\TARGET" + name);
  quelb::ErrorState errors;
  const double processorStart = ProcessorSeconds();
  const double wallStart = WallSeconds();
  quelb::UpdateRun(dialog, errors);
  const Timing timing{ProcessorSeconds() - processorStart, WallSeconds() - wallStart};
  const auto delivered = std::distance(fs::directory_iterator(target), {});
  if (delivered != files) {
    std::fprintf(stderr, "%d files given, %ld delivered\n", files, static_cast<long>(delivered));
    std::exit(2);
  }
  fs::remove_all(source);
  fs::remove_all(target);
  std::printf("%6d files: %8.1f us processor time per file (%.2f s), %8.1f us wall per file\n",
              files, timing.processor / files * 1e6, timing.processor, timing.wall / files * 1e6);
  return timing.processor / files * 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

// Rounds alternate the sizes after a run that warms the caches, and each size's median
// counts, so that a slow moment of the machine weighs on neither alone.
int main(int argc, char** argv) {
  const bool hostSource = argc > 2 && std::string(argv[2]) == "host";
  quelb::SetMessageHandler([](const quelb::Box& box) { return quelb::FirstButtonOf(box.style); });
  const Prefix prefix;
  if (argc > 1) {
    TimedRun(prefix, std::atoi(argv[1]), hostSource, 0);
    return 0;
  }
  TimedRun(prefix, kWarmUpFiles, hostSource, 0);
  std::vector<double> small, large;
  for (int round = 1; round <= kRounds; ++round) {
    small.push_back(TimedRun(prefix, kSmallRun, hostSource, round));
    large.push_back(TimedRun(prefix, kLargeRun, hostSource, round));
  }
  const double ratio = Median(large) / Median(small);
  std::printf("medians: %.1f us per file of %d, %.1f us per file of %d\n", Median(small), kSmallRun,
              Median(large), kLargeRun);
  std::printf("ratio of the times per file: %.2f (allowed %.1f): %s\n", ratio, kAllowedRatio,
              ratio <= kAllowedRatio ? "linear" : "NOT linear");
  return ratio <= kAllowedRatio ? 0 : 1;
}

// The figure of the in-use check: 1,000 free programs checked among 500 idle processes,
// against the same among 50.
#include <chrono>
#include <thread>

#include "engine/engine.h"
#include "figures.h"

namespace delivery {

namespace {

// A program name of two characters for each of the first 1,000 codes.
std::string ModuleCode(int i) {
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  return {digits[i / 36], digits[i % 36]};
}

}  // namespace

void InUseCheck(const Options& options, const Place& place) {
  constexpr int kPrograms = 1000;
  const fs::path target = place.root / "in-use-target";
  FreshFolder(target);
  std::vector<quelb::UpdateRunState> runs(kPrograms);
  for (int i = 0; i < kPrograms; ++i) {
    WriteBytes(target / (ModuleCode(i) + ".exe"), 4 * kKiB, i);
    runs[i].TargetPath = target.string();
    runs[i].CurrentFile = "QUELB" + ModuleCode(i) + ".EXE";
  }
  IdleProcesses idle;
  auto checkAll = [&] {
    quelb::ErrorState errors;
    for (quelb::UpdateRunState& run : runs) {
      quelb::CheckInUse(run, errors);
      if (!run.MayProceed) Fail("a free program was taken to be in use");
    }
  };
  // New processes are given a moment to reach their pause before the check is timed.
  auto population = [&](size_t count) {
    return [&idle, count] {
      idle.Resize(count);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    };
  };
  Report(
      {"in-use check of 1,000 programs", place.name, "the same with 50 processes",
       MedianRatio(options.pairs, Side{population(500), checkAll}, Side{population(50), checkAll}),
       1.1, "500 processes"});
  fs::remove_all(target);
}

}  // namespace delivery

// The figure of the archive test: a big file without the mark, searched by the engine in a
// process of its own and by grep.
#include <algorithm>
#include <cstdio>

#include "engine/engine.h"
#include "figures.h"

namespace delivery {

namespace {

double ProcessorSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int ArchiveTestChild(const char* archive) {
  quelb::UpdateRunState run;
  quelb::ErrorState errors;
  quelb::PkwareTest(run, errors, archive);
  return errors.number != 0 ? 2 : run.PkwarePos != 0 ? 0 : 1;
}

// The archive test runs in a process of its own, as grep does. Both do nothing but read the
// file from the cache and search it, so they are compared by the processor time each process
// took, which the other work on a shared machine does not stretch; its peak memory is the
// test's alone.
void ArchiveTest(const Options& options, const Place& place, const fs::path& archive,
                 const std::string& self) {
  int64_t peakKiB = 0;
  auto ours = [&] {
    rusage usage{};
    const int code = Wait(Spawn({self, "--archive-test", archive.string()}), &usage);
    if (code != 1) Fail("the archive test answered " + std::to_string(code));
    peakKiB = std::max<int64_t>(peakKiB, usage.ru_maxrss);
    return ProcessorSeconds(usage);
  };
  auto grep = [&] {
    rusage usage{};
    const int code = Wait(Spawn({"grep", "-F", "-q", "PKWARE", archive.string()}), &usage);
    if (code != 1) Fail("grep answered " + std::to_string(code));
    return ProcessorSeconds(usage);
  };
  ours();
  grep();
  const Timing timing = MedianRatio(options.pairs, ours, grep);
  char extra[80];
  std::snprintf(extra, sizeof extra, "processor time, peak %.1f MiB (<= 8 %s)", peakKiB / 1024.0,
                peakKiB <= 8 * 1024 ? "met" : "NOT MET");
  Report({"archive test of " + SizeName(options.bigSize), place.name, "grep -F -q PKWARE", timing,
          0.5, extra});
}

}  // namespace delivery

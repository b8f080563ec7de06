#include "deploy/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dialog/screenless/progress_line.h"
#include "services/journal_files.h"

namespace quelb::deploy {
namespace {

constexpr double kKiB = 1024.0;
// Below this the rate says nothing yet.
constexpr double kShortestMeasure = 0.5;

struct Unit {
  double size;
  const char* name;
};

// The unit fits the whole run, so that the figures do not change unit as they grow.
Unit UnitFor(int64_t bytes) {
  if (bytes >= kKiB * kKiB * kKiB) return {kKiB * kKiB * kKiB, "GiB"};
  if (bytes >= kKiB * kKiB) return {kKiB * kKiB, "MiB"};
  return {kKiB, "KiB"};
}

Text Decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

Text Duration(double seconds) {
  const long long whole = std::llround(seconds);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

Text ProgressFigures(const ProgressFacts& facts) {
  const Unit unit = UnitFor(facts.bytesAll);
  Text figures = std::to_string(facts.filesDone) + " of " + std::to_string(facts.filesAll) +
                 " files, " + Decimal(facts.bytesDone / unit.size) + " of " +
                 Decimal(facts.bytesAll / unit.size) + " " + unit.name + ", ";
  if (facts.seconds < kShortestMeasure || facts.bytesDone <= 0) return figures + "--, -- left";
  const double rate = facts.bytesDone / facts.seconds;
  const double left = std::max<int64_t>(facts.bytesAll - facts.bytesDone, 0) / rate;
  return figures + Decimal(rate / unit.size) + " " + unit.name + "/s, " + Duration(left) + " left";
}

// A run's pass begins anew with its first name; names it left as they were before the first
// one it handled count as done.
void ProgressWatch::NameStarts(const UpdateRunState& run) {
  if (run.SourcePath != sourcePath_ || run.FileIndex <= lastIndex_) StartPass(run);
  lastIndex_ = run.FileIndex;
  Show();
}

void ProgressWatch::NameSettled(const NameReport& report) {
  ++facts_.filesDone;
  const auto size = sizes_.find(report.source);
  if (size != sizes_.end()) facts_.bytesDone += size->second;
  Show();
}

void ProgressWatch::StartPass(const UpdateRunState& run) {
  sourcePath_ = run.SourcePath;
  sizes_.clear();
  facts_ = {run.FileIndex - 1, run.FileTotal, 0, 0, 0};
  started_ = std::chrono::steady_clock::now();
  size_t next = 0;
  for (int64_t index = 1; index <= run.FileTotal; ++index) {
    const Text path = run.SourcePath + "\\" + NextField(run.FileList, "\t", next);
    ErrorState errors;
    const int64_t size = std::max<int64_t>(IdentityOf(errors, path).size, 0);
    sizes_[path] = size;
    facts_.bytesAll += size;
    if (index < run.FileIndex) facts_.bytesDone += size;
  }
}

void ProgressWatch::Show() {
  facts_.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  dialog::screenless::ShowProgressFigures(ProgressFigures(facts_));
}

}  // namespace quelb::deploy

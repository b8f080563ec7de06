// The figures of the progress line, which the deploy keeps current while standard error is a
// terminal: files done of all, bytes, rate and time left of the run at hand.
#pragma once

#include <chrono>
#include <map>

#include "engine/delivery_watch.h"

namespace quelb::deploy {

struct ProgressFacts {
  int64_t filesDone = 0;
  int64_t filesAll = 0;
  int64_t bytesDone = 0;
  int64_t bytesAll = 0;
  double seconds = 0;  // since the run began
};

// "3 of 12 files, 1.2 of 5.0 MiB, 2.0 MiB/s, 0:02 left"; the rate and the time left are "--"
// until there is something to measure them by.
Text ProgressFigures(const ProgressFacts& facts);

class ProgressWatch : public DeliveryWatch {
 public:
  void NameStarts(const UpdateRunState& run) override;
  void NameSettled(const NameReport& report) override;

 private:
  void StartPass(const UpdateRunState& run);
  void Show();

  Text sourcePath_;
  int64_t lastIndex_ = 0;
  // The size of each source file of the pass, by its path.
  std::map<Text, int64_t> sizes_;
  ProgressFacts facts_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace quelb::deploy

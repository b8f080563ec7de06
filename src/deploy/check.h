// --check: whether a deploy would deliver anything, decided name by name as the deploy decides
// it, with nothing changed and no lock taken.
#pragma once

#include <vector>

#include "deploy/options.h"

namespace quelb::deploy {

struct CheckResult {
  // 0 when the target is current, 1 when a name would be delivered, 3 for a source that cannot
  // be read now.
  int code = 0;
  std::vector<Text> wouldDeliver;
};

CheckResult CheckTarget(const Options& options);

// Writes what --check answers to standard output and returns its exit code.
int RunCheck(const Options& options);

}  // namespace quelb::deploy

#include "deploy/check.h"

#include <cstdio>

#include "deploy/exit_codes.h"
#include "deploy/pre_run.h"
#include "deploy/receipt.h"
#include "deploy/unchanged.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/files.h"

namespace quelb::deploy {
CheckResult CheckTarget(const Options& options) {
  DownloadFolder = options.download;
  const std::optional<Receipt> receipt = ReadReceipt(options.target);
  UnchangedTest test(receipt);
  CheckResult result;
  for (const Text& source : options.sources) {
    // A source that is not there is not waited for: a detection rule answers at once.
    if (CheckSource(source, 0) != 0) return {kSourceUnreadable, {}};
    ForEachNameOfSource(source, options.target, [&](const UpdateRunState& run) {
      if (!DeliveryCanChangeIt(run)) return;
      if (options.all || test.Decide(run).verdict == Verdict::kDeliver) {
        result.wouldDeliver.push_back(run.CurrentFile);
      }
    });
  }
  result.code = result.wouldDeliver.empty() ? kDelivered : kNotCurrent;
  return result;
}

int RunCheck(const Options& options) {
  const CheckResult result = CheckTarget(options);
  if (result.code == kDelivered) std::puts("current");
  for (const Text& name : result.wouldDeliver) std::puts(name.c_str());
  std::fflush(stdout);
  return result.code;
}

}  // namespace quelb::deploy

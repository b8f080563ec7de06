#include "engine/delivery_watch.h"

#include <algorithm>
#include <vector>

#include "engine/engine.h"
#include "services/process.h"

namespace quelb {
namespace {

std::vector<DeliveryWatch*>& Watchers() {
  static std::vector<DeliveryWatch*> watchers;
  return watchers;
}

Text TargetOfReport(const UpdateRunState& run, NameKind kind) {
  if (kind == NameKind::kArchive) return run.TargetPath;
  return CopyTargetOf(run);
}

}  // namespace

NameKind KindOfName(const Text& name) {
  const Text upper = UpperText(name);
  if (MidText(upper, 1, 5) == "QUELB" && RightText(upper, 4) == ".EXE") return NameKind::kArchive;
  if (RightText(upper, 3) == "QLB") return NameKind::kPackage;
  if (upper == "SETUP.EXE") return NameKind::kSetup;
  return NameKind::kOther;
}

DeliveryWatch::DeliveryWatch() {
  Watchers().push_back(this);
}

DeliveryWatch::~DeliveryWatch() {
  std::erase(Watchers(), this);
}

bool WatcherLeavesUnchanged(const UpdateRunState& run) {
  const PathLookupBatch lookups;
  const std::vector<DeliveryWatch*>& watchers = Watchers();
  if (std::any_of(watchers.begin(), watchers.end(),
                  [&run](DeliveryWatch* watch) { return watch->LeavesUnchanged(run); })) {
    ReportNameAtHand(run, NameResult::kUnchanged);
    return true;
  }
  for (DeliveryWatch* watch : watchers) watch->NameStarts(run);
  return false;
}

void TellArchiveStarts(const UpdateRunState& run) {
  const PathLookupBatch lookups;
  for (DeliveryWatch* watch : Watchers()) watch->ArchiveStarts(run);
}

void ReportNameAtHand(const UpdateRunState& run, NameResult result) {
  if (Watchers().empty()) return;
  const PathLookupBatch lookups;
  const NameKind kind = KindOfName(run.CurrentFile);
  NameReport report{run.CurrentFile,
                    kind,
                    run.SourceFilePath(),
                    TargetOfReport(run, kind),
                    result,
                    run.FailureAt(run.SourceFilePath()),
                    {},
                    0};
  if (kind == NameKind::kArchive) {
    report.command = run.ExpandCommand;
    report.exitCode = run.ArchiveExitCode;
  }
  for (DeliveryWatch* watch : Watchers()) watch->NameSettled(report);
}

}  // namespace quelb

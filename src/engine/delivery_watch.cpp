#include "engine/delivery_watch.h"

#include "engine/engine.h"

namespace quelb {
namespace {

DeliveryWatch* installedWatch = nullptr;

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

DeliveryWatch* SetDeliveryWatch(DeliveryWatch* watch) {
  DeliveryWatch* const previous = installedWatch;
  installedWatch = watch;
  return previous;
}

bool WatcherLeavesUnchanged(const UpdateRunState& run) {
  return installedWatch != nullptr && installedWatch->LeavesUnchanged(run);
}

void TellArchiveStarts(const UpdateRunState& run) {
  if (installedWatch != nullptr) installedWatch->ArchiveStarts(run);
}

void ReportNameAtHand(const UpdateRunState& run, NameResult result) {
  if (installedWatch == nullptr) return;
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
  installedWatch->NameSettled(report);
}

}  // namespace quelb

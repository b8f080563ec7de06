#include "deploy/unchanged.h"

#include <algorithm>

#include "engine/engine.h"
#include "services/digest.h"
#include "services/files.h"
#include "services/own_files.h"
#include "services/process.h"

namespace quelb::deploy {
namespace {

bool FactsAre(const Text& path, const FileFacts& recorded) {
  FileFacts facts;
  return FactsOf(path, facts) && facts == recorded;
}

// Every program the archive unpacked is as it was when it was recorded.
bool ProgramsAsRecorded(const Delivery& delivery) {
  return std::all_of(delivery.programs.begin(), delivery.programs.end(),
                     [&delivery](const RecordedFile& program) {
                       return FactsAre(delivery.target + "\\" + program.name, program.facts);
                     });
}

}  // namespace

UnchangedTest::UnchangedTest(const std::optional<Receipt>& receipt, FinalPath finalPath)
    : receipt_(receipt), finalPath_(std::move(finalPath)) {
  if (!receipt_) return;
  for (const Delivery& delivery : receipt_->deliveries) {
    if (delivery.kind != NameKind::kArchive) copies_[UpperText(delivery.target)] = &delivery;
  }
}

Decision UnchangedTest::Decide(const UpdateRunState& run) {
  switch (KindOfName(run.CurrentFile)) {
    case NameKind::kArchive:
      return DecideArchive(run);
    case NameKind::kPackage:
    case NameKind::kOther:
      if (const Text target = CopyTargetOf(run); !target.empty()) {
        return DecideCopy(run, finalPath_(target));
      }
      break;
    case NameKind::kSetup:
      break;
  }
  return {};
}

Decision UnchangedTest::DecideCopy(const UpdateRunState& run, const Text& target) {
  Decision decision;
  FileFacts source;
  FileFacts held;
  if (!FactsOf(run.SourceFilePath(), source)) return decision;
  decision.source = source;
  if (!ListedThere(target)) {
    decision.targetThere = false;
    return decision;
  }
  if (!FactsOf(target, held)) return decision;
  decision.targetThere = true;
  if (const auto recorded = copies_.find(UpperText(target)); recorded != copies_.end()) {
    const Delivery& delivery = *recorded->second;
    if (delivery.source.facts == source && delivery.became == held) {
      decision.verdict = Verdict::kAsRecorded;
      decision.recorded = &delivery;
    }
    return decision;
  }
  ErrorState errors;
  if (source.size == held.size && SameBytes(errors, run.SourceFilePath(), target)) {
    decision.verdict = Verdict::kSameBytes;
  }
  return decision;
}

// The archive's bytes are read only when the receipt records an archive expanded here.
Decision UnchangedTest::DecideArchive(const UpdateRunState& run) const {
  if (!receipt_) return {};
  const Text target = UpperText(finalPath_(run.TargetPath));
  const auto expandedHere = [&target](const Delivery& delivery) {
    return delivery.kind == NameKind::kArchive && UpperText(delivery.target) == target;
  };
  const std::vector<Delivery>& deliveries = receipt_->deliveries;
  if (std::none_of(deliveries.begin(), deliveries.end(), expandedHere)) return {};
  ErrorState errors;
  const Text digest = Sha256OfFile(errors, run.SourceFilePath());
  if (digest.empty()) return {};
  for (const Delivery& delivery : deliveries) {
    if (expandedHere(delivery) && delivery.source.sha256 == digest &&
        ProgramsAsRecorded(delivery)) {
      return {Verdict::kAsRecorded, &delivery, std::nullopt, std::nullopt};
    }
  }
  return {};
}

void UnchangedTest::Settled(const NameReport& report) {
  if (report.kind == NameKind::kArchive) {
    listed_.erase(UpperText(finalPath_(report.target)));
    return;
  }
  // A staged copy takes its final name only when the release is placed.
  if (report.result != NameResult::kDelivered || finalPath_(report.target) != report.target) {
    return;
  }
  const size_t separator = report.target.find_last_of('\\');
  if (separator == Text::npos) return;
  const auto listed = listed_.find(UpperText(report.target.substr(0, separator)));
  if (listed != listed_.end())
    listed->second.insert(UpperText(report.target.substr(separator + 1)));
}

bool UnchangedTest::ListedThere(const Text& target) {
  const size_t separator = target.find_last_of('\\');
  if (separator == Text::npos) return true;
  const Text folder = UpperText(target.substr(0, separator));
  auto listed = listed_.find(folder);
  if (listed == listed_.end()) {
    listed = listed_.emplace(folder, std::set<Text>()).first;
    ErrorState errors;
    const Text asWritten = target.substr(0, separator);
    for (const Text& name : ListedNames(errors, asWritten, kHiddenAndSystemFilesToo)) {
      listed->second.insert(UpperText(name));
    }
  }
  return listed->second.count(UpperText(target.substr(separator + 1))) > 0;
}

bool DeliveryCanChangeIt(const UpdateRunState& run) {
  switch (KindOfName(run.CurrentFile)) {
    case NameKind::kSetup:
      return false;
    case NameKind::kPackage:
      return !PackageTargetOf(run).empty();
    case NameKind::kArchive:
    case NameKind::kOther:
      break;
  }
  return true;
}

void ForEachNameOfSource(const Text& source, const Text& target,
                         const std::function<void(const UpdateRunState& run)>& visit) {
  UpdateRunState run;
  run.SourcePath = NormalisedSource(source);
  run.TargetPath = target;
  ErrorState errors;
  const PathLookupBatch lookups;
  for (const Text& name : ListedNames(errors, run.SourcePath, kPlainFilesOnly)) {
    run.CurrentFile = name;
    visit(run);
  }
}

}  // namespace quelb::deploy

#include "deploy/receipt_watch.h"

#include <algorithm>

#include "services/digest.h"
#include "services/files.h"

namespace quelb::deploy {
namespace {

// The plain files of the folder with their facts. The run lists nothing meanwhile: it took
// its source's names whole before the first name.
std::map<Text, FileFacts> FilesOf(const Text& folder) {
  std::map<Text, FileFacts> files;
  ErrorState errors;
  for (const Text& name : ListedNames(errors, folder, kPlainFilesOnly)) files[name];
  for (auto& [name, facts] : files) FactsOf(folder + "\\" + name, facts);
  return files;
}

Text FolderOfSource(const NameReport& report) {
  return report.source.substr(
      0, report.source.size() - std::min(report.source.size(), report.name.size() + 1));
}

// Where a delivery went, so that a later one to the same place replaces it in the receipt:
// a copy by its target, an archive by its name and the folder it was expanded into.
Text PlaceOf(const Delivery& delivery) {
  if (delivery.kind != NameKind::kArchive) return "copy\t" + UpperText(delivery.target);
  return "archive\t" + UpperText(delivery.target) + "\t" + UpperText(delivery.source.name);
}

}  // namespace

ReceiptWatch::ReceiptWatch(const std::optional<Receipt>& previous, bool deliverAll,
                           FinalPath finalPath, SettledDigest settledDigest)
    : previous_(previous),
      finalPath_(std::move(finalPath)),
      settledDigest_(std::move(settledDigest)),
      test_(previous, finalPath_),
      deliverAll_(deliverAll) {}

bool ReceiptWatch::DecidesToDeliver(const UpdateRunState& run) {
  if (deliverAll_) return true;
  const Decision& decision = ahead_[run.SourceFilePath()] = test_.Decide(run);
  return decision.verdict == Verdict::kDeliver;
}

bool ReceiptWatch::LeavesUnchanged(const UpdateRunState& run) {
  if (deliverAll_) return false;
  Decision& decision = decisions_[run.CurrentFile];
  if (const auto ahead = ahead_.find(run.SourceFilePath()); ahead != ahead_.end()) {
    decision = ahead->second;
    ahead_.erase(ahead);
  } else {
    decision = test_.Decide(run);
  }
  return decision.verdict != Verdict::kDeliver;
}

const Decision* ReceiptWatch::DecisionOn(const Text& name) const {
  const auto decided = decisions_.find(name);
  return decided == decisions_.end() ? nullptr : &decided->second;
}

void ReceiptWatch::ArchiveStarts(const UpdateRunState& run) {
  beforeArchive_ = FilesOf(run.TargetPath);
}

void ReceiptWatch::NameSettled(const NameReport& report) {
  test_.Settled(report);
  const auto decided = decisions_.find(report.name);
  Decision decision;
  if (decided != decisions_.end()) {
    decision = decided->second;
    decisions_.erase(decided);
  }
  if (report.result == NameResult::kSkipped || report.result == NameResult::kFailed) {
    missing_.push_back({FolderOfSource(report), report.name, report.kind, report.failure.number});
    return;
  }
  if (report.result == NameResult::kUnchanged && decision.verdict == Verdict::kAsRecorded) {
    Delivery carried = *decision.recorded;
    carried.sourceFolder = FolderOfSource(report);
    return Record(std::move(carried));
  }
  // Another watcher may leave a name as it is that this one would deliver.
  const bool unchangedHere =
      report.result == NameResult::kUnchanged && decision.verdict == Verdict::kSameBytes;
  if (report.result != NameResult::kDelivered && !unchangedHere) return;
  if (std::optional<Delivery> delivered = DeliveredNow(report, decision.source)) {
    Record(std::move(*delivered));
  }
}

Receipt ReceiptWatch::Finished() const {
  Receipt receipt;
  if (previous_) {
    for (const Delivery& earlier : previous_->deliveries) {
      if (places_.count(PlaceOf(earlier)) == 0) receipt.deliveries.push_back(earlier);
    }
  }
  receipt.deliveries.insert(receipt.deliveries.end(), recorded_.begin(), recorded_.end());
  receipt.missing = missing_;
  return receipt;
}

void ReceiptWatch::Record(Delivery delivery) {
  const auto [place, isNew] = places_.try_emplace(PlaceOf(delivery), recorded_.size());
  if (isNew) {
    recorded_.push_back(std::move(delivery));
  } else {
    recorded_[place->second] = std::move(delivery);
  }
}

// What a name became as it is on the disk now, its source's bytes digested; nothing when a file
// cannot be looked at, and the name is then delivered again by the next deploy. The file it
// delivered holds the source's bytes, and when the log has digested that one they are not read
// again.
std::optional<Delivery> ReceiptWatch::DeliveredNow(const NameReport& report,
                                                   const std::optional<FileFacts>& source) const {
  Delivery delivery;
  delivery.sourceFolder = FolderOfSource(report);
  delivery.kind = report.kind;
  // What a staged file is now it keeps under its final name, which the receipt records.
  delivery.target = finalPath_(report.target);
  delivery.source.name = report.name;
  delivery.source.sha256 = settledDigest_(report);
  if (delivery.source.sha256.empty()) {
    ErrorState errors;
    delivery.source.sha256 = Sha256OfFile(errors, report.source);
    if (errors.number != 0) return std::nullopt;
  }
  if (source) {
    delivery.source.facts = *source;
  } else if (!FactsOf(report.source, delivery.source.facts)) {
    return std::nullopt;
  }
  // A name left as it is was never staged: the file it became is the one under its final name.
  const Text& became = report.result == NameResult::kUnchanged ? delivery.target : report.target;
  if (report.kind == NameKind::kArchive) {
    delivery.programs = ProgramsUnpacked(report.target);
  } else if (!FactsOf(became, delivery.became)) {
    return std::nullopt;
  }
  return delivery;
}

// The files the archive made or changed in the target folder, digested.
std::vector<RecordedFile> ReceiptWatch::ProgramsUnpacked(const Text& targetFolder) const {
  std::vector<RecordedFile> programs;
  for (const auto& [name, facts] : FilesOf(targetFolder)) {
    const auto before = beforeArchive_.find(name);
    if (before != beforeArchive_.end() && before->second == facts) continue;
    ErrorState errors;
    programs.push_back({name, facts, Sha256OfFile(errors, targetFolder + "\\" + name)});
  }
  return programs;
}

}  // namespace quelb::deploy

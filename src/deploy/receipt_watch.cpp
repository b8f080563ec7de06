#include "deploy/receipt_watch.h"

#include <algorithm>
#include <cstdio>

#include "services/digest.h"
#include "services/files.h"

namespace quelb::deploy {
namespace {

// The plain files of the folder with their facts. The run lists nothing meanwhile: it took
// its source's names whole before the first name.
std::map<Text, FileFacts> FilesOf(const Text& folder) {
  std::map<Text, FileFacts> files;
  ErrorState errors;
  for (Text name = ListFirst(errors, folder + "\\*.*", kPlainFilesOnly); !name.empty();
       name = ListNext(errors)) {
    files[name];
  }
  for (auto& [name, facts] : files) FactsOf(folder + "\\" + name, facts);
  return files;
}

Text FolderOfSource(const NameReport& report) {
  return report.source.substr(
      0, report.source.size() - std::min(report.source.size(), report.name.size() + 1));
}

// Two deliveries of one place: the later replaces the earlier in the receipt. Copies are one
// place by their target, archives by their name and the folder they were expanded into.
bool SamePlace(const Delivery& first, const Delivery& second) {
  const bool archive = first.kind == NameKind::kArchive;
  if (archive != (second.kind == NameKind::kArchive)) return false;
  if (UpperText(first.target) != UpperText(second.target)) return false;
  return !archive || UpperText(first.source.name) == UpperText(second.source.name);
}

}  // namespace

ReceiptWatch::ReceiptWatch(const std::optional<Receipt>& previous, bool deliverAll)
    : previous_(previous), test_(previous), deliverAll_(deliverAll) {}

bool ReceiptWatch::LeavesUnchanged(const UpdateRunState& run) {
  decidedName_.clear();
  if (deliverAll_) return false;
  decision_ = test_.Decide(run);
  if (decision_.verdict == Verdict::kDeliver) return false;
  decidedName_ = run.CurrentFile;
  return true;
}

void ReceiptWatch::ArchiveStarts(const UpdateRunState& run) {
  beforeArchive_ = FilesOf(run.TargetPath);
}

void ReceiptWatch::NameSettled(const NameReport& report) {
  if (report.result == NameResult::kUnchanged && report.name == decidedName_) {
    if (decision_.verdict == Verdict::kAsRecorded) {
      Delivery carried = *decision_.recorded;
      carried.sourceFolder = FolderOfSource(report);
      Record(std::move(carried));
      return;
    }
  } else if (report.result != NameResult::kDelivered) {
    return;
  }
  if (std::optional<Delivery> delivered = DeliveredNow(report)) Record(std::move(*delivered));
}

Receipt ReceiptWatch::Finished() const {
  Receipt receipt;
  if (previous_) {
    for (const Delivery& earlier : previous_->deliveries) {
      const bool replaced =
          std::any_of(recorded_.begin(), recorded_.end(),
                      [&](const Delivery& now) { return SamePlace(earlier, now); });
      if (!replaced) receipt.deliveries.push_back(earlier);
    }
  }
  receipt.deliveries.insert(receipt.deliveries.end(), recorded_.begin(), recorded_.end());
  return receipt;
}

void ReceiptWatch::Record(Delivery delivery) {
  std::erase_if(recorded_, [&](const Delivery& earlier) { return SamePlace(earlier, delivery); });
  recorded_.push_back(std::move(delivery));
}

// What a name became as it is on the disk now, its source's bytes digested; nothing when a file
// cannot be looked at, and the name is then delivered again by the next deploy.
std::optional<Delivery> ReceiptWatch::DeliveredNow(const NameReport& report) const {
  Delivery delivery;
  delivery.sourceFolder = FolderOfSource(report);
  delivery.kind = report.kind;
  delivery.target = report.target;
  delivery.source.name = report.name;
  ErrorState errors;
  delivery.source.sha256 = Sha256OfFile(errors, report.source);
  if (errors.number != 0 || !FactsOf(report.source, delivery.source.facts)) return std::nullopt;
  if (report.kind == NameKind::kArchive) {
    delivery.programs = ProgramsUnpacked(report.target);
  } else if (!FactsOf(report.target, delivery.became)) {
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

void LeaveReceipt(const ReceiptWatch& watch, const Text& target) {
  ErrorState errors;
  if (WriteReceipt(errors, target, watch.Finished())) return;
  std::fprintf(stderr, "quelb-deploy: the receipt could not be written: error %d\n",
               static_cast<int>(errors.number));
}

}  // namespace quelb::deploy

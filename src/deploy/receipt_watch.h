// The deploy's watcher of its runs: it leaves unchanged names as they are (unless every name
// is to be delivered) and records what each name became, for the receipt it writes at the end.
#pragma once

#include <map>
#include <optional>

#include "deploy/receipt.h"
#include "deploy/unchanged.h"
#include "engine/delivery_watch.h"

namespace quelb::deploy {

class ReceiptWatch : public DeliveryWatch {
 public:
  // The receipt found in the target before the deploy, which it must outlive.
  ReceiptWatch(const std::optional<Receipt>& previous, bool deliverAll, FinalPath finalPath);

  bool LeavesUnchanged(const UpdateRunState& run) override;
  void ArchiveStarts(const UpdateRunState& run) override;
  void NameSettled(const NameReport& report) override;

  // What the target holds now: the deliveries recorded before that none of this deploy
  // replaced, then this deploy's own.
  Receipt Finished() const;

 private:
  void Record(Delivery delivery);
  std::optional<Delivery> DeliveredNow(const NameReport& report,
                                       const std::optional<FileFacts>& source) const;
  std::vector<RecordedFile> ProgramsUnpacked(const Text& targetFolder) const;

  const std::optional<Receipt>& previous_;
  FinalPath finalPath_;
  UnchangedTest test_;
  bool deliverAll_;
  // The decision on each name not yet settled: a copy may wait while others are decided on.
  std::map<Text, Decision> decisions_;
  // The target's files before the archive at hand was started.
  std::map<Text, FileFacts> beforeArchive_;
  std::vector<Delivery> recorded_;
  // The position in recorded_ of the delivery to each place.
  std::map<Text, size_t> places_;
};

// Writes the watch's receipt into the target, once the release is in place. Every name was
// delivered all the same when it cannot: the next deploy then finds the receipt before, whose
// records no longer match what they describe, and delivers those names again; the failure is told
// on standard error.
void LeaveReceipt(const ReceiptWatch& watch, const Text& target);

}  // namespace quelb::deploy

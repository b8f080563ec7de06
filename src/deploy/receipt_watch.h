// The deploy's watcher of its runs: it leaves unchanged names as they are (unless every name
// is to be delivered) and records what each name became, for the receipt it writes at the end.
#pragma once

#include <functional>
#include <map>
#include <optional>

#include "deploy/receipt.h"
#include "deploy/unchanged.h"
#include "engine/delivery_watch.h"

namespace quelb::deploy {

class ReceiptWatch : public DeliveryWatch {
 public:
  // The digest of what a settled name delivered, when another watcher has read it already.
  using SettledDigest = std::function<Text(const NameReport&)>;

  // The receipt found in the target before the deploy, which it must outlive.
  ReceiptWatch(const std::optional<Receipt>& previous, bool deliverAll, FinalPath finalPath,
               SettledDigest settledDigest);

  // Decides on the name at hand ahead of its run, which then takes the decision made here.
  // True when it is to be delivered.
  bool DecidesToDeliver(const UpdateRunState& run);

  // The decision on a name not yet settled; none when it was not decided on.
  const Decision* DecisionOn(const Text& name) const;

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
  SettledDigest settledDigest_;
  UnchangedTest test_;
  bool deliverAll_;
  // The decision on each name not yet settled: a copy may wait while others are decided on.
  std::map<Text, Decision> decisions_;
  // The decisions made ahead of the runs, by each name's source path.
  std::map<Text, Decision> ahead_;
  // The target's files before the archive at hand was started.
  std::map<Text, FileFacts> beforeArchive_;
  std::vector<Delivery> recorded_;
  std::vector<MissingFile> missing_;
  // The position in recorded_ of the delivery to each place.
  std::map<Text, size_t> places_;
};

}  // namespace quelb::deploy

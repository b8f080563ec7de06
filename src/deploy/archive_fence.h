// An archive is given the target's stage to unpack into; one that writes anywhere else changes
// the suite while it is staged. The files of the target and the download folder (their hidden
// folders aside) are looked at before and after each archive, and each change is named in the
// record; a deploy whose fence was crossed puts nothing in place.
#pragma once

#include <map>

#include "deploy/log_watch.h"
#include "deploy/options.h"
#include "engine/delivery_watch.h"
#include "services/journal_files.h"

namespace quelb::deploy {

class ArchiveFence : public DeliveryWatch {
 public:
  ArchiveFence(const Options& options, DeployRecord& record) : options_(options), record_(record) {}

  void ArchiveStarts(const UpdateRunState& run) override;
  void NameSettled(const NameReport& report) override;
  bool Crossed() const { return crossed_; }

 private:
  using Files = std::map<Text, FileIdentity>;
  Files FilesNow() const;

  const Options& options_;
  DeployRecord& record_;
  Files before_;
  bool looking_ = false;
  bool crossed_ = false;
};

}  // namespace quelb::deploy

// The one decision whether delivering a name would change nothing, which a deploy makes before
// each name and --check makes for each name of every source.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>

#include "deploy/receipt.h"
#include "engine/delivery_watch.h"
#include "engine/run_state.h"

namespace quelb::deploy {

enum class Verdict {
  kDeliver,
  // As the receipt's delivery recorded it: the source and what it became are as they were.
  kAsRecorded,
  // No delivery is recorded for the copy, and its target holds the source's bytes.
  kSameBytes,
};

struct Decision {
  Verdict verdict = Verdict::kDeliver;
  const Delivery* recorded = nullptr;
  // The copy's source as it was when it was decided on, once it was looked at.
  std::optional<FileFacts> source;
  // Whether the copy's target was there when it was decided on, once that was seen.
  std::optional<bool> targetThere;
};

// The place a path of the run stands for: a deploy's runs write into stages, whose files take
// their final names only when the release is put in place.
using FinalPath = std::function<Text(const Text& path)>;

class UnchangedTest {
 public:
  // Without a receipt, copies are compared byte for byte and every archive is delivered.
  explicit UnchangedTest(
      const std::optional<Receipt>& receipt,
      FinalPath finalPath = [](const Text& path) { return path; });

  // For the name at hand of the run, with its source folder and target.
  Decision Decide(const UpdateRunState& run);
  // What a settled name did to the folders as they were listed: a copy delivered under its
  // final name is there now, and an archive may have made any name in its folder.
  void Settled(const NameReport& report);

 private:
  Decision DecideCopy(const UpdateRunState& run, const Text& target);
  Decision DecideArchive(const UpdateRunState& run) const;
  // Whether the target's folder holds its name, as the folder was first listed and as the
  // copies settled since have changed it. A folder that cannot be listed holds none.
  bool ListedThere(const Text& target);

  const std::optional<Receipt>& receipt_;
  FinalPath finalPath_;
  // The last delivery recorded for each copy's target, by its path in capitals.
  std::map<Text, const Delivery*> copies_;
  // The names in capitals of each folder copies go to, by its path in capitals.
  std::map<Text, std::set<Text>> listed_;
};

// True unless the name is one the run never delivers (SETUP.EXE) or leaves where it is (a
// package read from the download folder itself): those never make a target not current.
bool DeliveryCanChangeIt(const UpdateRunState& run);

// Each file of the source, with the state the source's run into the target would be in at it.
// The visits share one lookup batch (process.h), and so must only look.
void ForEachNameOfSource(const Text& source, const Text& target,
                         const std::function<void(const UpdateRunState& run)>& visit);

}  // namespace quelb::deploy

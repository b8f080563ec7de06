// The record of a deploy: its log and its --json lines, written as the deploy goes. It watches
// the runs for their names and the policy for its questions.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "deploy/log_files.h"
#include "deploy/log_records.h"
#include "deploy/options.h"
#include "deploy/unchanged.h"
#include "engine/delivery_watch.h"
#include "services/message.h"

namespace quelb::deploy {

class DeployRecord : public DeliveryWatch {
 public:
  // Writes the start to the file of --log and to standard output under --json.
  explicit DeployRecord(const Options& options);
  ~DeployRecord() override;

  // The target has been found usable: its own log starts.
  void OpenTargetLog() { logs_.OpenInTarget(options_.target); }
  // The target cannot be used: no log is written there.
  void NoTargetLog() { logs_.NotInTarget(options_.target); }
  void Question(const Box& box, int answer, const Text& why);
  // Whether the staged release was put in place: its names are written then, as placed or
  // as staged and not placed. A deploy that ends without saying placed none.
  void ReleasePlaced(bool placed);
  void OutsideChange(const Text& archive, const Text& changed);
  void ShortOfSpace(const std::vector<Text>& folders, int64_t needed, int64_t free);
  // Writes the end with the exit code and closes the logs; nothing is written after it.
  void End(int exitCode, ErrorNumber fatal = 0);

  // The decision another watcher made on a name, by the name; what it saw of the name's
  // target and source is not looked at again. None where it made none.
  using Decisions = std::function<const Decision*(const Text& name)>;
  void TakeDecisionsFrom(Decisions decisions) { decisions_ = std::move(decisions); }

  void NameStarts(const UpdateRunState& run) override;
  void NameSettled(const NameReport& report) override;
  // The digest of the file that the name settled last delivered, as its line took it; empty
  // when that name was another than the report's, delivered none, or could not be read.
  Text DigestOfSettled(const NameReport& report) const;

 private:
  const Decision* DecisionOn(const Text& name) const;
  void Write(const Text& line, const Text& json);

  const Options& options_;
  LogFiles logs_;
  Decisions decisions_;
  // Whether the target of each name begun and not yet settled was there before.
  std::map<Text, bool> targetWasThere_;
  // The source of the name settled last, and the digest of what it delivered.
  Text settledSource_;
  Text settledDigest_;
  // The names staged, whose lines wait until the release is placed or turned back.
  std::vector<NameRecord> staged_;
  Counts counts_;
  bool ended_ = false;
};

// What a fatal error number does in the unattended program: the record of the deploy, when
// one is kept, ends with it and any other failure's exit code, by which the process then ends.
[[noreturn]] void EndAfterFatalError(ErrorNumber number);

}  // namespace quelb::deploy

// What the run tells a watcher of each name it handles, and the one question it asks it
// before a name: whether to leave the name as it is. setup installs no watcher; the
// unattended program's log, receipt and unchanged files are one.
#pragma once

#include "engine/run_state.h"
#include "services/message.h"
#include "services/text.h"

namespace quelb {

// What the run does with a name, by the name alone.
enum class NameKind { kArchive, kPackage, kSetup, kOther };

NameKind KindOfName(const Text& name);

enum class NameResult {
  kDelivered,    // copied, stored in the download folder, or expanded
  kInPlace,      // a package read from the download folder itself, which is left there
  kLeftOut,      // SETUP.EXE
  kNotExpanded,  // an archive passed over at its in-use prompt
  kUnchanged,    // left as it is by the watcher, and not counted
  kSkipped,      // failed, and the answer went on without it
  kFailed,       // failed, or held by a program, and the run ended at it
};

struct NameReport {
  Text name;  // as the listing gave it
  NameKind kind;
  Text source;  // the source file
  Text target;  // the file it became; the target folder for an archive
  NameResult result;
  BoxFailure failure;  // the last failure, number 0 when there was none
  Text command;        // the command line an archive was given
  int exitCode = 0;    // the exit code of an archive's command
};

class DeliveryWatch {
 public:
  virtual ~DeliveryWatch() = default;
  // Asked before the run handles a name; true leaves it as it is.
  virtual bool LeavesUnchanged(const UpdateRunState& run) = 0;
  // Told before an archive's command is started, so that what it changes can be seen.
  virtual void ArchiveStarts(const UpdateRunState& run) = 0;
  // Told once for each name, when it is settled.
  virtual void NameSettled(const NameReport& report) = 0;
};

// Installs the watcher, nullptr for none, and returns the one it replaces.
DeliveryWatch* SetDeliveryWatch(DeliveryWatch* watch);

// For the run: the watcher's answer (false without one), and the report of the name at hand.
bool WatcherLeavesUnchanged(const UpdateRunState& run);
void TellArchiveStarts(const UpdateRunState& run);
void ReportNameAtHand(const UpdateRunState& run, NameResult result);

}  // namespace quelb

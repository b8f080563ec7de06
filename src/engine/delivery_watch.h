// What the run tells its watchers of each name it handles, and the one question it asks them
// before a name: whether to leave the name as it is. setup installs no watcher; the
// unattended program's log and its receipt are watchers.
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

// A watcher is told of the runs made while it exists.
class DeliveryWatch {
 public:
  DeliveryWatch();
  virtual ~DeliveryWatch();
  DeliveryWatch(const DeliveryWatch&) = delete;
  DeliveryWatch& operator=(const DeliveryWatch&) = delete;

  // Asked before the run handles a name; true from any watcher leaves it as it is.
  virtual bool LeavesUnchanged(const UpdateRunState&) { return false; }
  // Told when the run begins to handle a name it does not leave as it is.
  virtual void NameStarts(const UpdateRunState&) {}
  // Told before an archive's command is started, so that what it changes can be seen.
  virtual void ArchiveStarts(const UpdateRunState&) {}
  // Told once for each name, when it is settled.
  virtual void NameSettled(const NameReport&) {}
};

// For the run: whether a watcher leaves the name at hand as it is, which is then reported to
// them; else they are told that the run begins to handle it. And what else it tells them. What
// the watchers look at while they are asked or told shares one lookup batch (process.h): they
// raise no box and wait for nobody.
bool WatcherLeavesUnchanged(const UpdateRunState& run);
void TellArchiveStarts(const UpdateRunState& run);
void ReportNameAtHand(const UpdateRunState& run, NameResult result);

}  // namespace quelb

// Before a deploy stages anything, the bytes its copies and packages will take are summed for
// the volume of the target and that of the download folder (one sum when both are on one
// volume) and held against the room there: a release that cannot be staged whole is not begun.
// An archive's programs cannot be counted before it runs; its failure on a volume left without
// room for them is a full disk too.
#pragma once

#include <functional>
#include <vector>

#include "deploy/options.h"
#include "deploy/receipt_watch.h"
#include "services/own_files.h"

namespace quelb::deploy {

// How the deploy asks for the room on a folder's volume. A test gives a stand-in.
using RoomProbe = std::function<bool(ErrorState& errors, const Text& folder, VolumeRoom& room)>;
// Installs the probe and returns the one it replaces.
RoomProbe SetRoomProbe(RoomProbe probe);

// A volume without the room that staging needs on it.
struct Shortfall {
  // The target, the download folder, or both, as the options name them.
  std::vector<Text> folders;
  int64_t needed = 0;
  int64_t free = 0;
};

// The volumes that cannot take what the sources will stage there: each copy and package once
// by the file it becomes, without SETUP.EXE, archives and the names the watch leaves as they
// are. The watch keeps its decisions for the runs. Runs while the stages are the targets.
std::vector<Shortfall> ShortfallsOfStaging(const Options& options, ReceiptWatch& watch);

// Whether an archive's failure came for want of room: its stage's volume has less room left
// than the archive's own size, so the programs it unpacks could not be written whole there.
bool ArchiveFailedForRoom(const Options& options, const Text& archive);

}  // namespace quelb::deploy

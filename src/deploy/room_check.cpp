#include "deploy/room_check.h"

#include <algorithm>
#include <map>
#include <utility>

#include "deploy/stage.h"
#include "deploy/unchanged.h"
#include "engine/engine.h"
#include "services/dos_path.h"
#include "services/files.h"

namespace quelb::deploy {
namespace {

RoomProbe& Probe() {
  static RoomProbe probe = RoomOnVolumeOf;
  return probe;
}

bool RoomOf(const Text& folder, VolumeRoom& room) {
  ErrorState errors;
  return Probe()(errors, folder, room);
}

int64_t RoundedUp(int64_t size, int64_t unit) {
  return (size + unit - 1) / unit * unit;
}

// The size of each file the sources stage, by its staged path in capitals: a later source's
// file of the same name takes the place of an earlier one in the stage.
struct Staged {
  bool inDownload;
  int64_t size;
};

void AddSource(const Options& options, ReceiptWatch& watch, const Text& source,
               std::map<Text, Staged>& staged) {
  ForEachNameOfSource(source, StageOf(options.target), [&](const UpdateRunState& run) {
    const Text path = CopyTargetOf(run);
    FileFacts facts;
    if (path.empty() || !watch.DecidesToDeliver(run) || !FactsOf(run.SourceFilePath(), facts)) {
      return;
    }
    staged[UpperText(path)] = {KindOfName(run.CurrentFile) == NameKind::kPackage, facts.size};
  });
}

struct Volume {
  VolumeRoom room;
  Shortfall need;
};

// The volume of the folder among those found so far, or a new one; none when it cannot be
// asked, and nothing is then held against the deploy there.
Volume* VolumeOf(const Text& folder, std::vector<Volume>& volumes) {
  VolumeRoom room;
  if (!RoomOf(StageOf(folder), room)) return nullptr;
  auto volume = std::find_if(volumes.begin(), volumes.end(), [&room](const Volume& known) {
    return known.room.volume == room.volume;
  });
  if (volume == volumes.end()) {
    volumes.push_back({room, {}});
    volume = volumes.end() - 1;
  }
  volume->need.folders.push_back(folder);
  return &*volume;
}

}  // namespace

RoomProbe SetRoomProbe(RoomProbe probe) {
  return std::exchange(Probe(), std::move(probe));
}

std::vector<Shortfall> ShortfallsOfStaging(const Options& options, ReceiptWatch& watch) {
  std::map<Text, Staged> staged;
  for (const Text& source : options.sources) AddSource(options, watch, source, staged);
  std::vector<Volume> volumes;
  volumes.reserve(2);
  Volume* target = VolumeOf(options.target, volumes);
  Volume* download = VolumeOf(options.download, volumes);
  for (const auto& [path, file] : staged) {
    if (Volume* volume = file.inDownload ? download : target) {
      volume->need.needed += RoundedUp(file.size, volume->room.unitBytes);
    }
  }
  std::vector<Shortfall> shortfalls;
  for (Volume& volume : volumes) {
    volume.need.free = volume.room.freeBytes;
    if (volume.need.needed > volume.need.free) shortfalls.push_back(volume.need);
  }
  return shortfalls;
}

bool ArchiveFailedForRoom(const Options& options, const Text& archive) {
  FileFacts facts;
  VolumeRoom room;
  return KindOfName(dos::NameOf(archive)) == NameKind::kArchive && FactsOf(archive, facts) &&
         RoomOf(StageOf(options.target), room) && room.freeBytes < facts.size;
}

}  // namespace quelb::deploy

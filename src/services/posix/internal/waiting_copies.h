// Copies whose data is written and that wait to take their targets' places. One sync of each
// file system then puts the data of many on the disk at once, where a sync of every file
// would make the disk flush its cache once per file; each copy still learns of a write the
// disk refused for its own file, and none takes its target's place before its data is on the
// disk.
#pragma once

#include <memory>
#include <string>

#include "services/posix/internal/descriptor.h"
#include "services/posix/internal/replacement.h"

namespace quelb::posix {

struct WaitingCopy {
  // The target's folder, which the replacement's own descriptor of it refers to.
  Descriptor folder;
  std::unique_ptr<Replacement> replacement;
  std::string name;
  std::string targetPath;
};

// Whether copies into this folder may wait: on the local file systems whose sync of the whole
// file system puts every file's data and the entries that find it on the disk. Elsewhere
// (FAT, network and user-space file systems) each copy is synced by itself.
bool CopiesMayWaitIn(int folder);

// Keeps the copy, with its writeback started.
void KeepWaiting(WaitingCopy copy);

}  // namespace quelb::posix

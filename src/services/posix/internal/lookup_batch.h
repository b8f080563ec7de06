// What the lookups of one batch (PathLookupBatch, process.h) share: the drive table checked
// once, the current folder read once and its drive found once, and each device's file system
// id asked once.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "services/process.h"

namespace quelb::posix {

// The backend's own services open one around each lookup, and join one that lives.
using LookupBatch = PathLookupBatch;

void EnterLookupBatch();
void LeaveLookupBatch();

// True when the drive table is to be checked now: always outside a batch, once inside one.
bool DriveTableWanted();
// The current folder as getcwd gives it, or "/" when it has none.
const std::string& BatchCurrentFolder();
// The drive that find gives for the current folder, found once in a batch.
char BatchCurrentDrive(const std::function<char()>& find);
// After a change of the current folder, which a batch may span.
void ForgetBatchCurrentFolder();
// The id that ask gives for the device, asked once in a batch.
std::string FileSystemIdInBatch(dev_t device, const std::function<std::string()>& ask);
// Where a look at an absolute host path starts. A batch that looks into one folder again holds
// that folder open, and a look at a name in it then walks that name alone; any other look
// starts from AT_FDCWD with the whole path. The name points into hostPath.
struct LookStart {
  int folder;
  const char* name;
};
LookStart LookStartInBatch(const std::string& hostPath);
// stat of the path, from where its look starts.
int StatInBatch(const std::string& hostPath, struct stat& info);
// After a change of this process at hostPath: a folder held there or below, which may have
// been moved, removed or made anew, is opened again by its path.
void ForgetHeldFoldersAt(const std::string& hostPath);

}  // namespace quelb::posix

#include "services/posix/durability.h"

#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <string>

#include "services/files.h"
#include "services/posix/descriptor.h"

namespace quelb {
namespace {

std::set<std::string>& ChangedFolders() {
  static std::set<std::string> folders;
  return folders;
}

}  // namespace

void posix::NoteChangedFolder(const std::string& hostFolder) {
  ChangedFolders().insert(hostFolder);
}

// A folder that cannot be synced keeps its entries all the same; nothing is reported.
void MakeCopiesDurable() {
  for (const std::string& folder : ChangedFolders()) {
    const posix::Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen()) fsync(dir.Get());
  }
  ChangedFolders().clear();
}

}  // namespace quelb

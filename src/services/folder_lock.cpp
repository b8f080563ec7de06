#include "services/folder_lock.h"

#include <string>

namespace quelb {

Text FolderLockHolder(const Text& user, const Text& machine, uint64_t process, const Text& since) {
  return user + " on " + machine + ", process " + std::to_string(process) + ", since " + since;
}

}  // namespace quelb

// The places the delivery bench measures in: a tmpfs it mounts, and a folder on the disk.
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "harness.h"

namespace delivery {

std::optional<Place> MountTmpfs(const fs::path& scratch, const Options& options, std::string& why) {
  if (geteuid() != 0) {
    why = "mounting a tmpfs needs root";
    return std::nullopt;
  }
  const fs::path root = scratch / "tmpfs";
  fs::create_directories(root);
  const std::string size = "size=" + std::to_string(4 * options.bigSize / kMiB + 256) + "m";
  if (mount("tmpfs", root.c_str(), "tmpfs", 0, size.c_str()) != 0) {
    why = std::string("mount: ") + std::strerror(errno);
    return std::nullopt;
  }
  return Place{"tmpfs", root, true};
}

Place DiskFolder(const fs::path& scratch) {
  Place disk{"disk", scratch / "disk", false};
  fs::create_directories(disk.root);
  return disk;
}

}  // namespace delivery

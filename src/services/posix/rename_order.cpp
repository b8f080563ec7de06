#include "services/posix/rename_order.h"

#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace quelb::posix {
namespace {

bool HoldsOption(std::string_view options, std::string_view wanted) {
  for (size_t start = 0; start <= options.size();) {
    const size_t comma = options.find(',', start);
    const size_t end = comma == std::string_view::npos ? options.size() : comma;
    if (options.substr(start, end - start) == wanted) return true;
    start = end + 1;
  }
  return false;
}

// A line reads: id parent major:minor root mount-point options [tags...] - type source
// super-options. Nothing when the line is of another device.
std::optional<bool> VerdictOfLine(const std::string& line, dev_t device) {
  std::istringstream fields(line);
  std::string id, parent, numbers, word;
  fields >> id >> parent >> numbers;
  unsigned major = 0;
  unsigned minor = 0;
  if (std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2) return std::nullopt;
  if (makedev(major, minor) != device) return std::nullopt;
  while (fields >> word && word != "-") {
  }
  std::string fileSystem, source, superOptions;
  fields >> fileSystem >> source >> superOptions;
  return RenameOrdersData(fileSystem, superOptions);
}

// The last mount of the device counts; a device that is not found is synced file by file.
bool LookUp(dev_t device) {
  std::ifstream mounts("/proc/self/mountinfo");
  bool orders = false;
  for (std::string line; std::getline(mounts, line);) {
    if (const std::optional<bool> verdict = VerdictOfLine(line, device)) orders = *verdict;
  }
  return orders;
}

}  // namespace

bool RenameOrdersData(std::string_view fileSystem, std::string_view superOptions) {
  if (fileSystem == "tmpfs") return true;
  return fileSystem == "ext4" && !HoldsOption(superOptions, "data=writeback") &&
         !HoldsOption(superOptions, "noauto_da_alloc");
}

bool RenameOrdersDataOn(dev_t device) {
  static std::map<dev_t, bool> known;
  const auto found = known.find(device);
  if (found != known.end()) return found->second;
  return known[device] = LookUp(device);
}

}  // namespace quelb::posix

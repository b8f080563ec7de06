#include "services/posix/rename_order.h"

#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>

namespace quelb::posix {
namespace {

bool HoldsOption(std::string_view options, std::string_view wanted) {
  for (size_t start = 0; start <= options.size();) {
    const size_t end = std::min(options.find_first_of(",\n", start), options.size());
    if (options.substr(start, end - start) == wanted) return true;
    start = end + 1;
  }
  return false;
}

// ext4 lists a file system under the kernel's name of its block device, which the device's
// entry in /sys links to.
std::string Ext4OptionsOf(dev_t device) {
  const std::string entry =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::error_code error;
  const std::filesystem::path block = std::filesystem::read_symlink(entry, error);
  if (error) return {};
  std::ifstream options("/proc/fs/ext4/" + block.filename().string() + "/options");
  return std::string(std::istreambuf_iterator<char>(options), std::istreambuf_iterator<char>());
}

}  // namespace

bool RenameOrdersData(std::string_view ext4Options) {
  const bool ordered =
      HoldsOption(ext4Options, "data=ordered") || HoldsOption(ext4Options, "data=journal");
  return ordered && HoldsOption(ext4Options, "auto_da_alloc");
}

bool RenameOrdersDataOn(dev_t device) {
  static std::map<dev_t, bool> known;
  const auto found = known.find(device);
  if (found != known.end()) return found->second;
  return known[device] = RenameOrdersData(Ext4OptionsOf(device));
}

}  // namespace quelb::posix

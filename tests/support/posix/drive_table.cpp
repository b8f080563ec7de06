// Temporary folders and drive tables on POSIX: a drive is a link in the dosdevices folder of
// a Wine prefix of the test's own.
#include <stdlib.h>

#include <cctype>
#include <stdexcept>

#include "support/temp_folder.h"

namespace quelb::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quelb-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

bool ReadOnlyIsIgnored() {
  return false;
}

bool DrivesWithoutDiskCanBeMade() {
  return true;
}

DriveTable::DriveTable() {
  std::filesystem::create_directories(prefix_ / "dosdevices");
  winePrefix_.Set(prefix_.Path().string());
}

DriveTable::~DriveTable() = default;

namespace {

char Lower(char letter) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
}

}  // namespace

std::filesystem::path DriveTable::Root(char letter) {
  const char lower = Lower(letter);
  const auto root = prefix_ / (std::string("drive_") + lower);
  const auto link = prefix_ / "dosdevices" / (std::string(1, lower) + ":");
  if (!std::filesystem::exists(root)) std::filesystem::create_directories(root);
  if (!std::filesystem::is_symlink(link)) std::filesystem::create_directory_symlink(root, link);
  return root;
}

void DriveTable::Link(char letter, const std::filesystem::path& target) {
  const auto link = prefix_ / "dosdevices" / (std::string(1, Lower(letter)) + ":");
  std::filesystem::remove(link);
  std::filesystem::create_directory_symlink(target, link);
}

}  // namespace quelb::testing

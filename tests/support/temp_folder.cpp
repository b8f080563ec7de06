#include "support/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quelb::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quelb-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Read-only files and folders must not keep the tree from being removed.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void MakeReadOnly(const std::filesystem::path& path) {
  std::filesystem::permissions(path,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
}

DriveTable::DriveTable() {
  std::filesystem::create_directories(prefix_ / "dosdevices");
  winePrefix_.Set(prefix_.Path().string());
}

namespace {

char Lower(char letter) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
}

}  // namespace

std::filesystem::path DriveTable::Root(char letter) {
  const auto root = prefix_ / (std::string("drive_") + Lower(letter));
  const auto link = prefix_ / "dosdevices" / (std::string(1, Lower(letter)) + ":");
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

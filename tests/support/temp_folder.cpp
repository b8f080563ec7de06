#include "support/temp_folder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quelb::testing {

TempFolder::~TempFolder() {
  RemoveTree(path_);
}

void RemoveTree(const std::filesystem::path& path) {
  std::error_code ignored;
  // Read-only files and folders must not keep the tree from being removed.
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(path, ignored);
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

ErrorNumber MissingDriveNumber() {
#ifdef _WIN32
  if (UnderWine()) return 53;
#endif
  return 76;
}

}  // namespace quelb::testing

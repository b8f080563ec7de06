// Makes a folder current for a test's scope and restores the previous one afterwards.
#pragma once

#include <filesystem>

namespace quelb::testing {

class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolderScope() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace quelb::testing

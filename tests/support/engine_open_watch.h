// Sees which files of a folder are opened, in order (through inotify on Linux): how a test
// tells which files the in-use check tested.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quelb::testing {

class OpenWatch {
 public:
  explicit OpenWatch(const std::filesystem::path& folder);
  ~OpenWatch();
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

  // Whether the platform tells a watcher of opens at all; Windows does not.
  static bool Available();

  // The files (not folders) opened since the watch began or since the last call, in order,
  // each once for every open.
  std::vector<std::string> Opened();

 private:
  int watch_ = -1;
};

}  // namespace quelb::testing

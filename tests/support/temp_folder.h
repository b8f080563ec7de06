// Real temporary folders for tests, removed with everything in them afterwards.
#pragma once

#include <filesystem>
#include <string>

#include "support/guards.h"

namespace quelb::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);
void MakeReadOnly(const std::filesystem::path& path);

// A drive table of the test's own: a prefix folder whose dosdevices/c: and a: link to
// folders of it, set as WINEPREFIX for the test's lifetime.
class DriveTable {
 public:
  DriveTable();
  DriveTable(const DriveTable&) = delete;
  DriveTable& operator=(const DriveTable&) = delete;

  // The host folder behind a drive letter, created on demand.
  std::filesystem::path Root(char letter);
  // Makes the drive's entry a link to target, which need not exist (a drive without a disk).
  void Link(char letter, const std::filesystem::path& target);

 private:
  TempFolder prefix_;
  EnvironmentGuard winePrefix_{"WINEPREFIX"};
};

}  // namespace quelb::testing

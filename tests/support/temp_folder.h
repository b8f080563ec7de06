// Real temporary folders for tests, removed with everything in them afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "services/error.h"
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

// Removes a file or a folder with everything in it, read-only or not.
void RemoveTree(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);
void MakeReadOnly(const std::filesystem::path& path);
#ifdef _WIN32
// Windows marks hidden and system files by attribute, not by name.
inline constexpr uint32_t kHiddenAttribute = 0x02;
inline constexpr uint32_t kSystemAttribute = 0x04;
void SetAttributes(const std::filesystem::path& path, uint32_t attributes);
// Wine answers a few requests otherwise than Windows; the tests say where.
bool UnderWine();
#endif
// The number of a path on a drive that is not there: Wine reports the file as missing (2)
// where Windows reports the path (3).
ErrorNumber MissingDriveNumber();
// Whether this account writes read-only files all the same, as root does under Wine; the
// POSIX backend refuses them to everyone.
bool ReadOnlyIsIgnored();
inline constexpr const char* kReadOnlyIgnored =
    "this account writes read-only files anyway (Wine run as root); run as an ordinary user";
// Whether a drive table can make a drive without its disk. On POSIX its entry links to a folder
// that is not there; Windows needs a removable device without its medium, which a test cannot
// make, and Wine's drives are host folders that answer as missing drives when absent.
bool DrivesWithoutDiskCanBeMade();
inline constexpr const char* kNoDriveWithoutDisk =
    "a drive without its disk needs a removable device without its medium";

// A drive table of the test's own. On POSIX: a prefix folder whose dosdevices/c: and a:
// link to folders of it, set as WINEPREFIX for the test's lifetime. On Windows: the system's
// C:, given back as it was, and other letters naming folders of the table.
class DriveTable {
 public:
  DriveTable();
  ~DriveTable();
  DriveTable(const DriveTable&) = delete;
  DriveTable& operator=(const DriveTable&) = delete;

  // The folder behind a drive letter, created on demand: a host folder on POSIX, the drive's
  // root on Windows.
  std::filesystem::path Root(char letter);
  const std::filesystem::path& Prefix() const { return prefix_.Path(); }
  // Makes the drive's entry a link to target, which on POSIX need not exist (a drive without
  // a disk). On Windows the drive becomes a second name of a folder that is there.
  void Link(char letter, const std::filesystem::path& target);

 private:
  TempFolder prefix_;
#ifdef _WIN32
  static std::filesystem::path SystemRoot();
  std::vector<char> defined_;
  std::vector<std::filesystem::path> systemEntries_;
#else
  EnvironmentGuard winePrefix_{"WINEPREFIX"};
#endif
};

}  // namespace quelb::testing

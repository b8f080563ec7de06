// Temporary folders and drive tables on Windows. C: is the system's own drive: the table
// hands out its root and removes afterwards what the test added there. Any other letter is
// made to name a fresh folder for the table's lifetime: with DefineDosDeviceA where the
// platform lets that name files, else through the mount manager, as Wine's own drive
// settings do. Drives are the prefix's, so the tests that use them run one at a time.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <stdexcept>
#include <vector>

#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;

// The mount manager's request that names a drive's host folder (Wine's mountmgr.h).
constexpr DWORD kDefineHostDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct HostDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG hostDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};

std::string DriveName(char letter) {
  return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) + ":";
}

std::string HostPathOf(const fs::path& folder) {
  using ToHost = char*(__cdecl*)(const wchar_t*);
  const auto toHost = reinterpret_cast<ToHost>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (toHost == nullptr) return {};
  char* host = toHost(folder.wstring().c_str());
  if (host == nullptr) return {};
  std::string path = host;
  HeapFree(GetProcessHeap(), 0, host);
  return path;
}

// An empty host folder removes the drive.
bool DefineHostDrive(char letter, const std::string& hostFolder) {
  std::vector<char> request(sizeof(HostDrive) + hostFolder.size() + 1, '\0');
  auto* drive = reinterpret_cast<HostDrive*>(request.data());
  drive->size = static_cast<ULONG>(request.size());
  drive->letter = static_cast<WCHAR>(std::tolower(static_cast<unsigned char>(letter)));
  drive->type = hostFolder.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
  if (!hostFolder.empty()) {
    drive->mountPointOffset = sizeof(HostDrive);
    hostFolder.copy(request.data() + sizeof(HostDrive), hostFolder.size());
  }
  HANDLE manager =
      CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(manager, kDefineHostDrive, request.data(), static_cast<DWORD>(request.size()),
                      nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return done;
}

bool RootIsThere(char letter) {
  return GetFileAttributesA((DriveName(letter) + "\\").c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Define(char letter, const fs::path& folder) {
  if (DefineDosDeviceA(0, DriveName(letter).c_str(), folder.string().c_str()) &&
      RootIsThere(letter)) {
    return;
  }
  DefineDosDeviceA(DDD_REMOVE_DEFINITION, DriveName(letter).c_str(), nullptr);
  if (!DefineHostDrive(letter, HostPathOf(folder)) || !RootIsThere(letter)) {
    DefineHostDrive(letter, {});
    throw std::runtime_error("cannot define drive " + DriveName(letter));
  }
}

// A drive the mount manager made outlives a removed device definition, and would otherwise
// stay in the prefix for every later test.
void Remove(char letter) {
  if (!DefineDosDeviceA(DDD_REMOVE_DEFINITION, DriveName(letter).c_str(), nullptr) ||
      RootIsThere(letter)) {
    DefineHostDrive(letter, {});
  }
}

std::vector<fs::path> EntriesOf(const fs::path& folder) {
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
  return entries;
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("quelb-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

void SetAttributes(const fs::path& path, uint32_t attributes) {
  if (!SetFileAttributesA(path.string().c_str(), attributes)) {
    throw std::runtime_error("cannot set the attributes of " + path.string());
  }
}

bool DrivesWithoutDiskCanBeMade() {
  return false;
}

bool UnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll"), "wine_get_version") != nullptr;
}

bool ReadOnlyIsIgnored() {
  static const bool ignored = [] {
    const TempFolder folder;
    const fs::path file = folder / "READONLY";
    WriteFile(file, "x");
    MakeReadOnly(file);
    HANDLE opened = CreateFileA(file.string().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    CloseHandle(opened);
    return true;
  }();
  return ignored;
}

DriveTable::DriveTable() = default;

// A folder that is current cannot be removed, so the table leaves its drives first; whoever
// made the folder current puts it back.
DriveTable::~DriveTable() {
  std::error_code ignored;
  fs::current_path(fs::temp_directory_path(), ignored);
  for (const char letter : defined_) Remove(letter);
  if (systemEntries_.empty()) return;
  for (const fs::path& entry : EntriesOf(SystemRoot())) {
    if (std::find(systemEntries_.begin(), systemEntries_.end(), entry) == systemEntries_.end()) {
      RemoveTree(entry);
    }
  }
}

fs::path DriveTable::SystemRoot() {
  return "C:\\";
}

fs::path DriveTable::Root(char letter) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  if (lower == 'c') {
    if (systemEntries_.empty()) systemEntries_ = EntriesOf(SystemRoot());
    return SystemRoot();
  }
  const fs::path root = prefix_ / (std::string("drive_") + lower);
  if (std::find(defined_.begin(), defined_.end(), lower) == defined_.end()) {
    fs::create_directories(root);
    Define(lower, root);
    defined_.push_back(lower);
  }
  return DriveName(lower) + "\\";
}

// A Windows drive names a device or a folder that is there: a second name for a folder, as
// subst gives one. A drive without its medium needs a removable device, which no test can
// make, so a missing target is refused.
void DriveTable::Link(char letter, const fs::path& target) {
  if (!fs::is_directory(target)) {
    throw std::logic_error("a Windows test drive cannot be linked to " + target.string());
  }
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  if (std::find(defined_.begin(), defined_.end(), lower) != defined_.end()) Remove(lower);
  Define(lower, target);
  if (std::find(defined_.begin(), defined_.end(), lower) == defined_.end()) {
    defined_.push_back(lower);
  }
}

}  // namespace quelb::testing

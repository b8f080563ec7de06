// The environment, the command tail and the current drive and folder on POSIX. Each drive
// remembers the folder the process last had on it, as each Windows drive keeps its own
// current folder, so that changing back to a drive returns there.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "services/dos_path.h"
#include "services/posix/internal/command_tail.h"
#include "services/posix/internal/drive_table.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/lookup_batch.h"
#include "services/posix/internal/path_translation.h"
#include "services/process.h"
#include "services/windows_codes.h"

extern char** environ;

namespace quelb {
namespace {

Text ReadCommandTail() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  return posix::TailOfArguments(
      std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

std::array<std::string, 26>& RememberedFolders() {
  static std::array<std::string, 26> folders;
  return folders;
}

std::optional<std::string> HostCurrentFolder(ErrorState& state) {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  if (!cwd) {
    posix::StoreErrno(state, errno, {});
    return std::nullopt;
  }
  return std::string(cwd.get());
}

// A folder under a drive root is reported in drive form, the root with its closing
// separator; a folder under none as its host path.
Text Reported(const std::string& folder) {
  const char drive = posix::DriveHolding(folder);
  return drive == 0 ? folder : posix::InDriveForm(drive, folder);
}

void RememberCurrentFolder() {
  ErrorState ignored;
  const char drive = posix::CurrentDrive();
  if (drive == 0) return;
  if (std::optional<std::string> folder = HostCurrentFolder(ignored)) {
    RememberedFolders()[drive - 'a'] = *folder;
  }
}

// The folder each drive was left in is remembered first, as Windows keeps it per drive.
bool ChangeHostFolder(const std::string& folder) {
  RememberCurrentFolder();
  const bool changed = chdir(folder.c_str()) == 0;
  posix::ForgetBatchCurrentFolder();
  return changed;
}

std::optional<std::string> RootOfDrive(ErrorState& state, const Text& drive) {
  std::optional<std::string> root = posix::DriveRoot(drive[0]);
  // A letter without a drive behind it names a path that is not there.
  if (!root) StoreWindowsError(state, wincode::kPathNotFound, ENODEV);
  return root;
}

// The folder a change to the drive would make current: the current folder when it lies on
// that drive, else the one last had there while it still exists, else the drive's root.
std::optional<std::string> FolderOfDrive(ErrorState& state, char letter, const std::string& root) {
  if (posix::CurrentDrive() == letter) return HostCurrentFolder(state);
  const std::string& remembered = RememberedFolders()[letter - 'a'];
  if (!remembered.empty() && posix::IsHostFolder(remembered)) return remembered;
  // A drive whose root is not there has no disk in it.
  if (!posix::IsHostFolder(root)) {
    StoreWindowsError(state, wincode::kNotReady, ENOENT);
    return std::nullopt;
  }
  return root;
}

}  // namespace

// Names are matched as Windows matches them: as spelt first, then in any ASCII letter case
// (Wine and Windows spell the interpreter's variable ComSpec). A name that holds "=" names
// no variable.
Text EnvironmentValue(const Text& name) {
  if (name.empty() || name.find('=') != Text::npos) return {};
  if (const char* value = std::getenv(name.c_str())) return value;
  const Text wanted = UpperText(name);
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    const size_t equals = variable.find('=');
    if (equals != std::string_view::npos && UpperText(Text(variable.substr(0, equals))) == wanted) {
      return Text(variable.substr(equals + 1));
    }
  }
  return {};
}

Text EnvironmentFault() {
  const std::optional<std::string> prefix = posix::RelativeWinePrefix();
  if (!prefix) return {};
  return "WINEPREFIX must name the Wine prefix by an absolute path, and \"" + *prefix +
         "\" is not one";
}

Text CommandTail() {
  static const Text tail = ReadCommandTail();
  return tail;
}

Text CurrentFolder(ErrorState& state, const Text& drive) {
  if (drive.empty()) {
    const std::optional<std::string> folder = HostCurrentFolder(state);
    return folder ? Reported(*folder) : Text();
  }
  const std::optional<std::string> root = RootOfDrive(state, drive);
  if (!root) return {};
  const char letter = LowerText(drive.substr(0, 1))[0];
  const std::optional<std::string> folder = FolderOfDrive(state, letter, *root);
  return folder ? posix::InDriveForm(letter, *folder) : Text();
}

void ChangeDrive(ErrorState& state, const Text& drive) {
  if (drive.empty()) return;
  const std::optional<std::string> root = RootOfDrive(state, drive);
  if (!root) return;
  const char letter = LowerText(drive.substr(0, 1))[0];
  if (posix::CurrentDrive() == letter) return;
  const std::optional<std::string> folder = FolderOfDrive(state, letter, *root);
  if (!folder) return;
  if (!ChangeHostFolder(*folder)) posix::StoreErrno(state, errno, *folder);
}

void ChangeFolder(ErrorState& state, const Text& path) {
  if (dos::HoldsWildcard(path)) {
    return StoreWindowsError(state, wincode::kPathNotFound, 0);
  }
  const std::optional<std::string> hostPath = posix::HostPathOrError(state, path);
  if (!hostPath) return;
  if (ChangeHostFolder(*hostPath)) return;
  // A folder that is not found is reported as a missing path, never as a missing file.
  if (errno == ENOENT) return StoreWindowsError(state, wincode::kPathNotFound, ENOENT);
  // The path itself is there but is no folder; a file further up would leave no path.
  if (errno == ENOTDIR && access(hostPath->c_str(), F_OK) == 0) {
    return StoreWindowsError(state, wincode::kDirectory, ENOTDIR);
  }
  posix::StoreErrno(state, errno, *hostPath);
}

PathLookupBatch::PathLookupBatch() {
  posix::EnterLookupBatch();
}

PathLookupBatch::~PathLookupBatch() {
  posix::LeaveLookupBatch();
}

}  // namespace quelb

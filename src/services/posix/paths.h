// The POSIX meaning of drives and DOS paths. A drive letter names a folder through the drive
// table: the links a: .. z: in the folder dosdevices of $WINEPREFIX (default ~/.wine, the
// home taken from the password file when HOME is unset).
#pragma once

#include <dirent.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "services/error.h"
#include "services/text.h"

namespace quelb::posix {

// True when the text holds a character that no Windows name holds: " * ? < > | or a control
// character.
bool HoldsInvalidCharacter(std::string_view text);

// WINEPREFIX when it is set to a relative path, which names no drive table: Wine refuses
// one. Nothing when it is unset, empty or absolute.
std::optional<std::string> RelativeWinePrefix();

// 0 to 25 for a drive letter in either case, -1 for any other character.
int DriveIndex(char letter);

// The host folder behind a drive letter, or nothing when the drive is not there. The table
// is read once and again only when its folder changes.
std::optional<std::string> DriveRoot(char letter);

// The lettered drive whose root holds the host folder, the longest root winning, or 0 when
// the folder lies on none.
char DriveHolding(const std::string& hostFolder);

// The lettered drive whose root holds the current folder, or 0 when it lies on none.
char CurrentDrive();

// While one lives, the translations made meanwhile share what one service call cannot change:
// the drive table is checked for a change at its first use only, and the current folder is
// read once. One made while another lives joins it. A batch must not outlive a change of the
// current folder.
class LookupBatch {
 public:
  LookupBatch();
  ~LookupBatch();
  LookupBatch(const LookupBatch&) = delete;
  LookupBatch& operator=(const LookupBatch&) = delete;

  // True when the drive table is to be checked now: always outside a batch, once inside one.
  static bool TableWanted();
  // The current folder as getcwd gives it, or "/" when it has none.
  static const std::string& CurrentFolder();
};

// True when the drive table holds no drive at all, so that no folder lies on a drive.
bool NoDrives();

// A host folder on the drive whose root holds it, as Windows writes it: "D:\" for the root,
// "C:\QUELB\SETUP" inside. A folder whose names no drive path can carry keeps its host path.
Text InDriveForm(char letter, const std::string& hostFolder);

// Translates a path as the logic writes it into a host path. "\" and "/" both separate;
// "X:" starts a drive path; a leading separator without a drive is on the current drive;
// each component is matched exactly first, then without regard to ASCII case. A path that
// names no host file gives nothing: one on a drive that is not there or has no disk in it,
// or one holding a character no Windows name holds (a ":" after the drive of a drive path
// among them; host paths, without a drive, may hold ":").
std::optional<std::string> HostPath(const Text& path);

// The host path that HostPath gives whenever a file or folder is there under exactly that
// path, found without looking at the path itself: a caller that then finds it there has
// its translation at no cost. Nothing where HostPath gives nothing for want of a drive or
// for a character that no Windows name holds.
std::optional<std::string> HostPathAsWritten(const Text& path);

// HostPath that stores why a path names no host file: ERROR_INVALID_NAME for a character no
// Windows name holds, ERROR_NOT_READY for a drive without a disk, ERROR_PATH_NOT_FOUND for
// a drive that is not there.
std::optional<std::string> HostPathOrError(ErrorState& state, const Text& path);

// The folder part of a host path: "." for a bare name, "/" for a name in the root.
std::string HostFolderOf(const std::string& hostPath);

// The last part of a host path, which names it in HostFolderOf; "." for the root.
std::string HostNameOf(const std::string& hostPath);

// The host path of name in folder.
std::string JoinHostPath(const std::string& folder, const std::string& name);

// True when folder is root or lies below it; both are host paths without a closing "/".
bool HoldsFolder(const std::string& root, const std::string& folder);

// True when the host path names a folder or a link to one.
bool IsHostFolder(const std::string& hostPath);

// True when the host path names a regular file or a link to one.
bool IsHostFile(const std::string& hostPath);

// The host path with every link resolved, or the path as given when it is not there.
std::string CanonicalHostPath(const std::string& hostPath);

struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
// A folder of the host opened for reading its entries, closed with its owner.
using OpenFolder = std::unique_ptr<DIR, FolderCloser>;

}  // namespace quelb::posix

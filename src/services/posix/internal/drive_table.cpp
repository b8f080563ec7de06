// The drive table, read once and kept: it is read again only when the dosdevices folder has
// changed since (its stamp differs), or when it was read so soon after a change that a
// further change within the same tick of the file system's clock could have left the stamp
// as it was.
#include "services/posix/internal/drive_table.h"

#include <dirent.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "services/dos_path.h"
#include "services/posix/internal/folder_names.h"
#include "services/posix/internal/host_paths.h"
#include "services/posix/internal/lookup_batch.h"

namespace quelb::posix {
namespace {

constexpr int kLetters = 26;
// Longer than a tick of any file system clock, so that a stamp this much older than the
// reading cannot hide a change made after it.
constexpr int64_t kSettledNanoseconds = 100'000'000;
// Grown as long as an entry does not fit.
constexpr size_t kPasswordEntryBuffer = 1024;

struct Drive {
  std::string root;
  // False while the link's target is missing: a drive without a disk.
  bool resolved = false;
};

struct Table {
  std::string folder;
  std::optional<FolderStamp> stamp;
  bool settled = false;
  std::array<std::optional<Drive>, kLetters> drives;
};

const char* WinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  return prefix != nullptr && *prefix != '\0' ? prefix : nullptr;
}

// Empty when the account has no entry or no home there.
std::string HomeInPasswordFile() {
  std::vector<char> buffer(kPasswordEntryBuffer);
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') return {};
  return found->pw_dir;
}

// The home of the password file where HOME names none, as Wine takes it, so that a drive
// table is never looked for in the current folder. The password file is read once.
std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  static const std::string fromPasswordFile = HomeInPasswordFile();
  return fromPasswordFile;
}

// Empty, so that no drive is there, when no folder can be told: a relative prefix, which
// would name another table in every folder, or an account without a home.
std::string DriveTableFolder() {
  if (const char* prefix = WinePrefix()) {
    return prefix[0] == '/' ? JoinHostPath(prefix, "dosdevices") : std::string();
  }
  const std::string home = HomeFolder();
  return home.empty() ? home : JoinHostPath(JoinHostPath(home, ".wine"), "dosdevices");
}

std::optional<std::string> LinkTarget(const std::string& link) {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

int64_t Nanoseconds(const timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Every change of the folder's entries sets its modification time to the clock's tick.
bool SettledBefore(const FolderStamp& stamp, const timespec& readAt) {
  return Nanoseconds(readAt) - Nanoseconds(stamp.modified) > kSettledNanoseconds;
}

// A relative link is taken from the dosdevices folder, as Wine takes it.
void Resolve(Drive& drive) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(drive.root.c_str(), nullptr),
                                                       &std::free);
  if (!resolved) return;
  drive.root = resolved.get();
  drive.resolved = true;
}

std::optional<Drive> DriveOf(const std::string& folder, const std::string& entry) {
  const std::optional<std::string> target = LinkTarget(JoinHostPath(folder, entry));
  if (!target || target->empty()) return std::nullopt;
  Drive drive;
  drive.root = target->front() == '/' ? *target : JoinHostPath(folder, *target);
  drive.root = std::filesystem::path(drive.root).lexically_normal().string();
  if (drive.root.size() > 1 && drive.root.back() == '/') drive.root.pop_back();
  Resolve(drive);
  return drive;
}

void Read(Table& table, const std::string& folder, const std::optional<FolderStamp>& stamp) {
  timespec readAt{};
  clock_gettime(CLOCK_REALTIME, &readAt);
  table = Table{folder, stamp, stamp && SettledBefore(*stamp, readAt), {}};
  if (!stamp) return;
  const OpenFolder dir(opendir(folder.c_str()));
  if (!dir) return;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.size() != 2 || !dos::StartsWithDrive(name)) continue;
    table.drives[dos::DriveIndex(name[0])] = DriveOf(folder, name);
  }
}

Table& CurrentTable() {
  static Table table;
  if (!DriveTableWanted()) return table;
  const std::string folder = DriveTableFolder();
  struct stat info;
  std::optional<FolderStamp> stamp;
  if (!folder.empty() && stat(folder.c_str(), &info) == 0) stamp = StampOf(info);
  if (!table.settled || table.folder != folder || table.stamp != stamp) {
    Read(table, folder, stamp);
  }
  return table;
}

}  // namespace

std::optional<std::string> RelativeWinePrefix() {
  const char* prefix = WinePrefix();
  if (prefix == nullptr || prefix[0] == '/') return std::nullopt;
  return prefix;
}

std::optional<std::string> DriveRoot(char letter) {
  const int index = dos::DriveIndex(letter);
  if (index < 0) return std::nullopt;
  std::optional<Drive>& drive = CurrentTable().drives[index];
  if (!drive) return std::nullopt;
  // A disk put in since the table was read makes the target appear.
  if (!drive->resolved) Resolve(*drive);
  return drive->root;
}

bool NoDrives() {
  const Table& table = CurrentTable();
  return std::none_of(table.drives.begin(), table.drives.end(),
                      [](const std::optional<Drive>& drive) { return drive.has_value(); });
}

char DriveHolding(const std::string& folder) {
  const Table& table = CurrentTable();
  char best = 0;
  size_t bestLength = 0;
  for (int index = 0; index < kLetters; ++index) {
    const std::optional<Drive>& drive = table.drives[index];
    if (!drive || !HoldsFolder(drive->root, folder)) continue;
    if (best == 0 || drive->root.size() > bestLength) {
      best = static_cast<char>('a' + index);
      bestLength = drive->root.size();
    }
  }
  return best;
}

// The current folder as getcwd gives it has no links in it, so it compares with the roots.
// A table without drives answers without it.
char CurrentDrive() {
  const LookupBatch batch;
  return BatchCurrentDrive([] { return NoDrives() ? '\0' : DriveHolding(BatchCurrentFolder()); });
}

}  // namespace quelb::posix

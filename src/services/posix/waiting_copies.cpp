// Copies that wait to take their targets' places together, after one sync of each file system
// that holds them.
#include "services/posix/internal/waiting_copies.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "services/files.h"
#include "services/posix/internal/errno_map.h"
#include "services/posix/internal/folder_names.h"

namespace quelb {
namespace {

using posix::WaitingCopy;

// Each waiting copy holds two descriptors, and its data stays in memory until its sync.
constexpr size_t kMostWaiting = 256;
constexpr rlim_t kDescriptorsLeftFree = 64;

std::vector<WaitingCopy>& Waiting() {
  static std::vector<WaitingCopy> waiting;
  return waiting;
}

size_t MostWaiting() {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return kMostWaiting;
  }
  if (limit.rlim_cur < kDescriptorsLeftFree + 4) return 1;
  return std::min<size_t>(kMostWaiting, (limit.rlim_cur - kDescriptorsLeftFree) / 2);
}

// The file system a copy's folder is on; a folder that cannot say is synced by itself.
std::optional<dev_t> DeviceOf(const WaitingCopy& copy) {
  struct stat info {};
  if (fstat(copy.folder.Get(), &info) != 0) return std::nullopt;
  return info.st_dev;
}

// Each file system once, through the first copy's own file: the sync then also reports what
// the file system failed to write since that file was opened. One whose sync fails is synced file
// by file instead, so that each copy is told whether its own data reached the disk.
void SyncFileSystems(std::vector<WaitingCopy>& copies, std::vector<ErrorNumber>& failures) {
  std::map<dev_t, bool> syncedWell;
  for (size_t i = 0; i < copies.size(); ++i) {
    if (failures[i] != 0) continue;
    const std::optional<dev_t> device = DeviceOf(copies[i]);
    if (device) {
      const auto known = syncedWell.find(*device);
      if (known == syncedWell.end()) {
        syncedWell[*device] = syncfs(copies[i].replacement->Get()) == 0;
      }
      if (syncedWell[*device]) continue;
    }
    ErrorState state;
    copies[i].replacement->SyncData(state, copies[i].targetPath);
    failures[i] = TakeError(state);
  }
}

}  // namespace

bool posix::CopiesMayWaitIn(int folder) {
  constexpr long kExt = 0xEF53;
  constexpr long kXfs = 0x58465342;
  constexpr long kBtrfs = 0x9123683E;
  constexpr long kTmpfs = 0x01021994;
  struct statfs info {};
  if (fstatfs(folder, &info) != 0) return false;
  const long type = static_cast<long>(info.f_type);
  return type == kExt || type == kXfs || type == kBtrfs || type == kTmpfs;
}

void posix::KeepWaiting(WaitingCopy copy) {
  copy.replacement->StartWriteback();
  Waiting().push_back(std::move(copy));
}

bool ShouldFinishCopies() {
  return Waiting().size() >= MostWaiting();
}

// The data of every copy is waited for first, so that a write the disk refused is told to
// its own copy; the file systems are synced next, and only then are the targets replaced.
std::vector<CopyFailure> FinishCopies() {
  std::vector<WaitingCopy> copies = std::move(Waiting());
  Waiting().clear();
  std::vector<ErrorNumber> failures(copies.size());
  for (size_t i = 0; i < copies.size(); ++i) {
    ErrorState state;
    copies[i].replacement->WaitForData(state, copies[i].targetPath);
    failures[i] = TakeError(state);
  }
  SyncFileSystems(copies, failures);
  std::vector<CopyFailure> failed;
  for (size_t i = 0; i < copies.size(); ++i) {
    ErrorState state;
    if (failures[i] == 0) {
      copies[i].replacement->TakePlace(state, copies[i].name, copies[i].targetPath);
      posix::NoteOwnChange(copies[i].targetPath);
      failures[i] = TakeError(state);
    }
    if (failures[i] != 0) failed.push_back({i, failures[i]});
  }
  return failed;
}

}  // namespace quelb

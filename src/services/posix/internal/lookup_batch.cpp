// The lookup batch: a depth count and what the outermost batch has seen.
#include "services/posix/internal/lookup_batch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "services/posix/internal/host_paths.h"

namespace quelb::posix {
namespace {

std::string ReadCurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string("/");
}

// A folder of the batch's looks, opened on its second look; -1 until then or when it cannot be.
struct HeldFolder {
  int fd = -1;
  bool tried = false;
};

// Enough for the folders of a source, a target and a download folder, and few enough that a
// batch over a tree of folders does not hold a descriptor for each.
constexpr size_t kHeldFolders = 16;

struct BatchState {
  int depth = 0;
  bool tableChecked = false;
  std::optional<std::string> currentFolder;
  std::optional<char> currentDrive;
  std::map<dev_t, std::string> fileSystemIds;
  std::map<std::string, HeldFolder> folders;
};

BatchState& Batch() {
  static BatchState state;
  return state;
}

}  // namespace

void EnterLookupBatch() {
  ++Batch().depth;
}

void LeaveLookupBatch() {
  BatchState& batch = Batch();
  if (--batch.depth > 0) return;
  batch.tableChecked = false;
  batch.currentFolder.reset();
  batch.currentDrive.reset();
  batch.fileSystemIds.clear();
  for (const auto& [path, folder] : batch.folders) {
    if (folder.fd >= 0) close(folder.fd);
  }
  batch.folders.clear();
}

bool DriveTableWanted() {
  BatchState& batch = Batch();
  return batch.depth == 0 || !std::exchange(batch.tableChecked, true);
}

const std::string& BatchCurrentFolder() {
  BatchState& batch = Batch();
  if (batch.depth == 0 || !batch.currentFolder) batch.currentFolder = ReadCurrentFolder();
  return *batch.currentFolder;
}

char BatchCurrentDrive(const std::function<char()>& find) {
  BatchState& batch = Batch();
  if (batch.depth == 0) return find();
  if (!batch.currentDrive) batch.currentDrive = find();
  return *batch.currentDrive;
}

void ForgetBatchCurrentFolder() {
  Batch().currentFolder.reset();
  Batch().currentDrive.reset();
}

std::string FileSystemIdInBatch(dev_t device, const std::function<std::string()>& ask) {
  BatchState& batch = Batch();
  if (batch.depth == 0) return ask();
  const auto [known, isNew] = batch.fileSystemIds.try_emplace(device);
  if (isNew) known->second = ask();
  return known->second;
}

void ForgetHeldFoldersAt(const std::string& hostPath) {
  std::erase_if(Batch().folders, [&hostPath](const auto& held) {
    if (!HoldsFolder(hostPath, held.first)) return false;
    if (held.second.fd >= 0) close(held.second.fd);
    return true;
  });
}

LookStart LookStartInBatch(const std::string& hostPath) {
  const LookStart whole{AT_FDCWD, hostPath.c_str()};
  BatchState& batch = Batch();
  const size_t slash = hostPath.rfind('/');
  if (batch.depth == 0 || hostPath.empty() || hostPath[0] != '/' || slash == 0 ||
      slash + 1 == hostPath.size()) {
    return whole;
  }
  const std::string folderPath = hostPath.substr(0, slash);
  auto known = batch.folders.find(folderPath);
  if (known == batch.folders.end()) {
    if (batch.folders.size() < kHeldFolders) batch.folders.emplace(folderPath, HeldFolder());
    return whole;
  }
  HeldFolder& folder = known->second;
  if (!folder.tried) {
    folder.tried = true;
    folder.fd = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (folder.fd < 0) return whole;
  return {folder.fd, hostPath.c_str() + slash + 1};
}

int StatInBatch(const std::string& hostPath, struct stat& info) {
  const LookStart start = LookStartInBatch(hostPath);
  return fstatat(start.folder, start.name, &info, 0);
}

}  // namespace quelb::posix

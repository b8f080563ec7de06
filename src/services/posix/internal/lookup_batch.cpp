// The lookup batch: a depth count and what the outermost batch has seen.
#include "services/posix/internal/lookup_batch.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace quelb::posix {
namespace {

std::string ReadCurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string("/");
}

struct BatchState {
  int depth = 0;
  bool tableChecked = false;
  std::optional<std::string> currentFolder;
  std::optional<char> currentDrive;
  std::map<dev_t, std::string> fileSystemIds;
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

}  // namespace quelb::posix

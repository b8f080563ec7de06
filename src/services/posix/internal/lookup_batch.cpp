// The lookup batch: a depth count and what the outermost batch has seen.
#include "services/posix/internal/lookup_batch.h"

#include <unistd.h>

#include <cstdlib>
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
};

BatchState& Batch() {
  static BatchState state;
  return state;
}

}  // namespace

LookupBatch::LookupBatch() {
  ++Batch().depth;
}

LookupBatch::~LookupBatch() {
  BatchState& batch = Batch();
  if (--batch.depth > 0) return;
  batch.tableChecked = false;
  batch.currentFolder.reset();
}

bool LookupBatch::TableWanted() {
  BatchState& batch = Batch();
  return batch.depth == 0 || !std::exchange(batch.tableChecked, true);
}

const std::string& LookupBatch::CurrentFolder() {
  BatchState& batch = Batch();
  if (batch.depth == 0 || !batch.currentFolder) batch.currentFolder = ReadCurrentFolder();
  return *batch.currentFolder;
}

}  // namespace quelb::posix

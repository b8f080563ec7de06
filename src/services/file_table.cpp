// The file table: the open files of the process, keyed by file number.
#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "services/backend.h"
#include "services/dos_path.h"
#include "services/files.h"

namespace quelb {
namespace {

constexpr int kHighestFileNumber = 32767;

struct OpenFile {
  platform::FileHandle handle = 0;
  Text path;
  int64_t position = 0;
  bool atEnd = false;
};

std::map<int, OpenFile>& Table() {
  static std::map<int, OpenFile> table;
  return table;
}

OpenFile* Find(int fileNumber) {
  const auto found = Table().find(fileNumber);
  return found == Table().end() ? nullptr : &found->second;
}

// Small enough that a piece read is still in the processor's cache when it is searched.
constexpr int64_t kScanPiece = 256 << 10;

int64_t ReadPiece(ErrorState& state, OpenFile& file, char* into, int64_t count) {
  const int64_t got = platform::ReadAt(state, file.handle, file.position, into, count);
  file.position += got;
  return got;
}

// Every piece goes through one buffer: a fresh one for each read would be allocated and
// faulted in again whenever the allocator hands it back to the system.
void ScanByReading(ErrorState& state, OpenFile& file,
                   const std::function<bool(std::string_view)>& take) {
  const std::unique_ptr<char[]> piece(new (std::nothrow) char[kScanPiece]);
  if (!piece) return StoreError(state, error_number::kOutOfMemory);
  for (;;) {
    const int64_t got = ReadPiece(state, file, piece.get(), kScanPiece);
    file.atEnd = got < kScanPiece;
    if (got == 0 || take(std::string_view(piece.get(), static_cast<size_t>(got))) || file.atEnd) {
      return;
    }
  }
}

}  // namespace

int NextFileNumber() {
  static int counter = 0;
  do {
    counter = counter >= kHighestFileNumber ? 1 : counter + 1;
  } while (Find(counter) != nullptr);
  return counter;
}

void OpenExclusive(ErrorState& state, const Text& path, int fileNumber, Access access) {
  if (path.empty() || dos::HoldsWildcard(path))
    return StoreError(state, error_number::kBadFileName);
  if (fileNumber < 0) return StoreError(state, error_number::kBadFileNumber);
  if (Find(fileNumber) != nullptr) return StoreError(state, error_number::kFileAlreadyOpen);
  platform::FileHandle handle = 0;
  if (!platform::OpenExclusive(state, path, access, handle)) return;
  try {
    Table()[fileNumber] = OpenFile{handle, path, 0, false};
  } catch (const std::bad_alloc&) {
    ErrorState ignored;
    platform::Close(ignored, handle);
    StoreError(state, error_number::kOutOfMemory);
  }
}

int64_t FileLength(ErrorState& state, int fileNumber) {
  const OpenFile* file = Find(fileNumber);
  if (file == nullptr) {
    StoreError(state, error_number::kBadFileNumber);
    return 0;
  }
  return platform::FileLength(state, file->handle);
}

Text ReadBytes(ErrorState& state, int fileNumber, int64_t count) {
  OpenFile* file = Find(fileNumber);
  if (file == nullptr) {
    StoreError(state, error_number::kBadFileNumber);
    return {};
  }
  const int64_t available =
      std::max<int64_t>(0, platform::FileLength(state, file->handle) - file->position);
  try {
    Text bytes(static_cast<size_t>(std::clamp<int64_t>(count, 0, available)), '\0');
    bytes.resize(static_cast<size_t>(ReadPiece(state, *file, bytes.data(), TextLength(bytes))));
    file->atEnd = TextLength(bytes) < count;
    return bytes;
  } catch (const std::bad_alloc&) {
    StoreError(state, error_number::kOutOfMemory);
    return {};
  }
}

void ScanFile(ErrorState& state, int fileNumber,
              const std::function<bool(std::string_view)>& take) {
  OpenFile* file = Find(fileNumber);
  if (file == nullptr) return StoreError(state, error_number::kBadFileNumber);
  const int64_t mapped = platform::ScanMapped(state, file->handle, file->position, take);
  if (mapped >= 0) {
    file->position += mapped;
    return;
  }
  ScanByReading(state, *file, take);
}

void CloseFile(ErrorState& state, int fileNumber) {
  const auto found = Table().find(fileNumber);
  if (found == Table().end()) return;
  const platform::FileHandle handle = found->second.handle;
  Table().erase(found);
  platform::Close(state, handle);
}

}  // namespace quelb

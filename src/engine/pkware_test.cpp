// The archive test: an archive that carries the "PKWARE" mark is expanded through the command
// interpreter. The archive is read piece by piece, so its size does not bound the search and
// memory stays bounded; it is held against other openers until the search ends.
#include <memory>
#include <new>

#include "engine/engine.h"
#include "engine/mark_search.h"
#include "services/files.h"

namespace quelb {
namespace {

constexpr const char* kPkwareMark = "PKWARE";
// Small enough that a piece is still in the processor's cache when it is searched.
constexpr int64_t kPieceSize = 256 << 10;
constexpr ErrorNumber kOutOfMemory = 7;

// Every piece goes through one buffer: a fresh one for each read would be allocated and
// faulted in again whenever the allocator hands it back to the system.
int64_t SearchOpenFile(ErrorState& errors, int fileNumber) {
  const std::unique_ptr<char[]> piece(new (std::nothrow) char[kPieceSize]);
  if (!piece) {
    StoreError(errors, kOutOfMemory);
    return 0;
  }
  MarkScanner scanner(kPkwareMark);
  for (;;) {
    const int64_t got = ReadBytesInto(errors, fileNumber, piece.get(), kPieceSize);
    if (scanner.Feed(std::string_view(piece.get(), static_cast<size_t>(got))) || got < kPieceSize) {
      break;
    }
  }
  return scanner.Position();
}

}  // namespace

void PkwareTest(UpdateRunState& run, ErrorState& errors, const Text& archivePath) {
  const int fileNumber = NextFileNumber();
  OpenExclusive(errors, archivePath, fileNumber, Access::kReadWriteWithFallBack);
  run.PkwarePos = SearchOpenFile(errors, fileNumber);
  CloseFile(errors, fileNumber);
}

}  // namespace quelb

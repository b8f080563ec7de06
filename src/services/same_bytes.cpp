// Two files' bytes compared through the services' own plain open, which neither creates nor
// holds a file.
#include <algorithm>
#include <memory>
#include <new>

#include "services/backend.h"
#include "services/own_files.h"

namespace quelb {
namespace {

constexpr int64_t kReadPiece = 64 << 10;

// An open file that is closed on every way out; a failed close of a file only read changes
// nothing that was read.
class ReadingFile {
 public:
  ReadingFile(ErrorState& state, const Text& path)
      : open_(platform::OpenForReading(state, path, handle_)) {}
  ~ReadingFile() {
    ErrorState closing;
    if (open_) platform::Close(closing, handle_);
  }
  ReadingFile(const ReadingFile&) = delete;
  ReadingFile& operator=(const ReadingFile&) = delete;

  bool IsOpen() const { return open_; }
  platform::FileHandle Handle() const { return handle_; }

 private:
  platform::FileHandle handle_ = 0;
  bool open_;
};

// Reads up to count bytes at position; -1, with the error stored, when the read fails.
int64_t ReadPiece(ErrorState& state, const ReadingFile& file, int64_t position, char* into,
                  int64_t count) {
  ErrorState reading;
  const int64_t got = platform::ReadAt(reading, file.Handle(), position, into, count);
  if (reading.number == 0) return got;
  StoreError(state, reading.number, reading.rawCode);
  return -1;
}

bool SamePieces(ErrorState& state, const ReadingFile& first, const ReadingFile& second) {
  const std::unique_ptr<char[]> pieces(new (std::nothrow) char[2 * kReadPiece]);
  if (!pieces) {
    StoreError(state, error_number::kOutOfMemory);
    return false;
  }
  char* const ours = pieces.get();
  char* const theirs = ours + kReadPiece;
  for (int64_t position = 0;;) {
    const int64_t got = ReadPiece(state, first, position, ours, kReadPiece);
    const int64_t other = got < 0 ? -1 : ReadPiece(state, second, position, theirs, kReadPiece);
    if (got < 0 || other < 0 || got != other) return false;
    if (got == 0) return true;
    if (!std::equal(ours, ours + got, theirs)) return false;
    position += got;
  }
}

}  // namespace

bool SameBytes(ErrorState& state, const Text& first, const Text& second) {
  const ReadingFile ours(state, first);
  if (!ours.IsOpen()) return false;
  const ReadingFile theirs(state, second);
  return theirs.IsOpen() && SamePieces(state, ours, theirs);
}

}  // namespace quelb

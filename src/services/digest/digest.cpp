// The digests of bytes and of files, portable part: the file is read through the services'
// own plain open, a piece at a time, and the digest is written out in hexadecimal.
#include "services/digest.h"

#include <memory>
#include <new>

#include "services/backend.h"
#include "services/digest/sha256.h"

namespace quelb {
namespace {

// Large enough that a read costs little beside the digest of its bytes.
constexpr int64_t kReadPiece = 256 << 10;

Text AsText(const digest::Sha256Bytes& digest) {
  constexpr char kDigits[] = "0123456789abcdef";
  Text text;
  text.reserve(kSha256TextLength);
  for (const uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

Text Finished(ErrorState& state, digest::Sha256& sha256) {
  digest::Sha256Bytes digest{};
  return sha256.Finish(state, digest) ? AsText(digest) : Text();
}

// Every piece goes through one buffer, and a piece shorter than the buffer is the file's last;
// false, with the error stored, when a read or the library fails.
bool AddFile(ErrorState& state, platform::FileHandle file, digest::Sha256& sha256,
             int64_t& position) {
  const std::unique_ptr<char[]> piece(new (std::nothrow) char[kReadPiece]);
  if (!piece) {
    StoreError(state, error_number::kOutOfMemory);
    return false;
  }
  for (position = 0;;) {
    // A read that fails returns nothing, as the end of the file does, but stores its error.
    ErrorState reading;
    const int64_t got = platform::ReadAt(reading, file, position, piece.get(), kReadPiece);
    if (reading.number != 0) {
      StoreError(state, reading.number, reading.rawCode);
      return false;
    }
    if (got == 0) return true;
    if (!sha256.Add(state, std::string_view(piece.get(), static_cast<size_t>(got)))) return false;
    position += got;
    if (got < kReadPiece) return true;
  }
}

}  // namespace

Text Sha256OfBytes(ErrorState& state, std::string_view bytes) {
  digest::Sha256 sha256(state);
  if (!sha256.Add(state, bytes)) return Text();
  return Finished(state, sha256);
}

Text Sha256OfFile(ErrorState& state, const Text& path, int64_t* size) {
  platform::FileHandle file = 0;
  if (!platform::OpenForReading(state, path, file)) return Text();
  digest::Sha256 sha256(state);
  int64_t read = 0;
  const bool whole = AddFile(state, file, sha256, read);
  ErrorState closing;
  platform::Close(closing, file);
  if (!whole) return Text();
  if (size != nullptr) *size = read;
  return Finished(state, sha256);
}

}  // namespace quelb

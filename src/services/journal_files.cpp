#include "services/journal_files.h"

#include "services/backend.h"

namespace quelb {

Text ReadSmallFile(ErrorState& state, const Text& path) {
  platform::FileHandle file;
  if (!platform::OpenForReading(state, path, file)) return {};
  // Room for the whole file at once: growing a text of many pieces copies it again and again.
  Text bytes;
  const int64_t length = platform::FileLength(state, file);
  if (length > 0) bytes.reserve(static_cast<size_t>(length));
  char piece[8192];
  for (int64_t count = 1; count > 0 && state.number == 0;) {
    count = platform::ReadAt(state, file, static_cast<int64_t>(bytes.size()), piece, sizeof piece);
    bytes.append(piece, static_cast<size_t>(count));
  }
  ErrorState closing;
  platform::Close(closing, file);
  if (state.number != 0) return {};
  return bytes;
}

}  // namespace quelb

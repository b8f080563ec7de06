#include "services/journal_files.h"

#include "services/backend.h"

namespace quelb {

Text ReadSmallFile(ErrorState& state, const Text& path) {
  platform::FileHandle file;
  if (!platform::OpenForReading(state, path, file)) return {};
  Text bytes;
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

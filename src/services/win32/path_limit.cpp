// The ANSI calls take a path of fewer than MAX_PATH characters, so that it fits their buffer
// with its closing NUL; a longer one fails with ERROR_FILENAME_EXCED_RANGE. The wide calls that
// are not handed a "\\?\" path take no more.
#include "services/dos_path.h"
#include "services/files.h"
#include "services/win32/internal/call.h"
#include "services/win32/internal/copy_names.h"
#include "services/win32/internal/temporary_copies.h"

namespace quelb {
namespace {

bool TooLong(ErrorState& state, size_t length) {
  if (length < MAX_PATH) return false;
  StoreWindowsError(state, ERROR_FILENAME_EXCED_RANGE, ERROR_FILENAME_EXCED_RANGE);
  return true;
}

}  // namespace

bool PathTooLong(ErrorState& state, const Text& path) {
  return TooLong(state, path.size());
}

// The temporary name is measured with the widest count beside its target, where it is made
// whenever its folder of copies would make it too long, so that the measure holds however many
// copies the process makes.
bool CopyPathTooLong(ErrorState& state, const Text& source, const Text& target) {
  const Text temporary = win32::WidestTemporaryCopyIn(dos::FolderOf(target));
  return TooLong(state, target.size()) || TooLong(state, temporary.size()) ||
         TooLong(state, win32::LongTargetFor(source, target).size());
}

}  // namespace quelb

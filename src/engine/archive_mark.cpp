// The archive test: an archive that carries the "PKWARE" mark is expanded through the command
// interpreter. The archive is searched piece by piece, so its size does not bound the search
// and memory stays bounded; it is held against other openers until the search ends.
#include "engine/engine.h"
#include "engine/mark_search.h"
#include "services/files.h"

namespace quelb {
namespace {

constexpr const char* kPkwareMark = "PKWARE";

int64_t SearchOpenFile(ErrorState& errors, int fileNumber) {
  MarkScanner scanner(kPkwareMark);
  ScanFile(errors, fileNumber, [&scanner](std::string_view piece) { return scanner.Feed(piece); });
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

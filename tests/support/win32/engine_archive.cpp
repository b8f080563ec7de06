// Program archives on Windows: copies of the test program "archive" with what the archive
// does written after the program, where the program reads it from its own file.
#include "support/engine_archive.h"

#include <filesystem>
#include <sstream>

#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb::testing {

void WriteArchive(const std::filesystem::path& path, const ArchiveScript& script) {
  std::ostringstream trailer;
  trailer << "\n"
          << script.comment << "\n"
          << "quelb-archive\n"
          << script.log.string() << "\n"
          << script.unpackName << "\n"
          << script.unpackContent << "\n"
          << script.exitCode << "\n"
          << (script.hangs ? "hangs" : "ends") << "\n";
  WriteFile(path, ReadFile(TestProgram("archive")) + trailer.str());
}

}  // namespace quelb::testing

// Program archives on POSIX: executable shell scripts.
#include "support/engine_archive.h"

#include <sstream>

#include "support/temp_folder.h"

namespace quelb::testing {

void WriteArchive(const std::filesystem::path& path, const ArchiveScript& script) {
  std::ostringstream text;
  text << "#!/bin/sh\n"
       << "# " << script.comment << "\n"
       << "log='" << script.log.string() << "'\n"
       << ": > \"$log\"\n"
       << "for arg in \"$@\"; do printf '%s\\n' \"$arg\" >> \"$log\"; done\n"
       << "folder=\n"
       << "take=\n"
       << "for arg in \"$@\"; do\n"
       << "  if [ -n \"$take\" ]; then folder=$arg; take=; continue; fi\n"
       << "  case $arg in\n"
       << "    -o) take=1 ;;\n"
       << "    -o*) folder=${arg#-o} ;;\n"
       << "  esac\n"
       << "done\n"
       << "folder=$(printf '%s' \"$folder\" | tr '\\\\' '/')\n"
       << "unpacked=\"$folder/" << script.unpackName << "\"\n"
       << "mkdir -p \"$(dirname \"$unpacked\")\" || exit 4\n"
       << "printf '%s' '" << script.unpackContent << "' > \"$unpacked\" || exit 4\n";
  if (script.hangs) {
    text << "sleep 3600 &\n"
         << "echo $! > \"$log.waiting\"\n"
         << "wait\n";
  }
  text << "exit " << script.exitCode << "\n";
  WriteFile(path, text.str());
  std::filesystem::permissions(path, std::filesystem::perms::owner_all |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::group_exec);
}

}  // namespace quelb::testing

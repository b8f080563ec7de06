// Program archives for the engine tests: small executable shell scripts that record their
// arguments and unpack one file into the folder named after "-o", or a subfolder of it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quelb::testing {

struct ArchiveScript {
  std::filesystem::path log;  // receives the arguments, one a line
  std::string unpackName = "AP.exe";
  std::string unpackContent = "unpacked";
  int exitCode = 0;
  std::string comment;  // a line of text the archive carries, such as a maker's mark
  // After unpacking it waits for an end that never comes, as one waiting for input does. On
  // POSIX that wait is a second process, whose id the archive writes to the log's name with
  // ".waiting" added.
  bool hangs = false;
};

void WriteArchive(const std::filesystem::path& path, const ArchiveScript& script);

// The lines of a log, without their line ends.
std::vector<std::string> LogLines(const std::filesystem::path& log);

}  // namespace quelb::testing

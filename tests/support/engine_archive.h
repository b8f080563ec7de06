// Program archives for the engine tests: small executable shell scripts that record their
// arguments and unpack one file into the folder named after "-o".
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
};

void WriteArchive(const std::filesystem::path& path, const ArchiveScript& script);

// The lines of a log, without their line ends.
std::vector<std::string> LogLines(const std::filesystem::path& log);

}  // namespace quelb::testing

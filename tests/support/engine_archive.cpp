#include "support/engine_archive.h"

#include <sstream>

#include "support/temp_folder.h"

namespace quelb::testing {

std::vector<std::string> LogLines(const std::filesystem::path& log) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(log));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace quelb::testing

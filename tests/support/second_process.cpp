#include "support/second_process.h"

#include <cstdlib>

namespace quelb::testing {

std::string TestProgram(const std::string& name) {
  return std::string(QUELB_TEST_PROGRAMS_DIR) + "/" + name + QUELB_TEST_PROGRAM_SUFFIX;
}

std::vector<std::string> HolderCommand(const std::string& mode, const std::filesystem::path& file) {
  return {TestProgram("holder"), mode, file.string()};
}

const char* ProbeOutput() {
  return std::getenv("QUELB_PROBE_OUT");
}

}  // namespace quelb::testing

// Windows reports changes to a folder, never that a file was opened, so there is nothing to
// watch: tests that need the opens ask Available first.
#include "support/engine_open_watch.h"

namespace quelb::testing {

OpenWatch::OpenWatch(const std::filesystem::path&) {}

OpenWatch::~OpenWatch() = default;

bool OpenWatch::Available() {
  return false;
}

std::vector<std::string> OpenWatch::Opened() {
  return {};
}

}  // namespace quelb::testing

#include <sys/inotify.h>
#include <unistd.h>

#include <stdexcept>

#include "support/engine_open_watch.h"

namespace quelb::testing {

OpenWatch::OpenWatch(const std::filesystem::path& folder) {
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0 || inotify_add_watch(watch_, folder.c_str(), IN_OPEN) < 0) {
    throw std::runtime_error("cannot watch " + folder.string());
  }
}

OpenWatch::~OpenWatch() {
  if (watch_ >= 0) close(watch_);
}

bool OpenWatch::Available() {
  return true;
}

std::vector<std::string> OpenWatch::Opened() {
  std::vector<std::string> names;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(watch_, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && (event->mask & IN_ISDIR) == 0) names.emplace_back(event->name);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return names;
}

}  // namespace quelb::testing

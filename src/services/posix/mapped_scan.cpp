// A file handed over through views of the file itself, one mapped window at a time: no copy
// into a buffer of ours, and no more of the file in memory than a window. A file cut short
// meanwhile would end the process with SIGBUS at the first page past its new end; while a
// scan runs, such a page is replaced by one of zeros instead and the scan reports the cut.
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "services/backend.h"
#include "services/posix/internal/errno_map.h"

namespace quelb::platform {
namespace {

// Mapped pages count towards the process's memory until they are unmapped.
constexpr int64_t kWindowSize = int64_t{1} << 20;

// The window being read on this thread, for the handler of a bus error.
struct Window {
  char* begin = nullptr;
  size_t size = 0;
  bool cut = false;
};

thread_local Window window;
struct sigaction previousAction;

// Only a fault inside our own window is ours to mend; any other ends the process as it would
// have without us, by the action that was in place.
void OnBusError(int signal, siginfo_t* info, void*) {
  char* const at = static_cast<char*>(info->si_addr);
  if (window.begin == nullptr || at < window.begin || at >= window.begin + window.size) {
    sigaction(signal, &previousAction, nullptr);
    return;
  }
  const auto pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  void* const page = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(at) & ~(pageSize - 1));
  mmap(page, pageSize, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  window.cut = true;
}

// The handler is in place only while the scan runs.
class BusErrorGuard {
 public:
  BusErrorGuard() {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previousAction);
  }
  ~BusErrorGuard() {
    window = Window{};
    sigaction(SIGBUS, &previousAction, nullptr);
  }
  BusErrorGuard(const BusErrorGuard&) = delete;
  BusErrorGuard& operator=(const BusErrorGuard&) = delete;
};

class MappedWindow {
 public:
  MappedWindow(int fd, int64_t offset, size_t size) {
    void* const mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, offset);
    if (mapped == MAP_FAILED) return;
    madvise(mapped, size, MADV_SEQUENTIAL);
    window = Window{static_cast<char*>(mapped), size, false};
  }
  ~MappedWindow() {
    if (window.begin != nullptr) munmap(window.begin, window.size);
    window.begin = nullptr;
  }
  MappedWindow(const MappedWindow&) = delete;
  MappedWindow& operator=(const MappedWindow&) = delete;

  bool IsMapped() const { return window.begin != nullptr; }
};

}  // namespace

int64_t ScanMapped(ErrorState& state, FileHandle handle, int64_t position,
                   const std::function<bool(std::string_view)>& take) {
  const int fd = static_cast<int>(handle);
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  const auto pageSize = static_cast<int64_t>(sysconf(_SC_PAGESIZE));
  const BusErrorGuard guard;
  for (int64_t at = position; at < info.st_size;) {
    const int64_t start = at - at % pageSize;
    const auto size = static_cast<size_t>(std::min(kWindowSize, info.st_size - start));
    const MappedWindow mapped(fd, start, size);
    if (!mapped.IsMapped()) {
      if (at == position) return -1;
      posix::StoreErrno(state, errno, {});
      return at - position;
    }
    const std::string_view piece(window.begin + (at - start),
                                 size - static_cast<size_t>(at - start));
    const bool done = take(piece);
    at += static_cast<int64_t>(piece.size());
    if (window.cut) {
      posix::StoreErrno(state, EIO, {});
      return at - position;
    }
    if (done) return at - position;
  }
  return std::max<int64_t>(0, info.st_size - position);
}

}  // namespace quelb::platform

// The files and folders the delivery bench prepares before it times anything.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "harness.h"

namespace delivery {

void WriteBytes(const fs::path& path, int64_t size, uint64_t seed) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot write " + path.string());
  std::vector<uint64_t> block(std::min(size, kMiB) / 8 + 1);
  uint64_t state = seed * 0x9E3779B97F4A7C15u + 1;
  for (int64_t done = 0; done < size;) {
    for (uint64_t& word : block) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    const size_t piece = static_cast<size_t>(std::min<int64_t>(size - done, kMiB));
    if (write(fd, block.data(), piece) != static_cast<ssize_t>(piece)) Fail("disk full?");
    done += static_cast<int64_t>(piece);
  }
  close(fd);
}

void MakeOlder(const fs::path& path) {
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24 * 365));
}

void SyncFileSystemOf(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    syncfs(fd);
    close(fd);
  }
}

void FreshFolder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

std::string SizeName(int64_t size) {
  return size >= kGiB ? std::to_string(size / kGiB) + " GiB" : std::to_string(size / kMiB) + " MiB";
}

}  // namespace delivery

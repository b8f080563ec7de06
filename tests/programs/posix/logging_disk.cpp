// A disk for crash tests: a FUSE file system holding one file, "disk", that stands for a disk
// with a volatile write cache under a loop device. Its content is the image file; every write
// to it, and every flush (a sync of the file, which is what the loop device makes of a disk
// cache flush), is appended to the log, so that a test can rebuild the disk as a power cut
// at any flush would have left it. Writing to "mark" logs a mark (a box came up); writing
// pairs "FROM TO ..." to "fail" makes every write that lies in none of those byte ranges fail
// with EIO from then on, as a failing disk does, "flushes" makes every flush fail so, and
// "off" ends either.
//   logging_disk IMAGE LOG MOUNTPOINT     (stays in the foreground until unmounted)
#define FUSE_USE_VERSION 31
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

enum RecordKind : uint32_t { kWrite = 1, kFlush = 2, kMark = 3 };

struct RecordHead {
  uint32_t kind;
  uint32_t length;
  uint64_t offset;
};

struct Disk {
  int image = -1;
  int log = -1;
  off_t size = 0;
  bool failing = false;
  bool flushesFail = false;
  std::vector<std::pair<off_t, off_t>> kept;
};

Disk disk;

void Log(RecordKind kind, off_t offset, const char* data, size_t length) {
  const RecordHead head{kind, static_cast<uint32_t>(length), static_cast<uint64_t>(offset)};
  if (write(disk.log, &head, sizeof head) != sizeof head ||
      (length > 0 && write(disk.log, data, length) != static_cast<ssize_t>(length))) {
    std::perror("logging_disk: log");
    _exit(3);
  }
}

enum class Node { kNone, kRoot, kDisk, kMark, kFail };

Node NodeOf(const char* path) {
  const std::string name = path;
  if (name == "/") return Node::kRoot;
  if (name == "/disk") return Node::kDisk;
  if (name == "/mark") return Node::kMark;
  if (name == "/fail") return Node::kFail;
  return Node::kNone;
}

int GetAttributes(const char* path, struct stat* info, fuse_file_info*) {
  std::memset(info, 0, sizeof *info);
  switch (NodeOf(path)) {
    case Node::kRoot:
      info->st_mode = S_IFDIR | 0755;
      info->st_nlink = 2;
      return 0;
    case Node::kDisk:
      info->st_mode = S_IFREG | 0600;
      info->st_size = disk.size;
      break;
    case Node::kMark:
    case Node::kFail:
      info->st_mode = S_IFREG | 0600;
      break;
    case Node::kNone:
      return -ENOENT;
  }
  info->st_nlink = 1;
  return 0;
}

int ReadFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags) {
  if (NodeOf(path) != Node::kRoot) return -ENOTDIR;
  for (const char* name : {".", "..", "disk", "mark", "fail"}) {
    fill(buffer, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  }
  return 0;
}

int Open(const char* path, fuse_file_info* file) {
  if (NodeOf(path) == Node::kNone || NodeOf(path) == Node::kRoot) return -ENOENT;
  // Every read and write reaches the disk in the order the kernel sends it, none held in a
  // cache of FUSE's own.
  file->direct_io = 1;
  return 0;
}

int Truncate(const char* path, off_t, fuse_file_info*) {
  return NodeOf(path) == Node::kDisk ? -EPERM : 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  if (NodeOf(path) != Node::kDisk) return 0;
  const ssize_t got = pread(disk.image, buffer, size, offset);
  return got < 0 ? -errno : static_cast<int>(got);
}

bool Kept(off_t offset, size_t size) {
  for (const auto& [from, to] : disk.kept) {
    if (offset >= from && offset + static_cast<off_t>(size) <= to) return true;
  }
  return false;
}

void SetFailing(const std::string& order) {
  std::istringstream words(order);
  disk.kept.clear();
  for (long long from = 0, to = 0; words >> from >> to;) disk.kept.emplace_back(from, to);
  disk.flushesFail = order.rfind("flushes", 0) == 0;
  disk.failing = !disk.flushesFail && order.rfind("off", 0) != 0;
}

int Write(const char* path, const char* data, size_t size, off_t offset, fuse_file_info*) {
  switch (NodeOf(path)) {
    case Node::kMark:
      Log(kMark, 0, nullptr, 0);
      return static_cast<int>(size);
    case Node::kFail:
      SetFailing(std::string(data, size));
      return static_cast<int>(size);
    case Node::kDisk:
      break;
    default:
      return -ENOENT;
  }
  if (disk.failing && !Kept(offset, size)) return -EIO;
  if (pwrite(disk.image, data, size, offset) != static_cast<ssize_t>(size)) return -EIO;
  Log(kWrite, offset, data, size);
  return static_cast<int>(size);
}

int Sync(const char* path, int, fuse_file_info*) {
  if (NodeOf(path) != Node::kDisk) return 0;
  if (disk.flushesFail) return -EIO;
  Log(kFlush, 0, nullptr, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: logging_disk IMAGE LOG MOUNTPOINT\n");
    return 2;
  }
  disk.image = open(argv[1], O_RDWR | O_CLOEXEC);
  disk.log = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
  struct stat info;
  if (disk.image < 0 || disk.log < 0 || fstat(disk.image, &info) != 0) {
    std::perror("logging_disk");
    return 2;
  }
  disk.size = info.st_size;
  fuse_operations operations{};
  operations.getattr = GetAttributes;
  operations.readdir = ReadFolder;
  operations.open = Open;
  operations.truncate = Truncate;
  operations.read = Read;
  operations.write = Write;
  operations.fsync = Sync;
  char name[] = "logging_disk";
  char foreground[] = "-f";
  char oneThread[] = "-s";
  char* fuseArgs[] = {name, foreground, oneThread, argv[3], nullptr};
  return fuse_main(4, fuseArgs, &operations, nullptr);
}

// Holds a file the way another process would, for the in-use tests.
//   proc_holder open <path>   keeps the file open
//   proc_holder map <path>    maps the file and closes its descriptor
//   proc_holder wait          holds nothing itself; run from a copy, the copy is the running file
//   proc_holder try <path>    tries a non-blocking open and exits at once: 0 opened,
//                             1 refused with EAGAIN, 2 any other failure
// Except for "try", it writes "ready" on stdout once it holds the file and then waits until
// its stdin reaches its end.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int TryOpen(const char* path) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK);
  if (fd >= 0) return 0;
  return errno == EAGAIN ? 1 : 2;
}

bool Hold(const char* mode, const char* path) {
  if (std::strcmp(mode, "wait") == 0) return true;
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  if (std::strcmp(mode, "open") == 0) return true;
  struct stat info;
  if (fstat(fd, &info) != 0 || info.st_size == 0) return false;
  void* mapping = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  return mapping != MAP_FAILED;
}

void WaitForEndOfInput() {
  char byte;
  for (;;) {
    const ssize_t got = read(0, &byte, 1);
    if (got == 0 || (got < 0 && errno != EINTR)) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "try") == 0) return argc < 3 ? 2 : TryOpen(argv[2]);
  if (!Hold(argv[1], argc < 3 ? "" : argv[2])) return 3;
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  WaitForEndOfInput();
  return 0;
}

// Holds a file the way another process would, for the tests of files in use.
//   holder open <path>   keeps the file open
//   holder map <path>    maps the file and closes its descriptor
//   holder wait          holds nothing itself; started from a copy, the copy is the running file
//   holder try <path>    tries a non-blocking open and ends at once: 0 opened, 1 refused with
//                        EAGAIN, 2 any other failure
// Except for "try", it writes "ready" on its output once it holds the file, then waits until
// its input reaches its end, so that the test decides how long the file stays held.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int TryOpen(const char* path) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK);
  if (fd >= 0) return 0;
  return errno == EAGAIN ? 1 : 2;
}

bool Map(int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0 || info.st_size == 0) return false;
  void* mapping = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  return mapping != MAP_FAILED;
}

// The descriptor of "open" stays open until the process ends, which ends the hold.
bool Hold(const char* mode, const char* path) {
  if (std::strcmp(mode, "wait") == 0) return true;
  if (std::strcmp(mode, "open") != 0 && std::strcmp(mode, "map") != 0) return false;
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  return std::strcmp(mode, "open") == 0 || Map(fd);
}

void WaitForEndOfInput() {
  char byte;
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got == 0 || (got < 0 && errno != EINTR)) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "try") == 0) return argc < 3 ? 2 : TryOpen(argv[2]);
  if (!Hold(argv[1], argc < 3 ? "" : argv[2])) return 3;
  if (write(STDOUT_FILENO, "ready\n", 6) != 6) return 3;
  WaitForEndOfInput();
  return 0;
}

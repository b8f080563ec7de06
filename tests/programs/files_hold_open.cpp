// Holds the file named by its argument open until its standard input ends. It writes one line
// to standard output once the file is open, so that the test knows when to go on.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  std::puts("ready");
  std::fflush(stdout);
  char byte;
  while (read(STDIN_FILENO, &byte, 1) > 0) {
  }
  close(fd);
  return 0;
}

// Holds a file open (or, copied under another name and started, is itself a running
// program) until its input is closed. Writes "ready" once it holds what it should.
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  int held = -1;
  if (argc > 1) {
    held = open(argv[1], O_RDONLY);
    if (held < 0) return 2;
  }
  if (write(STDOUT_FILENO, "ready\n", 6) != 6) return 3;
  char byte;
  while (read(STDIN_FILENO, &byte, 1) > 0) {
  }
  if (held >= 0) close(held);
  return 0;
}

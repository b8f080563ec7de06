// Reports how it was started into the file named by PROC_REPORT: a line "cwd=<folder>", one
// line "fd=<n>" for each open descriptor above 2, one line "arg=<word>" for each argument.
// It exits with the code in PROC_EXIT, 0 when that is unset.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void ReportDescriptors(std::FILE* out) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return;
  const int own = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    if (fd > 2 && fd != own && fd != fileno(out)) std::fprintf(out, "fd=%d\n", fd);
  }
  closedir(dir);
}

}  // namespace

int main(int argc, char** argv) {
  const char* reportPath = std::getenv("PROC_REPORT");
  if (reportPath != nullptr) {
    std::FILE* out = std::fopen(reportPath, "w");
    if (out == nullptr) return 99;
    char cwd[4096];
    std::fprintf(out, "cwd=%s\n", getcwd(cwd, sizeof cwd) != nullptr ? cwd : "");
    ReportDescriptors(out);
    for (int i = 1; i < argc; ++i) std::fprintf(out, "arg=%s\n", argv[i]);
    std::fclose(out);
  }
  const char* exitCode = std::getenv("PROC_EXIT");
  return exitCode != nullptr ? std::atoi(exitCode) : 0;
}

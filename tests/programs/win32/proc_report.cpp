// Reports how it was started into the file named by PROC_REPORT: a line "cwd=<folder>", one
// line "arg=<word>" for each argument, a line "line=<command line>" with the whole line and a
// line "errormode=<mode>" with the error mode it was started with.
// Windows lists no inherited handles to a program, so no "fd=" lines are written. It exits with the
// code in PROC_EXIT, 0 when that is unset.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
  const char* reportPath = std::getenv("PROC_REPORT");
  if (reportPath != nullptr) {
    std::FILE* out = std::fopen(reportPath, "wb");
    if (out == nullptr) return 99;
    std::fprintf(out, "cwd=%s\n", std::filesystem::current_path().string().c_str());
    for (int i = 1; i < argc; ++i) std::fprintf(out, "arg=%s\n", argv[i]);
    std::fprintf(out, "line=%s\n", GetCommandLineA());
    // Setting a mode is the only way to read it that every Windows has.
    std::fprintf(out, "errormode=%u\n", SetErrorMode(0));
    std::fclose(out);
  }
  const char* exitCode = std::getenv("PROC_EXIT");
  return exitCode != nullptr ? std::atoi(exitCode) : 0;
}

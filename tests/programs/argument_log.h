// The test programs record their arguments, one a line, in a log the test reads back.
#pragma once

#include <fstream>

inline void WriteArgumentLog(const char* log, int argc, char** argv) {
  if (log == nullptr) return;
  std::ofstream out(log, std::ios::binary | std::ios::trunc);
  for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
}

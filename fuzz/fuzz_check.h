// What every fuzz target does with a wrong answer: print what it was given and what it got,
// then abort, so that libFuzzer keeps the input and the run fails.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quelb::fuzz {

inline std::string Shown(const std::string& bytes) {
  std::string shown = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown + "\"";
}

[[noreturn]] inline void Differs(const std::string& what, const std::string& given,
                                 const std::string& got, const std::string& expected) {
  std::fprintf(stderr, "%s of %s gave %s, expected %s\n", what.c_str(), Shown(given).c_str(),
               Shown(got).c_str(), Shown(expected).c_str());
  std::abort();
}

inline void Expect(bool holds, const std::string& what, const std::string& given) {
  if (!holds) Differs(what, given, "a broken rule", "it to hold");
}

}  // namespace quelb::fuzz

// The command tail against its rule: the arguments after the program's name, joined by one
// blank, without the blanks that follow the name. The input is the argument block as the
// kernel keeps it, each argument ended by a NUL (the last one perhaps not).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "services/posix/internal/command_tail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string block(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  for (size_t at = 0; at < block.size();) {
    const size_t end = std::min(block.find('\0', at), block.size());
    arguments.push_back(block.substr(at, end - at));
    at = end + 1;
  }
  std::string expected;
  for (size_t i = 1; i < arguments.size(); ++i) expected += (i > 1 ? " " : "") + arguments[i];
  size_t first = 0;
  while (first < expected.size() && static_cast<unsigned char>(expected[first]) <= ' ') ++first;
  expected = expected.substr(first);
  const std::string tail = quelb::posix::TailOfArguments(block);
  if (tail != expected) quelb::fuzz::Differs("the command tail", block, tail, expected);
  return 0;
}

// The command tail from the kernel's argument block.
#include "services/posix/internal/command_tail.h"

namespace quelb::posix {

Text TailOfArguments(const std::string& arguments) {
  const size_t endOfProgram = arguments.find('\0');
  if (endOfProgram == std::string::npos || endOfProgram + 1 >= arguments.size()) return {};
  Text tail = arguments.substr(endOfProgram + 1);
  if (tail.back() == '\0') tail.pop_back();
  for (char& c : tail) {
    if (c == '\0') c = ' ';
  }
  // As on Windows, the blanks that follow the program's name are not part of the tail.
  size_t firstWord = 0;
  while (firstWord < tail.size() && static_cast<unsigned char>(tail[firstWord]) <= ' ') ++firstWord;
  return tail.substr(firstWord);
}

}  // namespace quelb::posix

// The splitting of a command line into words, by a round trip: the words of any line, quoted
// again by the rules of the C runtime and joined by blanks, must split into the same words.
// After "/c" the rest may be one command whose outer pair of quotes is stripped, as the
// command interpreter reads it; a line that the splitting read so is quoted again so.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "services/command_words.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The program word knows no backslash rule, and holds no quote once split.
std::string QuotedProgram(const std::string& word) {
  const bool plain = !word.empty() && word.find_first_of(" \t") == std::string::npos;
  return plain ? word : "\"" + word + "\"";
}

std::string Quoted(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  std::string quoted = "\"";
  for (size_t at = 0;; ++at) {
    size_t backslashes = 0;
    while (at < word.size() && word[at] == '\\') ++backslashes, ++at;
    if (at == word.size()) {
      quoted.append(2 * backslashes, '\\');
      break;
    }
    if (word[at] == '"') {
      quoted.append(2 * backslashes + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    quoted += word[at];
  }
  return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& words, size_t from) {
  std::string line;
  for (size_t i = from; i < words.size(); ++i) line += (i > from ? " " : "") + Quoted(words[i]);
  return line;
}

std::string Shown(const std::vector<std::string>& words) {
  std::string shown;
  for (const std::string& word : words) shown += quelb::fuzz::Shown(word) + " ";
  return shown;
}

}  // namespace

// Lines that start the interpreter are read by its rule.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("COMSPEC", "cmd", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = quelb::SplitCommandLine(line);
  if (words.empty()) {
    for (const char c : line) quelb::fuzz::Expect(IsBlank(c), "only blanks give no word", line);
    return 0;
  }
  quelb::fuzz::Expect(words[0].find('"') == std::string::npos, "the program has no quote", line);
  const std::string program = QuotedProgram(words[0]);
  const std::string plain = program + (words.size() > 1 ? " " + Joined(words, 1) : "");
  if (quelb::SplitCommandLine(plain) == words) return 0;
  const bool interpreterSwitch = words.size() > 1 && (words[1] == "/c" || words[1] == "/C");
  const std::string command =
      program + " " + (interpreterSwitch ? words[1] : "") + " \"" + Joined(words, 2) + "\"";
  if (interpreterSwitch && quelb::SplitCommandLine(command) == words) return 0;
  quelb::fuzz::Differs("splitting " + plain, line, Shown(quelb::SplitCommandLine(plain)),
                       Shown(words));
  return 0;
}

// The splitting of a command line into words by the rules of the Microsoft C runtime.
#include "services/command_words.h"

#include <algorithm>

#include "services/process.h"

namespace quelb {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

size_t SkipBlanks(const Text& line, size_t at) {
  while (at < line.size() && IsBlank(line[at])) ++at;
  return at;
}

// Reads the program word from at; returns the position after it.
size_t ReadProgramWord(const Text& line, size_t at, std::string& word) {
  bool quoted = false;
  for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
    if (line[at] == '"') {
      quoted = !quoted;
    } else {
      word += line[at];
    }
  }
  return at;
}

// Reads one later word from at; returns the position after it.
size_t ReadWord(const Text& line, size_t at, std::string& word) {
  bool quoted = false;
  while (at < line.size() && (quoted || !IsBlank(line[at]))) {
    size_t backslashes = 0;
    while (at < line.size() && line[at] == '\\') {
      ++backslashes;
      ++at;
    }
    if (at < line.size() && line[at] == '"') {
      word.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        word += '"';
      } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        word += '"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    } else {
      word.append(backslashes, '\\');
      if (at < line.size() && (quoted || !IsBlank(line[at]))) word += line[at++];
    }
  }
  return at;
}

void AppendWords(const Text& line, size_t at, std::vector<std::string>& words) {
  for (at = SkipBlanks(line, at); at < line.size(); at = SkipBlanks(line, at)) {
    std::string word;
    at = ReadWord(line, at, word);
    words.push_back(word);
  }
}

bool IsInterpreterSwitch(const std::string& word) {
  return word == "/c" || word == "/C";
}

// A path as text to compare: without quotes, one kind of separator, one letter case.
Text ComparablePath(Text path) {
  std::erase(path, '"');
  std::replace(path.begin(), path.end(), '/', '\\');
  return LowerText(path);
}

bool IsInterpreter(const std::string& program) {
  const Text interpreter = EnvironmentValue("COMSPEC");
  return !interpreter.empty() && ComparablePath(interpreter) == ComparablePath(program);
}

}  // namespace

std::vector<std::string> SplitCommandLine(const Text& line) {
  std::vector<std::string> words;
  size_t at = SkipBlanks(line, 0);
  if (at >= line.size()) return words;
  words.emplace_back();
  at = ReadProgramWord(line, at, words.back());
  at = SkipBlanks(line, at);
  if (at >= line.size()) return words;
  std::string second;
  const size_t afterSecond = ReadWord(line, at, second);
  if (!IsInterpreterSwitch(second) || !IsInterpreter(words.front())) {
    AppendWords(line, at, words);
    return words;
  }
  words.push_back(second);
  Text command = line.substr(SkipBlanks(line, afterSecond));
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') {
    command = command.substr(1, command.size() - 2);
  }
  AppendWords(command, 0, words);
  return words;
}

bool StartsInterpreterCommand(const std::vector<std::string>& words) {
  return words.size() > 2 && IsInterpreterSwitch(words[1]) && IsInterpreter(words.front());
}

}  // namespace quelb

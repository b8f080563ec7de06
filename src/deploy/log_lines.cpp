#include "deploy/log_lines.h"

#include <ctime>

namespace quelb::deploy {
namespace {

// A box's text may hold line breaks; the log keeps one record a line.
Text OneLine(const Text& text) {
  Text line;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
    line += (c == '\r' || c == '\n') ? Text(" / ") : Text(1, c);
  }
  return line;
}

Text Quoted(const Text& text) {
  return "\"" + OneLine(text) + "\"";
}

}  // namespace

Text TimeNow() {
  const std::time_t now = std::time(nullptr);
  char text[32] = {};
  // One thread: gmtime's shared result is read at once.
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
  return text;
}

std::vector<Text> StartLines(const StartRecord& start) {
  std::vector<Text> lines = {
      "quelb-deploy " + start.version, "command line: " + OneLine(start.commandLine),
      "account: " + start.account,     "machine: " + start.machine,
      "system: " + start.system,       "started: " + start.time};
  return lines;
}

Text NameLine(const NameRecord& name) {
  Text line = name.time + " " + name.action + " " + Quoted(name.source);
  if (!name.target.empty()) line += " -> " + Quoted(name.target);
  if (name.size >= 0) line += " size " + std::to_string(name.size);
  if (!name.sha256.empty()) line += " sha256 " + name.sha256;
  if (name.error != 0) {
    line += " error " + std::to_string(name.error) + " platform code " +
            std::to_string(name.platformCode);
  }
  // The command comes last: it is the rest of the line, quotes and all.
  if (name.archive && !name.command.empty()) {
    line += " exit code " + std::to_string(name.exitCode) + " command: " + OneLine(name.command);
  }
  return line;
}

Text QuestionLine(const QuestionRecord& question) {
  return question.time + " question " + Quoted(question.title) + " " + Quoted(question.text) +
         " answer " + question.answer + " (" + question.why + ")";
}

Text OutsideLine(const OutsideRecord& outside) {
  return outside.time + " outside " + Quoted(outside.archive) + " changed " +
         Quoted(outside.changed);
}

Text SpaceLine(const SpaceRecord& space) {
  Text folders;
  for (const Text& folder : space.folders) {
    folders += (folders.empty() ? "" : " and ") + Quoted(folder);
  }
  return space.time + " disk full: " + std::to_string(space.needed) +
         " bytes to stage on the volume of " + folders + ", " + std::to_string(space.free) +
         " bytes free";
}

Text EndLine(const EndRecord& end) {
  Text line = end.time + " ";
  if (end.fatal != 0) line += "fatal error " + std::to_string(end.fatal) + ". ";
  line += end.line;
  if (end.counts.notPlaced != 0) {
    line += " Nothing was placed: " + std::to_string(end.counts.notPlaced) +
            " staged files were removed.";
  }
  return line + " exit code " + std::to_string(end.exitCode);
}

}  // namespace quelb::deploy

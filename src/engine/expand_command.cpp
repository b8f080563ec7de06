// The command line that expands an archive. A path that holds a blank is quoted, so that the
// started program gets it as one word; a line without blanks is the plain joined text.
#include "engine/engine.h"

namespace quelb {
namespace {

bool HoldsBlank(const Text& text) {
  return text.find_first_of(" \t") != Text::npos;
}

// A path already in quotes is kept as it is. Backslashes before the closing quote are doubled: a
// program that reads its command line by the Windows rules would otherwise take the last of them
// and the quote for a literal quote.
Text QuotedIfBlank(const Text& path) {
  if (!HoldsBlank(path) || MidText(path, 1, 1) == "\"") return path;
  const size_t lastKept = path.find_last_not_of('\\');
  const size_t trailing = lastKept == Text::npos ? path.size() : path.size() - lastKept - 1;
  return "\"" + path + Text(trailing, '\\') + "\"";
}

// The interpreter takes the whole text after its "/c" and strips one outer pair of quotes.
Text InterpreterCommand(const Text& command) {
  if (command.find('"') == Text::npos) return command;
  return "\"" + command + "\"";
}

}  // namespace

Text ExpandCommandFor(const UpdateRunState& run, const Text& interpreter) {
  const Text archive = QuotedIfBlank(run.SourceFilePath());
  const Text target = QuotedIfBlank(run.TargetPath);
  if (run.PkwarePos == 0) return archive + " -y -ao -o" + target;
  return QuotedIfBlank(interpreter) + " /c " + InterpreterCommand(archive + " -o " + target);
}

}  // namespace quelb

// The stored form of a journal: a line that names it, its state, one line a step with its
// fields separated by TAB (no name the run delivers holds a control character), and a last
// line that shows it was written whole.
#include <charconv>

#include "engine/journal.h"

namespace quelb {
namespace {

constexpr const char* kFirstLine = "quelb-deploy journal 1";
constexpr const char* kLastLine = "end";

struct Named {
  const char* name;
  int value;
};

constexpr Named kStates[] = {{"committing", static_cast<int>(Journal::State::kCommitting)},
                             {"done", static_cast<int>(Journal::State::kDone)},
                             {"rolled-back", static_cast<int>(Journal::State::kRolledBack)}};
constexpr Named kKinds[] = {{"place", static_cast<int>(JournalStep::Kind::kPlace)},
                            {"keep", static_cast<int>(JournalStep::Kind::kKeep)},
                            {"discard", static_cast<int>(JournalStep::Kind::kDiscard)}};

template <size_t count>
const char* NameOf(const Named (&table)[count], int value) {
  for (const Named& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return "";
}

template <size_t count>
bool ValueOf(const Named (&table)[count], const Text& name, int& value) {
  for (const Named& entry : table) {
    if (name != entry.name) continue;
    value = entry.value;
    return true;
  }
  return false;
}

bool ReadNumber(const Text& text, int64_t& number) {
  const char* end = text.data() + text.size();
  const auto [stop, fault] = std::from_chars(text.data(), end, number);
  return fault == std::errc() && stop == end && !text.empty();
}

std::vector<Text> Fields(const Text& line) {
  std::vector<Text> fields;
  for (size_t at = 0; at != Text::npos;) fields.push_back(NextField(line, "\t", at));
  return fields;
}

bool ReadStep(const Text& line, JournalStep& step) {
  const std::vector<Text> fields = Fields(line);
  int kind = 0;
  if (fields.size() != 7 || fields[0] != "step" || !ValueOf(kKinds, fields[1], kind)) return false;
  step.kind = static_cast<JournalStep::Kind>(kind);
  step.from = fields[2];
  step.to = fields[3];
  step.identity.fileId = fields[6];
  return ReadNumber(fields[4], step.identity.size) && ReadNumber(fields[5], step.identity.modified);
}

}  // namespace

Text JournalText(const Journal& journal) {
  Text text = Text(kFirstLine) + "\n";
  text += Text("state\t") + NameOf(kStates, static_cast<int>(journal.state)) + "\n";
  for (const JournalStep& step : journal.steps) {
    text += Text("step\t") + NameOf(kKinds, static_cast<int>(step.kind)) + "\t" + step.from + "\t" +
            step.to + "\t" + std::to_string(step.identity.size) + "\t" +
            std::to_string(step.identity.modified) + "\t" + step.identity.fileId + "\n";
  }
  return text + kLastLine + "\n";
}

bool ReadJournalText(const Text& text, Journal& journal) {
  std::vector<Text> lines;
  for (size_t at = 0; at != Text::npos;) lines.push_back(NextField(text, "\n", at));
  // The text ends with a line end, after which the walk finds one empty field.
  if (lines.size() < 4 || lines[0] != kFirstLine || lines[lines.size() - 2] != kLastLine ||
      !lines.back().empty()) {
    return false;
  }
  const std::vector<Text> state = Fields(lines[1]);
  int value = 0;
  if (state.size() != 2 || state[0] != "state" || !ValueOf(kStates, state[1], value)) return false;
  journal.state = static_cast<Journal::State>(value);
  journal.steps.assign(lines.size() - 4, {});
  for (size_t index = 0; index < journal.steps.size(); ++index) {
    if (!ReadStep(lines[index + 2], journal.steps[index])) return false;
  }
  return true;
}

}  // namespace quelb

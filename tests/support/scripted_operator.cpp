#include "support/scripted_operator.h"

namespace quelb::testing {

ScriptedOperator::ScriptedOperator() {
  previous_ = SetMessageHandler([this](const Text& text, const Text& title, uint32_t style) {
    return Respond(text, title, style);
  });
}

ScriptedOperator::~ScriptedOperator() {
  SetMessageHandler(previous_);
}

void ScriptedOperator::Answer(std::initializer_list<int> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

int ScriptedOperator::Respond(const Text& text, const Text& title, uint32_t style) {
  int answer = FirstButtonOf(style);
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  boxes_.push_back({text, title, style, answer});
  if (action_) action_(boxes_.back());
  return answer;
}

}  // namespace quelb::testing

#include "support/scripted_operator.h"

#include <gtest/gtest.h>

namespace quelb::testing {
namespace {

// A run that keeps asking once the script has ended would otherwise never end: the disk
// prompt's first button loads another disk. Past this many boxes the operator fails the test
// and answers with the button that ends every prompt loop.
constexpr size_t kBoxesBeforeTheOperatorStops = 200;

int StoppingButtonOf(uint32_t style) {
  switch (style & MB_TYPEMASK) {
    case MB_YESNO:
      return IDNO;
    case MB_RETRYCANCEL:
      return IDCANCEL;
    default:
      return FirstButtonOf(style);
  }
}

}  // namespace

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
  } else if (boxes_.size() >= kBoxesBeforeTheOperatorStops) {
    ADD_FAILURE() << "the run still asks after " << boxes_.size() << " boxes: " << title;
    answer = StoppingButtonOf(style);
  }
  boxes_.push_back({text, title, style, answer});
  if (action_) action_(boxes_.back());
  return answer;
}

}  // namespace quelb::testing

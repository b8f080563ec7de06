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
  previous_ = SetMessageHandler([this](const Box& box) { return Respond(box); });
}

ScriptedOperator::~ScriptedOperator() {
  SetMessageHandler(previous_);
}

void ScriptedOperator::Answer(std::initializer_list<int> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

int ScriptedOperator::Respond(const Box& box) {
  int answer = FirstButtonOf(box.style);
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else if (boxes_.size() >= kBoxesBeforeTheOperatorStops) {
    ADD_FAILURE() << "the run still asks after " << boxes_.size() << " boxes: " << box.title;
    answer = StoppingButtonOf(box.style);
  }
  boxes_.push_back({box.text, box.title, box.style, answer, box.kind, box.failure});
  if (action_) action_(boxes_.back());
  return answer;
}

}  // namespace quelb::testing

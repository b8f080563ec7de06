// An operator that answers message boxes from a script and records every box it was shown.
#pragma once

#include <deque>
#include <vector>

#include "services/message.h"

namespace quelb::testing {

struct ShownBox {
  Text text;
  Text title;
  uint32_t style;
  int answer;
  BoxKind kind;
  BoxFailure failure;
};

class ScriptedOperator {
 public:
  // Installs itself as the message handler for its lifetime.
  ScriptedOperator();
  ~ScriptedOperator();
  ScriptedOperator(const ScriptedOperator&) = delete;
  ScriptedOperator& operator=(const ScriptedOperator&) = delete;

  // Answers, in order; once they run out every box is answered with its first button, up to a
  // bound past which the test fails and the run is answered to its end.
  void Answer(std::initializer_list<int> answers);
  // Runs before the answer to the box is given, for a test that changes the world while the
  // operator reads the box.
  void OnBox(std::function<void(const ShownBox&)> action) { action_ = std::move(action); }

  const std::vector<ShownBox>& Boxes() const { return boxes_; }

 private:
  int Respond(const Box& box);

  std::deque<int> answers_;
  std::vector<ShownBox> boxes_;
  std::function<void(const ShownBox&)> action_;
  MessageHandler previous_;
};

}  // namespace quelb::testing

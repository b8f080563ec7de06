// The policy that answers every box of a run in place of an operator, and the exit code that
// follows from its answers. Every box and its answer pass through Answer, where a witness (a
// log) may see them.
#pragma once

#include <chrono>
#include <functional>

#include "deploy/options.h"
#include "engine/engine.h"
#include "services/message.h"

namespace quelb::deploy {

class Policy {
 public:
  using Clock = std::chrono::steady_clock;
  // Sees each box with the answer given to it.
  using Witness = std::function<void(const Box& box, int answer)>;

  explicit Policy(const Options& options) : options_(options) {}

  void SetWitness(Witness witness) { witness_ = std::move(witness); }
  // Forgets what the run before asked, for the next source's run.
  void StartRun();
  // The answer to the box: one of its buttons, or kEndTheRun.
  int Answer(const Box& box);
  // Why the last box got its answer, in the words of the options, for the witness.
  const Text& Reason() const { return reason_; }
  // The exit code of a run that ended so: that of the first box that ended it, else 6 when a
  // file was skipped, else 0; an aborted run that no box ended is any other failure.
  int ExitCode(RunOutcome outcome) const;

 private:
  int Decide(const Box& box);
  // Answers with the button that tries again until --wait has passed since the box first came
  // for this file, then ends the run with the code.
  int KeepTrying(const Box& box, int retryButton, int code);
  int SettleFileFailure(const Box& box);
  int EndTheRun(int code);
  int Because(Text reason, int answer);

  const Options& options_;
  Witness witness_;
  // The prompt now waited on.
  BoxKind waitKind_ = BoxKind::kCompleted;
  Text waitFile_;
  Clock::time_point waitEnd_;
  // The file whose failure is now retried, and how often it was.
  Text failedFile_;
  int retriesDone_ = 0;
  int endingCode_ = 0;
  bool skipped_ = false;
  Text reason_;
};

}  // namespace quelb::deploy

// Whole update runs of the delivery bench, through the engine with a dialog held in memory.
#include "dialog/dialog_double.h"
#include "engine/engine.h"
#include "harness.h"
#include "services/message.h"

namespace delivery {

namespace {

// The operator of the bench: the completion message is the one box a clean run shows, and
// its count must be that of the files delivered.
class CompletionOnlyOperator {
 public:
  CompletionOnlyOperator() {
    quelb::SetMessageHandler([this](const quelb::Box& box) {
      if (box.kind != quelb::BoxKind::kCompleted)
        Fail("a prompt came: " + box.title + ": " + box.text);
      shown_ = box.text;
      return IDOK;
    });
  }
  void Expect(int files) { expected_ = " " + std::to_string(files) + " files copied or expanded."; }
  void Check() {
    if (shown_ != expected_) Fail("the run ended with \"" + shown_ + "\"");
    shown_.clear();
  }

 private:
  quelb::Text shown_;
  quelb::Text expected_;
};

CompletionOnlyOperator& Operator() {
  static CompletionOnlyOperator one;
  return one;
}

}  // namespace

void InstallOperator() {
  Operator();
}

// A run also makes the target folder current; the bench goes back where it was.
void UpdateRun(const fs::path& source, const fs::path& target, int files) {
  const fs::path here = fs::current_path();
  Operator().Expect(files);
  quelb::ErrorState errors;
  const quelb::dialog::DialogHandle dialog = quelb::testing::RunDialog(source, target);
  if (quelb::UpdateRun(dialog, errors) != quelb::RunOutcome::kCompleted) Fail("the run aborted");
  Operator().Check();
  quelb::testing::ForgetDialogs();
  fs::current_path(here);
}

}  // namespace delivery

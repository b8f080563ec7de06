// Whole update runs of the delivery bench, through the engine with a dialog held in memory, and
// how the bench gives up. The Windows build's run program of the figure under Wine is made
// from this file too.
#include "update_run.h"

#include <cstdio>
#include <cstdlib>

#include "dialog/dialog_double.h"
#include "engine/engine.h"
#include "services/message.h"

namespace delivery {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "delivery_bench: %s\n", why.c_str());
  std::exit(1);
}

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
  const quelb::dialog::DialogHandle dialog =
      quelb::testing::RunDialog(source.string(), target.string());
  if (quelb::UpdateRun(dialog, errors) != quelb::RunOutcome::kCompleted) Fail("the run aborted");
  Operator().Check();
  quelb::testing::ForgetDialogs();
  fs::current_path(here);
}

}  // namespace delivery

// Whole runs while other programs hold files of the target: a scanner that reads each file
// for a moment, as Windows' own scanners do as soon as a file is closed, and a program of the
// suite left running, which holds its file for the whole run.
#include <chrono>
#include <iostream>

#include "../engine_world.h"
#include "dialog/dialog_double.h"
#include "support/second_process.h"

namespace quelb::testing {
namespace {

constexpr int kFiles = 200;
constexpr int kHeldFile = 7;

std::string NameOf(int file) {
  const std::string number = std::to_string(1000 + file).substr(1);
  return "F" + number + ".DAT";
}

class HeldFilesRunTest : public EngineWorld {
 protected:
  HeldFilesRunTest() {
    for (int file = 0; file < kFiles; ++file) {
      WriteFile(source_ / NameOf(file), "new " + NameOf(file));
      WriteFile(target_ / NameOf(file), "old");
    }
  }
  ~HeldFilesRunTest() override { ForgetDialogs(); }

  RunOutcome Run() {
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome = UpdateRun(RunDialog(source_.string(), target_.string()), errors_);
    took_ = std::chrono::steady_clock::now() - start;
    return outcome;
  }

  std::vector<std::string> Prompts() const {
    std::vector<std::string> prompts;
    for (const ShownBox& box : operator_.Boxes()) {
      if (box.style == kFilePromptStyle) prompts.push_back(box.title + " " + box.text);
    }
    return prompts;
  }

  // The files that still hold their old content.
  std::vector<std::string> OldFiles() const {
    std::vector<std::string> old;
    for (int file = 0; file < kFiles; ++file) {
      if (ReadFile(target_ / NameOf(file)) != "new " + NameOf(file)) old.push_back(NameOf(file));
    }
    return old;
  }

  // What the run met, for the record of a measurement.
  void Report(const char* what) {
    std::cout << what << ": " << Prompts().size() << " prompts, " << kFiles - OldFiles().size()
              << " of " << kFiles << " files delivered, "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took_).count() << " ms\n";
  }

  std::chrono::steady_clock::duration took_{};
};

TEST_F(HeldFilesRunTest, AScannerThatReadsEachFileForAMomentCostsNoPrompt) {
  SecondProcess scanner({TestProgram("scanner"), target_.string()});
  ASSERT_TRUE(scanner.Ready());
  for (int file = 0; file < kFiles; ++file) operator_.Answer({IDIGNORE});

  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  const int opened = scanner.End();

  Report("scanner");
  EXPECT_EQ(Prompts(), std::vector<std::string>{});
  EXPECT_EQ(OldFiles(), std::vector<std::string>{});
  EXPECT_GT(opened, 0) << "the scanner read the files during the run";
  EXPECT_EQ(NamesIn(target_).size(), static_cast<size_t>(kFiles)) << "no temporary file is left";
}

TEST_F(HeldFilesRunTest, AFileHeldForTheWholeRunIsAskedAboutWith70) {
  SecondProcess holder(HolderCommand("keep", target_ / NameOf(kHeldFile)));
  ASSERT_TRUE(holder.Ready());
  operator_.Answer({IDIGNORE});

  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  holder.End();

  Report("holder");
  const std::string held = (source_ / NameOf(kHeldFile)).string();
  EXPECT_EQ(Prompts(), std::vector<std::string>{"error # 70 occurred Attempting to copy " + held});
  EXPECT_EQ(OldFiles(), std::vector<std::string>{NameOf(kHeldFile)});
  EXPECT_EQ(NamesIn(target_).size(), static_cast<size_t>(kFiles)) << "no temporary file is left";
}

}  // namespace
}  // namespace quelb::testing

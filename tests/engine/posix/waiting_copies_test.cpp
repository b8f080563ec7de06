// Copies that wait to be synced together: the old target stays until they are finished, a
// failure found then is asked about for its own file, and a name that waits already in
// another case is finished first, as one copy after the other would have found it.
#include "../engine_world.h"
#include "dialog/dialog_double.h"

namespace quelb::testing {
namespace {

class WaitingCopiesTest : public EngineWorld {
 protected:
  ~WaitingCopiesTest() override { ForgetDialogs(); }
};

TEST_F(WaitingCopiesTest, AFailureFoundWhenTheCopiesAreFinishedIsAskedAboutForItsOwnFile) {
  WriteFile(source_ / "A.TXT", "new A");
  WriteFile(source_ / "B.TXT", "new B");
  WriteFile(target_ / "A.TXT", "old A");
  UpdateRunState run = RunFor("A.TXT");
  ASSERT_EQ(HandleFile(run, errors_), FileOutcome::kNext);
  run.CurrentFile = "B.TXT";
  ASSERT_EQ(HandleFile(run, errors_), FileOutcome::kNext);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old A") << "replaced before it was finished";
  EXPECT_EQ(run.FileCount.Value(), 2);

  // Someone puts a folder that is not empty in the first file's place.
  fs::remove(target_ / "A.TXT");
  fs::create_directories(target_ / "A.TXT" / "inside");
  operator_.Answer({IDRETRY});
  operator_.OnBox([&](const ShownBox&) { fs::remove_all(target_ / "A.TXT"); });

  EXPECT_EQ(FinishWaitingCopies(run, errors_), FileOutcome::kNext);
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, "Attempting to copy " + source_.string() + "\\A.TXT");
  EXPECT_EQ(operator_.Boxes()[0].style, kFilePromptStyle);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new A");
  EXPECT_EQ(ReadFile(target_ / "B.TXT"), "new B");
  EXPECT_EQ(run.FileCount.Value(), 2);
  EXPECT_EQ(run.CurrentFile, "B.TXT");
  EXPECT_TRUE(run.WaitingFiles.empty());
}

TEST_F(WaitingCopiesTest, OneNameInTwoCasesMakesOneFileAsOneCopyAfterTheOther) {
  WriteFile(source_ / "notes.txt", "lower");
  WriteFile(source_ / "NOTES.TXT", "upper");

  const dialog::DialogHandle dialog = RunDialog(source_.string(), target_.string());
  EXPECT_EQ(UpdateRun(dialog, errors_), RunOutcome::kCompleted);

  EXPECT_EQ(NamesIn(target_).size(), 1u);
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, " 2 files copied or expanded.");
}

}  // namespace
}  // namespace quelb::testing

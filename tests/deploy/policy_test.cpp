// The policy's answer to each prompt of a run, and the exit code that follows.
#include "deploy/policy.h"

#include <gtest/gtest.h>

#include "deploy/exit_codes.h"

namespace quelb::deploy {
namespace {

Box FileFailure(ErrorNumber number, const Text& file = "S\\A.TXT") {
  return {BoxKind::kFileFailure,
          "Attempting to copy " + file,
          "error",
          MB_ABORTRETRYIGNORE,
          {number, 0, file}};
}

Box Prompt(BoxKind kind, uint32_t style) {
  return {kind, "", "", style, {error_number::kAccessDenied, 0, "T"}};
}

class PolicyTest : public ::testing::Test {
 protected:
  PolicyTest() { options_.waitSeconds = 0; }
  Options options_;
};

TEST_F(PolicyTest, AFailingFileIsRetriedAsOftenAsToldThenEndsTheRunWith6) {
  options_.retries = 1;
  Policy policy(options_);
  EXPECT_EQ(policy.Answer(FileFailure(error_number::kDiskFault)), IDRETRY);
  EXPECT_EQ(policy.Answer(FileFailure(error_number::kDiskFault)), kEndTheRun);
  // The abort message that follows is acknowledged and changes nothing.
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kCanceled, MB_OK)), IDOK);
  EXPECT_EQ(policy.ExitCode(RunOutcome::kAborted), kFileNotDelivered);
}

TEST_F(PolicyTest, AFullDiskEndsWith7AndKeepGoingIgnoresAndEndsWith6) {
  options_.retries = 0;
  Policy full(options_);
  EXPECT_EQ(full.Answer(FileFailure(error_number::kDiskFull)), kEndTheRun);
  EXPECT_EQ(full.ExitCode(RunOutcome::kAborted), kDiskFull);

  options_.keepGoing = true;
  Policy going(options_);
  EXPECT_EQ(going.Answer(FileFailure(error_number::kDiskFull)), IDIGNORE);
  EXPECT_EQ(going.Answer(Prompt(BoxKind::kCompleted, MB_OK)), IDOK);
  EXPECT_EQ(going.ExitCode(RunOutcome::kCompleted), kFileNotDelivered);
  going.StartRun();
  EXPECT_EQ(going.ExitCode(RunOutcome::kCompleted), kDelivered);
}

TEST_F(PolicyTest, EachWaitingPromptEndsWithItsCodeOnceTheWaitHasPassed) {
  struct Row {
    Box box;
    int code;
  };
  Box heldForAFile = FileFailure(error_number::kAccessDenied, "C:\\LDGRHOME\\DOWNLOAD");
  heldForAFile.failure.heldByAnotherRun = true;
  const Row rows[] = {
      {Prompt(BoxKind::kHeldFolder, MB_RETRYCANCEL), kHeldByAnotherRun},
      {heldForAFile, kHeldByAnotherRun},
      {Prompt(BoxKind::kOpeningInput, MB_RETRYCANCEL), kSourceUnreadable},
      {Prompt(BoxKind::kTargetProgramInUse, MB_YESNO), kProgramsInUse},
      {Prompt(BoxKind::kKeyProgramsInUse, MB_YESNO), kProgramsInUse},
  };
  for (const Row& row : rows) {
    Policy policy(options_);
    EXPECT_EQ(policy.Answer(row.box), kEndTheRun) << static_cast<int>(row.box.kind);
    EXPECT_EQ(policy.ExitCode(RunOutcome::kAborted), row.code) << static_cast<int>(row.box.kind);
  }
}

TEST_F(PolicyTest, WithinTheWaitAHeldFolderIsRetriedAndAProgramInUseTestedAgain) {
  options_.waitSeconds = 3600;
  Policy policy(options_);
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kHeldFolder, MB_RETRYCANCEL)), IDRETRY);
  EXPECT_EQ(policy.Reason(), "retrying, 3600 s of --wait left");
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kTargetProgramInUse, MB_YESNO)), IDYES);
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kCompleted, MB_OK)), IDOK);
  EXPECT_EQ(policy.ExitCode(RunOutcome::kCompleted), kDelivered);
}

TEST_F(PolicyTest, ThePathTooLongEndsWith4TheDiskPromptIsNoAndTheFirstEndingCodeStays) {
  Policy policy(options_);
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kAnotherDisk, MB_YESNO)), IDNO);
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kPathTooLong, MB_OK)), IDOK);
  EXPECT_EQ(policy.Answer(Prompt(BoxKind::kHeldFolder, MB_RETRYCANCEL)), kEndTheRun);
  EXPECT_EQ(policy.Reason(), "--wait of 0 s passed");
  EXPECT_EQ(policy.ExitCode(RunOutcome::kAborted), kFolderUnusable);
}

TEST_F(PolicyTest, EveryBoxAndItsAnswerPassTheWitness) {
  Policy policy(options_);
  std::vector<std::pair<BoxKind, int>> seen;
  policy.SetWitness([&](const Box& box, int answer) { seen.emplace_back(box.kind, answer); });
  policy.Answer(Prompt(BoxKind::kOpeningInput, MB_RETRYCANCEL));
  policy.Answer(Prompt(BoxKind::kCanceled, MB_OK));
  EXPECT_EQ(seen, (std::vector<std::pair<BoxKind, int>>{{BoxKind::kOpeningInput, kEndTheRun},
                                                        {BoxKind::kCanceled, IDOK}}));
}

}  // namespace
}  // namespace quelb::deploy

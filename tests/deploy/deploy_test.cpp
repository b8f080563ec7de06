// Whole deploys in this process, each source one run of the engine, answered by the policy:
// what ends on the disk and the exit code, against real second processes that hold a folder or
// a program.
#include "deploy/deploy.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "deploy/exit_codes.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/process.h"
#include "support/engine_archive.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;
using namespace quelb::deploy;

class DeployTest : public ::testing::Test {
 protected:
  DeployTest() {
    fs::create_directories(first_);
    fs::create_directories(target_);
    options_.sources = {first_.string()};
    options_.target = target_.string();
    options_.download = (scratch_ / "download").string();
    options_.waitSeconds = 0;
    options_.retries = 0;
  }
  ~DeployTest() override {
    DownloadFolder = kDownloadFolder;
    ArchiveTimeLimit = kNoTimeLimit;
  }

  TempFolder scratch_;
  fs::path first_ = scratch_ / "first";
  fs::path target_ = scratch_ / "target";
  Options options_;
  CurrentFolderGuard currentFolder_;
};

TEST_F(DeployTest, EachSourceIsDeliveredInTurnAndThePackageGoesToTheDownloadFolder) {
  const fs::path second = scratch_ / "second";
  fs::create_directories(second);
  WriteFile(first_ / "A.TXT", "first");
  WriteFile(first_ / "UPDATE.QLB", "package");
  WriteFile(second / "A.TXT", "second");
  WriteFile(target_ / "A.TXT", "old");
  options_.sources.push_back(second.string());

  EXPECT_EQ(RunDeploy(options_), kDelivered);

  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "second");
  EXPECT_EQ(ReadFile(scratch_ / "download" / "UPDATE.QLB"), "package");
  EXPECT_EQ(RunAborted, kFalse);
}

TEST_F(DeployTest, ASourceThatIsNotThereExits3AndTheSourcesAfterItAreNotDelivered) {
  const fs::path second = scratch_ / "second";
  fs::create_directories(second);
  WriteFile(second / "A.TXT", "second");
  options_.sources = {(scratch_ / "missing").string(), second.string()};

  EXPECT_EQ(RunDeploy(options_), kSourceUnreadable);

  EXPECT_FALSE(fs::exists(target_ / "A.TXT"));
}

TEST_F(DeployTest, ATargetThatCannotBeMadeOrADownloadFolderThatCannotExits4) {
  WriteFile(first_ / "A.TXT", "new");
  WriteFile(scratch_ / "file", "");
  options_.target = (scratch_ / "file" / "target").string();
  EXPECT_EQ(RunDeploy(options_), kFolderUnusable);

  options_.target = target_.string();
  options_.download = (scratch_ / "file" / "download").string();
  EXPECT_EQ(RunDeploy(options_), kFolderUnusable);
  EXPECT_FALSE(fs::exists(target_ / "A.TXT"));
}

TEST_F(DeployTest, ATargetAnotherRunHoldsExitsAsAnotherInstallationInProgress) {
  WriteFile(first_ / "A.TXT", "new");
  WriteFile(target_ / "A.TXT", "old");
  SecondProcess other({TestProgram("folder_locker"), target_.string()});
  ASSERT_TRUE(other.Ready());

  EXPECT_EQ(RunDeploy(options_), kHeldByAnotherRun);

  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old");
  EXPECT_EQ(RunAborted, kTrue);
}

TEST_F(DeployTest, AProgramStillInUseAfterTheWaitExits5AndItsArchiveIsNotRun) {
  WriteFile(first_ / "QUELBAP.EXE", "not run");
  WriteFile(target_ / "AP.exe", "held");
  SecondProcess holder(HolderCommand("open", target_ / "AP.exe"));
  ASSERT_TRUE(holder.Ready());

  EXPECT_EQ(RunDeploy(options_), kProgramsInUse);

  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "held");
}

// A folder in a file's place makes that file's delivery fail on every platform.
TEST_F(DeployTest, AFileThatCannotBeDeliveredExits6AndKeepGoingDeliversTheOthers) {
  WriteFile(first_ / "A.TXT", "a");
  WriteFile(first_ / "B.TXT", "b");
  fs::create_directories(target_ / "A.TXT");
  const fs::path second = scratch_ / "second";
  fs::create_directories(second);
  WriteFile(second / "C.TXT", "c");
  options_.sources.push_back(second.string());

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  EXPECT_FALSE(fs::exists(target_ / "C.TXT")) << "the deploy went on after a failed run";

  options_.keepGoing = true;
  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  EXPECT_EQ(ReadFile(target_ / "B.TXT"), "b");
  EXPECT_EQ(ReadFile(target_ / "C.TXT"), "c");
  EXPECT_TRUE(fs::is_directory(target_ / "A.TXT"));
}

// An archive that waits for input it will not get is ended when --archive-timeout has passed
// and is that file's failure, which --keep-going skips.
TEST_F(DeployTest, AnArchiveThatNeverEndsIsEndedAfterTheTimeoutAndCountsAsAFileNotDelivered) {
  ArchiveScript script;
  script.log = scratch_ / "archive.log";
  script.hangs = true;
  WriteArchive(first_ / "QUELBAP.EXE", script);
  WriteFile(first_ / "Z.TXT", "z");
  options_.archiveTimeoutSeconds = 1;

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  EXPECT_EQ(RunAborted, kTrue);

  options_.keepGoing = true;
  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  EXPECT_EQ(ReadFile(target_ / "Z.TXT"), "z");
}

}  // namespace
}  // namespace quelb::testing

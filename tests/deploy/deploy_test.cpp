// Whole deploys in this process, each source one run of the engine, answered by the policy:
// what ends on the disk and the exit code, against real second processes that hold a folder or
// a program.
#include "deploy/deploy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "deploy/check.h"
#include "deploy/exit_codes.h"
#include "deploy/receipt.h"
#include "deploy/room_check.h"
#include "engine/engine.h"
#include "engine/journal.h"
#include "engine/process_values.h"
#include "services/message.h"
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

  // The line of the deploy's log that holds the part, or an empty one.
  std::string LogLineWith(const std::string& part) const {
    const std::vector<std::string> lines = LogLines(log_);
    const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& text) {
      return text.find(part) != std::string::npos;
    });
    return line == lines.end() ? std::string() : *line;
  }

  TempFolder scratch_;
  fs::path first_ = scratch_ / "first";
  fs::path target_ = scratch_ / "target";
  fs::path log_ = scratch_ / "deploy.log";
  Options options_;
  CurrentFolderGuard currentFolder_;
};

// Every volume the deploy asks about has the room given, in units of 4 KiB; the target and the
// download folder are one volume unless told apart.
class RoomGuard {
 public:
  explicit RoomGuard(int64_t freeBytes, bool apart = false)
      : previous_(SetRoomProbe([=](ErrorState&, const Text& folder, VolumeRoom& room) {
          const bool inDownload = folder.find("download") != Text::npos;
          room = {apart && inDownload ? "download" : "target", freeBytes, 4096};
          return true;
        })) {}
  ~RoomGuard() { SetRoomProbe(previous_); }

 private:
  RoomProbe previous_;
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
  // The deploy answers its boxes without a screen; boxes after it take the screen again.
  EXPECT_TRUE(SetBoxesShownOnScreen(true));
}

// The run makes its target current, after which a relative path would name another folder.
// A source of one letter stays its drive, as setup takes it.
TEST_F(DeployTest, RelativePathsNameTheFoldersOfTheCurrentFolderWhenTheDeployStarted) {
  WriteFile(first_ / "A.TXT", "new");
  WriteFile(first_ / "UPDATE.QLB", "package");
  WriteFile(target_ / "A.TXT", "old");
  fs::current_path(scratch_.Path());
  options_.sources = {"first"};
  options_.target = "target";
  options_.download = "download";

  EXPECT_EQ(RunDeploy(options_), kDelivered);

  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
  EXPECT_EQ(ReadFile(scratch_ / "download" / "UPDATE.QLB"), "package");

  fs::create_directories(scratch_ / "A");
  WriteFile(scratch_ / "A" / "A.TXT", "a folder named A");
  fs::current_path(scratch_.Path());
  options_.sources = {"A"};
  EXPECT_EQ(RunDeploy(options_), kSourceUnreadable);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
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
}

// The log tells each staged file as staged and not placed.
TEST_F(DeployTest, AProgramStillInUseAfterTheWaitExits5AndNothingOfTheReleaseIsPlaced) {
  ArchiveScript archive;
  archive.log = scratch_ / "archive.log";
  WriteArchive(first_ / "QUELBAP.EXE", archive);
  WriteFile(first_ / "A.TXT", "new");
  WriteFile(target_ / "AP.exe", "held");
  SecondProcess holder(HolderCommand("open", target_ / "AP.exe"));
  ASSERT_TRUE(holder.Ready());
  options_.logFile = log_.string();

  EXPECT_EQ(RunDeploy(options_), kProgramsInUse);

  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "held");
  EXPECT_FALSE(fs::exists(target_ / "A.TXT"));
  EXPECT_NE(LogLineWith("staged, not placed \"" + options_.sources[0] + "\\A.TXT"), "");
  EXPECT_EQ(LogLineWith(" copied \""), "");
  EXPECT_NE(LogLineWith("NO files copied or expanded. Nothing was placed: 2 staged files"), "");
}

// A folder in the way of an archive's program turns the commit back once the folder that
// another program of the release goes into has been made; that one goes again, and a folder
// that was there before stays.
TEST_F(DeployTest, ACommitTurnedBackLeavesNoFolderItMadeAndTheLogPlacesNothing) {
  ArchiveScript nested;
  nested.log = scratch_ / "nested.log";
  nested.unpackName = "OLD/NEW/X.DLL";
  WriteArchive(first_ / "QUELBAP.EXE", nested);
  ArchiveScript blocked;
  blocked.log = scratch_ / "blocked.log";
  blocked.unpackName = "BLOCK.DLL";
  WriteArchive(first_ / "QUELBXY.EXE", blocked);
  fs::create_directories(target_ / "OLD");
  fs::create_directories(target_ / "BLOCK.DLL");
  WriteFile(target_ / "BLOCK.DLL" / "IN.TXT", "the suite's");
  options_.logFile = log_.string();

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);

  EXPECT_TRUE(fs::is_directory(target_ / "OLD"));
  EXPECT_FALSE(fs::exists(target_ / "OLD" / "NEW"));
  EXPECT_EQ(ReadFile(target_ / "BLOCK.DLL" / "IN.TXT"), "the suite's");
  EXPECT_NE(LogLineWith("staged, not placed \"" + options_.sources[0] + "\\QUELBAP.EXE"), "");
  EXPECT_EQ(LogLineWith(" expanded \""), "");
}

// A folder in a file's place makes that file's delivery fail on every platform, whatever the
// case its name is spelt in, in the target and in the download folder.
TEST_F(DeployTest, AFileThatCannotBeDeliveredExits6AndKeepGoingDeliversTheOthers) {
  WriteFile(first_ / "A.TXT", "a");
  WriteFile(first_ / "B.TXT", "b");
  WriteFile(first_ / "D.TXT", "d");
  WriteFile(first_ / "NEWS.QLB", "package");
  fs::create_directories(target_ / "A.TXT");
  fs::create_directories(target_ / "d.txt");
  fs::create_directories(fs::path(options_.download) / "News.Qlb");
  const fs::path second = scratch_ / "second";
  fs::create_directories(second);
  WriteFile(second / "C.TXT", "c");
  options_.sources.push_back(second.string());

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  EXPECT_FALSE(fs::exists(target_ / "C.TXT")) << "the deploy went on after a failed run";
  EXPECT_FALSE(fs::exists(target_ / "B.TXT")) << "a release that failed was placed in part";

  options_.keepGoing = true;
  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  EXPECT_EQ(ReadFile(target_ / "B.TXT"), "b");
  EXPECT_EQ(ReadFile(target_ / "C.TXT"), "c");
  EXPECT_TRUE(fs::is_directory(target_ / "A.TXT"));
  EXPECT_TRUE(fs::is_directory(target_ / "d.txt"));
  EXPECT_TRUE(fs::is_directory(fs::path(options_.download) / "News.Qlb"));
  EXPECT_FALSE(fs::is_regular_file(target_ / "D.TXT")) << "delivered beside its folder";
  EXPECT_FALSE(fs::is_regular_file(fs::path(options_.download) / "NEWS.QLB"));
}

// With --keep-going the release goes in place without the file that failed; the receipt names
// it, and --check asks for it alone.
TEST_F(DeployTest, KeepGoingPlacesTheReleaseWithoutTheFailedFileWhichTheReceiptAndCheckName) {
  WriteFile(first_ / "A.TXT", "a");
  WriteFile(first_ / "B.TXT", "b");
  fs::create_directories(target_ / "A.TXT");
  options_.keepGoing = true;

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);

  const std::optional<Receipt> receipt = ReadReceipt(options_.target);
  ASSERT_TRUE(receipt);
  ASSERT_EQ(receipt->missing.size(), 1u);
  EXPECT_EQ(receipt->missing[0].name, "A.TXT");
  EXPECT_EQ(receipt->missing[0].sourceFolder, options_.sources[0]);
  EXPECT_NE(receipt->missing[0].error, 0);
  ASSERT_EQ(receipt->deliveries.size(), 1u);
  EXPECT_EQ(receipt->deliveries[0].source.name, "B.TXT");
  const CheckResult check = CheckTarget(options_);
  EXPECT_EQ(check.code, kNotCurrent);
  EXPECT_EQ(check.wouldDeliver, std::vector<Text>{"A.TXT"});
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

// An archive is run with the target's stage as its folder; one that writes the target itself
// fails the deploy, and the release is not put in place.
TEST_F(DeployTest, AnArchiveThatWritesOutsideItsFolderFailsTheDeployAndNothingIsPlaced) {
  ArchiveScript archive;
  archive.log = scratch_ / "archive.log";
  WriteArchive(first_ / "QUELBAP.EXE", archive);
  WriteFile(first_ / "A.TXT", "new");
  ArchiveScript stray = archive;
  stray.unpackName = "../../STRAY.DLL";
  WriteArchive(first_ / "QUELBXY.EXE", stray);

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);

  EXPECT_TRUE(fs::exists(target_ / "STRAY.DLL"));
  EXPECT_FALSE(fs::exists(target_ / "A.TXT"));
  EXPECT_FALSE(fs::exists(target_ / "AP.exe"));
}

// The old files of a release are kept, hidden, until the next release keeps its own, and no
// stage is left behind.
TEST_F(DeployTest, AReleaseKeepsWhatItReplacedUntilTheNextRelease) {
  const fs::path hidden = target_ / ".quelb-deploy";
  WriteFile(target_ / "A.TXT", "release 1");
  WriteFile(first_ / "A.TXT", "release 2");
  WriteFile(first_ / "NEW.TXT", "new");
  ASSERT_EQ(RunDeploy(options_), kDelivered);
  EXPECT_EQ(ReadFile(hidden / "kept" / "A.TXT"), "release 1");

  WriteFile(first_ / "A.TXT", "release 3");
  fs::remove(first_ / "NEW.TXT");
  ASSERT_EQ(RunDeploy(options_), kDelivered);

  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "release 3");
  EXPECT_EQ(ReadFile(target_ / "NEW.TXT"), "new");
  EXPECT_EQ(ReadFile(hidden / "kept" / "A.TXT"), "release 2");
  EXPECT_FALSE(fs::exists(hidden / "stage"));
  EXPECT_TRUE(fs::is_empty(hidden / "discarded"));
  EXPECT_TRUE(fs::exists(scratch_ / "download" / ".quelb-deploy"));
  EXPECT_FALSE(fs::exists(scratch_ / "download" / ".quelb-deploy" / "stage"));
}

TEST_F(DeployTest, UndoPutsTheReleaseBeforeBackAndLeavesWhatTheSuiteChangedSince) {
  WriteFile(target_ / "A.TXT", "old a");
  WriteFile(target_ / "B.TXT", "old b");
  WriteFile(first_ / "A.TXT", "new a");
  WriteFile(first_ / "B.TXT", "new b");
  WriteFile(first_ / "NEW.TXT", "new");
  ASSERT_EQ(RunDeploy(options_), kDelivered);
  WriteFile(target_ / "B.TXT", "the suite's books");
  Options undo = options_;
  undo.sources.clear();
  undo.undo = true;

  EXPECT_EQ(RunDeploy(undo), kDelivered);

  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old a");
  EXPECT_EQ(ReadFile(target_ / "B.TXT"), "the suite's books");
  EXPECT_FALSE(fs::exists(target_ / "NEW.TXT"));
  EXPECT_EQ(RunDeploy(undo), kDelivered) << "a second undo has nothing to undo";
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old a");
}

// The receipt after an undo names the release undone and records none of its deliveries, so
// that --check, a fleet tool's detection, asks for the release again.
TEST_F(DeployTest, AfterAnUndoTheReceiptSaysSoAndCheckAsksForTheReleaseAgain) {
  WriteFile(target_ / "A.TXT", "old a");
  WriteFile(first_ / "A.TXT", "new a");
  WriteFile(first_ / "NEW.TXT", "new");
  ASSERT_EQ(RunDeploy(options_), kDelivered);
  const std::optional<Receipt> release = ReadReceipt(options_.target);
  ASSERT_TRUE(release);
  ASSERT_EQ(CheckTarget(options_).code, kDelivered);
  Options undo = options_;
  undo.sources.clear();
  undo.undo = true;

  ASSERT_EQ(RunDeploy(undo), kDelivered);

  const std::optional<Receipt> undone = ReadReceipt(options_.target);
  ASSERT_TRUE(undone);
  ASSERT_TRUE(undone->undone);
  EXPECT_EQ(undone->undone->written, release->written);
  EXPECT_TRUE(undone->deliveries.empty());
  CheckResult check = CheckTarget(options_);
  EXPECT_EQ(check.code, kNotCurrent);
  std::sort(check.wouldDeliver.begin(), check.wouldDeliver.end());
  EXPECT_EQ(check.wouldDeliver, (std::vector<Text>{"A.TXT", "NEW.TXT"}));

  ASSERT_EQ(RunDeploy(options_), kDelivered);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new a");
  EXPECT_EQ(CheckTarget(options_).code, kDelivered);
  EXPECT_FALSE(ReadReceipt(options_.target)->undone);
}

// What the copies and packages stage is held against the room of each volume before anything
// is staged: one sum when the target and the download folder share a volume, each file taking
// whole units, and without the names that are unchanged.
TEST_F(DeployTest, AReleaseOrAnArchiveWithoutRoomOnItsVolumesExits7) {
  WriteFile(target_ / "A.TXT", "old");
  WriteFile(first_ / "A.TXT", std::string(5000, 'a'));
  WriteFile(first_ / "UPDATE.QLB", std::string(5000, 'p'));
  WriteFile(first_ / "SETUP.EXE", std::string(50000, 's'));
  options_.logFile = log_.string();
  {
    RoomGuard room(16383);
    EXPECT_EQ(RunDeploy(options_), kDiskFull);
  }
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old");
  EXPECT_FALSE(fs::exists(scratch_ / "download" / "UPDATE.QLB"));
  EXPECT_NE(LogLineWith("disk full: 16384 bytes to stage on the volume of \"" + options_.target +
                        "\" and \"" + options_.download + "\", 16383 bytes free"),
            "");
  {
    RoomGuard room(8192, true);
    EXPECT_EQ(RunDeploy(options_), kDelivered);
  }
  WriteFile(first_ / "B.TXT", "b");
  {
    RoomGuard room(4096);
    EXPECT_EQ(RunDeploy(options_), kDelivered);
  }
  EXPECT_EQ(ReadFile(target_ / "B.TXT"), "b");

  // An archive's programs cannot be counted before it runs: its failure on a volume left with
  // less room than the archive itself is a full disk, and on one with room a file not delivered.
  ArchiveScript archive;
  archive.log = scratch_ / "archive.log";
  archive.exitCode = 2;
  WriteArchive(first_ / "QUELBAP.EXE", archive);
  {
    RoomGuard room(100000000);
    EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);
  }
  {
    RoomGuard room(0);
    EXPECT_EQ(RunDeploy(options_), kDiskFull);
  }
  EXPECT_FALSE(fs::exists(target_ / "AP.exe"));
}

// A deploy killed after its journal was written and its first rename made.
TEST_F(DeployTest, RecoverFinishesTheReleaseADeployWasEndedIn) {
  ErrorState errors;
  const Text hidden = options_.target + "\\.quelb-deploy";
  fs::create_directories(target_ / ".quelb-deploy");
  WriteFile(target_ / "A.TXT", "old");
  WriteFile(target_ / ".quelb-deploy" / "A.TXT", "new");
  Journal journal;
  journal.steps = {{JournalStep::Kind::kKeep, options_.target + "\\A.TXT", hidden + "\\OLD.TXT",
                    IdentityOf(errors, options_.target + "\\A.TXT")},
                   {JournalStep::Kind::kPlace, hidden + "\\A.TXT", options_.target + "\\A.TXT",
                    IdentityOf(errors, hidden + "\\A.TXT")}};
  WriteFileDurably(errors, JournalPathIn(options_.target), JournalText(journal));
  RenameWithoutReplacing(errors, journal.steps[0].from, journal.steps[0].to);
  ASSERT_EQ(errors.number, 0);
  Options recover = options_;
  recover.sources.clear();
  recover.recover = true;

  EXPECT_EQ(RunDeploy(recover), kDelivered);

  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
  EXPECT_EQ(ReadFile(target_ / ".quelb-deploy" / "OLD.TXT"), "old");
}

}  // namespace
}  // namespace quelb::testing

// The environment, the command tail and the current drive and folder.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/journal_files.h"
#include "services/process.h"
#include "support/guards.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CurrentFolderGuard;
using testing::DriveTable;
using testing::TempFolder;

std::string Canonical(const fs::path& path) {
  return fs::canonical(path).string();
}

TEST(EnvironmentValueTest, UnsetIsEmptyAndSetIsItsValue) {
  unsetenv("QUELB_SURELY_UNSET");
  EXPECT_EQ(EnvironmentValue("QUELB_SURELY_UNSET"), "");
  testing::EnvironmentGuard set("QUELB_SET_VALUE", "C:\\WINDOWS\\cmd.exe /x");
  EXPECT_EQ(EnvironmentValue("QUELB_SET_VALUE"), "C:\\WINDOWS\\cmd.exe /x");
}

TEST(EnvironmentValueTest, NamesMatchInAnyLetterCaseAndOneWithEqualsIsUnset) {
  testing::EnvironmentGuard spelt("QuelbComSpec", "C:\\WINDOWS\\cmd.exe");
  testing::EnvironmentGuard other("QUELB_A", "B=C");
  EXPECT_EQ(EnvironmentValue("QUELBCOMSPEC"), "C:\\WINDOWS\\cmd.exe");
  EXPECT_EQ(EnvironmentValue("quelbcomspec"), "C:\\WINDOWS\\cmd.exe");
  EXPECT_EQ(EnvironmentValue("QUELB_A=B"), "");
  EXPECT_EQ(EnvironmentValue("=QUELB_A"), "");
  EXPECT_EQ(EnvironmentValue(""), "");
}

TEST(CommandTailProbe, WritesTail) {
  const char* out = testing::ProbeOutput();
  if (out == nullptr) GTEST_SKIP() << "started by the CommandTailTest cases";
  testing::WriteFile(out, "[" + CommandTail() + "]");
}

TEST(CommandTailTest, ArgumentsJoinedByOneBlank) {
  EXPECT_EQ(testing::RunProbe("CommandTailProbe.WritesTail", {}), "[]");
  EXPECT_EQ(testing::RunProbe("CommandTailProbe.WritesTail", {"QUELB"}), "[QUELB]");
  EXPECT_EQ(testing::RunProbe("CommandTailProbe.WritesTail", {"QUELB", "two  words", "\"q\""}),
            "[QUELB two  words \"q\"]");
  EXPECT_EQ(testing::RunProbe("CommandTailProbe.WritesTail", {" ", "  "}), "[]")
      << "blanks alone select no tail";
  EXPECT_EQ(testing::RunProbe("CommandTailProbe.WritesTail", {" ABC "}), "[ABC ]");
  EXPECT_EQ(testing::RunProbe("CommandTailProbe.WritesTail", {"\tABC"}), "[ABC]");
}

class CurrentFolderTest : public ::testing::Test {
 protected:
  CurrentFolderGuard guard_;
  DriveTable drives_;
  TempFolder elsewhere_;
  ErrorState state_;
};

TEST_F(CurrentFolderTest, HostFolderIsReportedAsItIs) {
  fs::current_path("/");
  EXPECT_EQ(CurrentFolder(state_, ""), fs::current_path().string());
  fs::current_path(elsewhere_.Path());
  EXPECT_EQ(CurrentFolder(state_, ""), Canonical(elsewhere_.Path()));
  EXPECT_EQ(TakeError(state_), 0);
}

TEST_F(CurrentFolderTest, DriveRootKeepsItsSeparatorAndSubFolderHasNone) {
  const fs::path root = drives_.Root('c');
  fs::create_directories(root / "QUELB" / "SETUP");
  fs::current_path(root);
  EXPECT_EQ(CurrentFolder(state_, ""), "C:\\");
  EXPECT_EQ(CurrentFolder(state_, "C"), "C:\\");
  fs::current_path(root / "QUELB" / "SETUP");
  EXPECT_EQ(CurrentFolder(state_, ""), "C:\\QUELB\\SETUP");
  EXPECT_EQ(CurrentFolder(state_, "c:"), "C:\\QUELB\\SETUP");
  EXPECT_EQ(TakeError(state_), 0);
}

// The batch's current folder and its drive are found again after a change: a relative name
// then names the file of the new folder, and a name from the root the file of the new drive's
// root, not those of the folder the batch began in.
TEST_F(CurrentFolderTest, ALookupBatchFollowsAChangeOfFolderAndOfDrive) {
  const fs::path c = drives_.Root('c');
  const fs::path d = drives_.Root('d');
  fs::create_directory(c / "QUELB");
  testing::WriteFile(c / "QUELB" / "FILE.TXT", "in the suite");
  testing::WriteFile(elsewhere_ / "FILE.TXT", "elsewhere");
  testing::WriteFile(c / "ROOT.TXT", "C");
  testing::WriteFile(d / "ROOT.TXT", "on D");
  fs::current_path(c / "QUELB");
  const PathLookupBatch batch;
  EXPECT_EQ(IdentityOf(state_, "FILE.TXT").size, 12);
  EXPECT_EQ(IdentityOf(state_, "\\ROOT.TXT").size, 1);
  ChangeFolder(state_, elsewhere_.Path().string());
  EXPECT_EQ(IdentityOf(state_, "FILE.TXT").size, 9);
  ChangeFolder(state_, "D:\\");
  EXPECT_EQ(IdentityOf(state_, "\\ROOT.TXT").size, 4);
  ChangeFolder(state_, "C:\\QUELB");
  EXPECT_EQ(IdentityOf(state_, "FILE.TXT").size, 12);
  EXPECT_EQ(IdentityOf(state_, "\\ROOT.TXT").size, 1);
  EXPECT_EQ(TakeError(state_), 0);
}

// A batch that looks into a folder again may hold it open; a folder that this process moves
// away and makes anew meanwhile is looked into where it is now.
TEST_F(CurrentFolderTest, ALookupBatchLooksIntoAFolderMadeAnewWhereItIsNow) {
  const fs::path folder = elsewhere_ / "A";
  fs::create_directory(folder);
  testing::WriteFile(folder / "F.TXT", "old");
  testing::WriteFile(folder / "G.TXT", "g");
  const Text file = (folder / "F.TXT").string();
  const PathLookupBatch batch;
  EXPECT_EQ(SizeAndTimeOf(state_, (folder / "G.TXT").string()).size, 1);
  EXPECT_EQ(SizeAndTimeOf(state_, file).size, 3);
  RenameWithoutReplacing(state_, folder.string(), (elsewhere_ / "B").string());
  MakeFolder(state_, folder.string());
  testing::WriteFile(folder / "F.TXT", "made anew");
  EXPECT_EQ(SizeAndTimeOf(state_, file).size, 9);
  EXPECT_EQ(IdentityOf(state_, file).size, 9);
  EXPECT_EQ(TakeError(state_), 0);
}

#ifndef _WIN32
// A batch asks each volume for its id once, and a file of another volume keeps its own: the
// journal knows files by these ids.
TEST_F(CurrentFolderTest, ALookupBatchKeepsTheIdOfEachVolumeApart) {
  std::error_code error;
  const fs::path memory = fs::path("/dev/shm") / ("quelb-batch-" + std::to_string(getpid()));
  if (!fs::create_directory(memory, error)) GTEST_SKIP() << "no /dev/shm";
  testing::WriteFile(memory / "A.TXT", "a");
  testing::WriteFile(elsewhere_ / "B.TXT", "b");
  const std::vector<std::string> files = {
      (memory / "A.TXT").string(), (elsewhere_ / "B.TXT").string(), (memory / "A.TXT").string()};
  std::vector<Text> alone;
  for (const std::string& file : files) alone.push_back(IdentityOf(state_, file).fileId);
  std::vector<Text> batched;
  {
    const PathLookupBatch batch;
    for (const std::string& file : files) batched.push_back(IdentityOf(state_, file).fileId);
  }
  fs::remove_all(memory);
  EXPECT_EQ(batched, alone);
  EXPECT_EQ(TakeError(state_), 0);
  const auto volume = [](const Text& id) { return id.substr(0, id.find(':')); };
  if (volume(alone[0]) == volume(alone[1])) GTEST_SKIP() << "both folders lie on one volume";
}
#endif

TEST_F(CurrentFolderTest, OtherDriveGivesItsRootAndLeavesTheCurrentFolder) {
  drives_.Root('a');
  fs::current_path(elsewhere_.Path());
  EXPECT_EQ(CurrentFolder(state_, "A"), "A:\\");
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
  EXPECT_EQ(TakeError(state_), 0);
}

// A prefix whose Z: is the host root gives every folder a drive form.
TEST_F(CurrentFolderTest, TheDriveWithTheLongestRootNamesTheFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "on Windows a folder has the one drive form of the volume that holds it";
#endif
  const fs::path c = drives_.Root('c');
  fs::create_directory(c / "QUELB");
  drives_.Link('z', "/");
  fs::current_path(c / "QUELB");
  EXPECT_EQ(CurrentFolder(state_, ""), "C:\\QUELB");
  ChangeFolder(state_, elsewhere_.Path().string());
  std::string expected = "Z:" + Canonical(elsewhere_.Path());
  std::replace(expected.begin(), expected.end(), '/', '\\');
  EXPECT_EQ(CurrentFolder(state_, ""), expected);
  EXPECT_EQ(CurrentFolder(state_, "C"), "C:\\QUELB") << "the folder last had on C";
  fs::current_path("/");
  EXPECT_EQ(CurrentFolder(state_, ""), "Z:\\");
  EXPECT_EQ(TakeError(state_), 0);
}

TEST_F(CurrentFolderTest, TheReportedFolderLeadsBackToItself) {
  const fs::path c = drives_.Root('c');
  fs::create_directories(c / "Quelb" / "Setup");
  std::vector<fs::path> folders{c, c / "Quelb" / "Setup"};
#ifndef _WIN32
  // Only a host holds a folder name with a colon.
  drives_.Link('z', "/");
  fs::create_directory(elsewhere_ / "smb-share:server=s");
  folders.push_back(elsewhere_ / "smb-share:server=s");
#endif
  for (const fs::path& folder : folders) {
    fs::current_path(folder);
    const Text reported = CurrentFolder(state_, "");
    fs::current_path("/");
    ChangeFolder(state_, reported);
    EXPECT_EQ(fs::current_path(), fs::canonical(folder)) << reported;
  }
#ifndef _WIN32
  EXPECT_EQ(CurrentFolder(state_, ""), Canonical(elsewhere_ / "smb-share:server=s"))
      << "a name no drive path holds keeps the host path";
#endif
  EXPECT_EQ(TakeError(state_), 0);
}

TEST_F(CurrentFolderTest, DriveThatIsNotThereGivesEmptyAnd76) {
  EXPECT_EQ(CurrentFolder(state_, "Q"), "");
  EXPECT_EQ(TakeError(state_), 76);
  EXPECT_EQ(CurrentFolder(state_, "1"), "");
  EXPECT_EQ(TakeError(state_), 76);
}

TEST_F(CurrentFolderTest, ChangeDriveGoesToTheFolderLastHadOnIt) {
  const fs::path c = drives_.Root('c');
  const fs::path a = drives_.Root('a');
  fs::create_directory(c / "QUELB");
#ifdef _WIN32
  // The temporary folders lie on C: here, so the test starts on a drive of its own, and C:
  // already has a folder of its own from the tests before.
  const fs::path start = drives_.Root('e');
#else
  const fs::path start = elsewhere_.Path();
#endif
  fs::current_path(start);
  ChangeDrive(state_, "");
  EXPECT_EQ(fs::current_path(), fs::canonical(start));
#ifndef _WIN32
  ChangeDrive(state_, "C");
  EXPECT_EQ(fs::current_path(), fs::canonical(c));
#endif
  ChangeFolder(state_, "C:\\QUELB");
  ChangeDrive(state_, "c");
  EXPECT_EQ(fs::current_path(), fs::canonical(c / "QUELB")) << "already on that drive";
  ChangeDrive(state_, "A");
  EXPECT_EQ(fs::current_path(), fs::canonical(a));
  ChangeDrive(state_, "C");
  EXPECT_EQ(fs::current_path(), fs::canonical(c / "QUELB"));
  EXPECT_EQ(TakeError(state_), 0);
}

TEST_F(CurrentFolderTest, ChangeToADriveThatIsNotThereFailsWith76) {
  fs::current_path(elsewhere_.Path());
  for (const char* drive : {"Q", "1:", ":"}) {
    ChangeDrive(state_, drive);
    EXPECT_EQ(TakeError(state_), 76) << drive;
  }
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
}

TEST_F(CurrentFolderTest, ChangeFolderFollowsDrivePathsInAnyLetterCase) {
  const fs::path c = drives_.Root('c');
  fs::create_directories(c / "Quelb" / "Data");
  ChangeFolder(state_, "c:\\QUELB\\data");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), c / "Quelb" / "Data"));
  ChangeFolder(state_, elsewhere_.Path().string());
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
}

TEST_F(CurrentFolderTest, MissingFolderIs76NeverAnd53) {
  fs::current_path(elsewhere_.Path());
  testing::WriteFile(elsewhere_ / "FILE.TXT", "x");
  for (const std::string& path :
       {(elsewhere_ / "MISSING").string(), (elsewhere_ / "NO" / "DEEPER").string(),
        (elsewhere_ / "FILE.TXT" / "DEEPER").string(), std::string("Q:\\QUELB"),
        std::string("C:\\*"), std::string("NAME?")}) {
    ChangeFolder(state_, path);
#ifdef _WIN32
    // A file is no folder to Windows (ERROR_DIRECTORY), not a path that is missing.
    if (path.ends_with("FILE.TXT")) {
      EXPECT_EQ(TakeError(state_), 75) << path;
      continue;
    }
#endif
    EXPECT_EQ(TakeError(state_), 76) << path;
  }
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
}

TEST_F(CurrentFolderTest, ChangeOntoAFileFailsWith75) {
  fs::current_path(elsewhere_.Path());
  testing::WriteFile(elsewhere_ / "FILE.TXT", "x");
  ChangeFolder(state_, (elsewhere_ / "FILE.TXT").string());
  EXPECT_EQ(TakeError(state_), 75);
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
}

TEST_F(CurrentFolderTest, DriveWithoutItsDiskFailsWith71) {
  if (!testing::DrivesWithoutDiskCanBeMade()) GTEST_SKIP() << testing::kNoDriveWithoutDisk;
  drives_.Link('d', elsewhere_ / "NO-DISK");
  fs::current_path(elsewhere_.Path());
  for (const char* path : {"D:\\", "D:\\SETUP", "d:setup"}) {
    ChangeFolder(state_, path);
    EXPECT_EQ(TakeError(state_), 71) << path;
  }
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
}

TEST_F(CurrentFolderTest, NamesWindowsCannotHoldFailWith75EvenWhenSuchAFolderExists) {
  const fs::path c = drives_.Root('c');
  std::vector<const char*> paths{"C:\\QU\"OTE", "C:\\A|B", "C:\\<", "C:\\NEW\n"};
#ifndef _WIN32
  // Only a host holds such folders; on Windows a colon after a name names a data stream.
  fs::create_directory(c / "QU\"OTE");
  fs::create_directory(c / "A|B");
  fs::create_directory(c / "A:B");
  paths.push_back("C:\\A:B");
#endif
  fs::current_path(elsewhere_.Path());
  for (const char* path : paths) {
    ChangeFolder(state_, path);
    EXPECT_EQ(TakeError(state_), 75) << path;
  }
  EXPECT_EQ(fs::current_path(), fs::canonical(elsewhere_.Path()));
}

TEST_F(CurrentFolderTest, WildcardIsRefusedEvenWhenSuchAFolderExists) {
#ifndef _WIN32
  fs::create_directory(elsewhere_ / "A*B");
#endif
  ChangeFolder(state_, (elsewhere_ / "A*B").string());
  EXPECT_EQ(TakeError(state_), 76);
}

}  // namespace
}  // namespace quelb

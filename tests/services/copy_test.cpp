// The copy of one file onto another as every backend does it: what is delivered, and what a
// refused copy leaves.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "copy_fixture.h"
#include "services/files.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;
using testing::LongContent;
using testing::NamesIn;
#ifndef _WIN32
using testing::StatOf;
#endif

TEST_F(CopyTest, TheReplacedFilesOwnerKeepsTheFile) {
#ifdef _WIN32
  GTEST_SKIP() << "on Windows a new file belongs to whoever makes it, as the old one did";
#else
  if (geteuid() != 0) GTEST_SKIP() << "only an administrator may give a file away";
  const fs::path target = c_ / "QUELB" / "DATA.DBF";
  ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(testing::ReadFile(target), "new content");
  EXPECT_EQ(StatOf(target).st_uid, 65534u);
  EXPECT_EQ(StatOf(target).st_gid, 65534u);
#endif
}

TEST_F(CopyTest, CreatesAMissingTargetUnderTheNameAsWritten) {
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\quelb\\Fresh.Dbf");
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "Fresh.Dbf"), "new content");
}

TEST_F(CopyTest, ReadOnlyTargetFailsWith70AndKeepsItsMode) {
  if (testing::ReadOnlyIsIgnored()) GTEST_SKIP() << testing::kReadOnlyIgnored;
  testing::MakeReadOnly(c_ / "QUELB" / "DATA.DBF");
  const fs::perms before = fs::status(c_ / "QUELB" / "DATA.DBF").permissions();
  ExpectRefused(70);
  EXPECT_EQ(fs::status(c_ / "QUELB" / "DATA.DBF").permissions(), before);
}

TEST_F(CopyTest, TargetHeldByAnotherProcessFailsWith70) {
  testing::SecondProcess holder(testing::HolderCommand("open", c_ / "QUELB" / "DATA.DBF"));
  ASSERT_TRUE(holder.Ready());
  ExpectRefused(70);
}

TEST_F(CopyTest, MissingSourceFailsWith53) {
  fs::remove(c_ / "SOURCE" / "DATA.DBF");
  ExpectRefused(53);
}

TEST_F(CopyTest, SourceThatIsNoFileFailsWithoutWaiting) {
  fs::remove(c_ / "SOURCE" / "DATA.DBF");
#ifdef _WIN32
  // Windows has no named pipe in a folder; a folder is the source that is no file.
  fs::create_directory(c_ / "SOURCE" / "DATA.DBF");
#else
  ASSERT_EQ(mkfifo((c_ / "SOURCE" / "DATA.DBF").c_str(), 0600), 0);
#endif
  ExpectRefused(70);
}

// A drive without its disk is one whose entry points at a folder that is not there.
TEST_F(CopyTest, MissingFolderOrDriveFailsWith76AndADriveWithoutItsDiskWith71) {
  struct Case {
    const char* source;
    const char* target;
    ErrorNumber number;
  };
  std::vector<Case> copies{Case{"C:\\SOURCE\\DATA.DBF", "C:\\MISSING\\DATA.DBF", 76},
                           Case{"C:\\SOURCE\\DATA.DBF", "Q:\\QUELB\\DATA.DBF", 76},
                           Case{"Q:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF", 76}};
  if (testing::DrivesWithoutDiskCanBeMade()) {
    drives_.Link('d', c_ / "NO-DISK");
    copies.push_back(Case{"D:\\DATA.DBF", "C:\\QUELB\\DATA.DBF", 71});
    copies.push_back(Case{"C:\\SOURCE\\DATA.DBF", "D:\\QUELB\\DATA.DBF", 71});
  }
  for (const Case& copy : copies) {
    CopyFileTo(state_, copy.source, copy.target);
    EXPECT_EQ(TakeError(state_), copy.number) << copy.source << " to " << copy.target;
  }
  EXPECT_FALSE(fs::exists(c_ / "MISSING"));
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
}

TEST_F(CopyTest, NamesWindowsCannotHoldFailWith75OnEitherSide) {
  std::vector<const char*> targets{"C:\\QU\"OTE\\DATA.DBF", "C:\\QUELB\\DATA*.DBF",
                                   "C:\\QUELB\\DATA?.DBF",  "C:\\QUELB\\<DATA>",
                                   "C:\\QUELB\\A|B",        "C:\\QUELB\\A\x1f"};
#ifndef _WIN32
  // Only a host holds such a folder; on Windows a colon after a name names a data stream.
  fs::create_directory(c_ / "QU\"OTE");
  targets.push_back("C:\\QUELB\\A:B");
#endif
  for (const char* target : targets) {
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", target);
    EXPECT_EQ(TakeError(state_), 75) << target;
  }
  CopyFileTo(state_, "C:\\SOURCE\\DATA*", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 75);
#ifndef _WIN32
  EXPECT_TRUE(fs::is_empty(c_ / "QU\"OTE"));
#endif
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
}

TEST_F(CopyTest, NewNamesInAnyCaseFindWhatTheRunCreated) {
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\New.Dbf");
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\quelb\\NEW.DBF");
  MakeFolder(state_, "C:\\QUELB\\Sub");
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\SUB\\new.dbf");
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(NamesIn(c_ / "QUELB"), (std::set<std::string>{"DATA.DBF", "New.Dbf", "Sub"}));
  EXPECT_EQ(NamesIn(c_ / "QUELB" / "Sub"), std::set<std::string>{"new.dbf"});
}

// The copy first takes both paths as written; one it does not find so goes through the
// case-blind translation, and the exact spelling still wins where both are there.
TEST_F(CopyTest, PathsAsWrittenGiveWayToTheSpellingTheFolderHas) {
  testing::WriteFile(c_ / "QUELB" / "Other.Dbf", "old other");
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\OTHER.DBF");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "Other.Dbf"), "new content");

#ifndef _WIN32
  // Only a host folder holds two names that differ in case alone.
  testing::WriteFile(c_ / "QUELB" / "data.dbf", "lower-case twin");
  CopyFileTo(state_, "C:\\source\\data.dbf", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "new content");
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "data.dbf"), "lower-case twin");
  EXPECT_EQ(NamesIn(c_ / "QUELB"), (std::set<std::string>{"DATA.DBF", "Other.Dbf", "data.dbf"}));
#endif
}

TEST_F(CopyTest, CopyOntoItselfFailsAndLeavesTheFileWhole) {
  const fs::path file = c_ / "SOURCE" / "DATA.DBF";
  for (const Text target : {"C:\\SOURCE\\DATA.DBF", "c:\\source\\data.dbf"}) {
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", target);
    EXPECT_EQ(TakeError(state_), 70) << target;
  }
  fs::create_hard_link(file, c_ / "SOURCE" / "LINKED.DBF");
  CopyFileTo(state_, "C:\\SOURCE\\LINKED.DBF", "C:\\SOURCE\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_EQ(testing::ReadFile(file), "new content");
  EXPECT_EQ(NamesIn(c_ / "SOURCE"), (std::set<std::string>{"DATA.DBF", "LINKED.DBF"}));
}

TEST_F(CopyTest, OverlongTargetFailsWithoutNamingAnotherFile) {
  const std::string name(300, 'D');
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\" + name);
#ifdef _WIN32
  // Wine reports a name longer than a folder holds as a missing file (2).
  EXPECT_EQ(TakeError(state_), testing::UnderWine() ? 53 : 75);
#else
  EXPECT_EQ(TakeError(state_), 75);
#endif
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

// A link in the target's name is replaced as a rename replaces a name on Windows; the file
// it names, which may be anyone's, is left as it was. A dangling link is replaced as well.
TEST_F(CopyTest, ALinkAsTargetIsReplacedAndWhatItNamesIsUntouched) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows lets only administrators make links, and Wine makes none";
#endif
  fs::create_symlink(c_ / "QUELB" / "DATA.DBF", c_ / "SOURCE" / "ALIAS.DBF");
  fs::create_symlink(c_ / "QUELB" / "GONE.DBF", c_ / "SOURCE" / "DANGLING.DBF");
  for (const char* name : {"C:\\SOURCE\\ALIAS.DBF", "C:\\SOURCE\\DANGLING.DBF"}) {
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", name);
    EXPECT_EQ(TakeError(state_), 0) << name;
  }
  for (const char* name : {"ALIAS.DBF", "DANGLING.DBF"}) {
    EXPECT_FALSE(fs::is_symlink(c_ / "SOURCE" / name)) << name;
    EXPECT_EQ(testing::ReadFile(c_ / "SOURCE" / name), "new content") << name;
  }
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

// A small tmpfs of the test's own, which only root may mount.
class SmallDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows program cannot mount a small file system of its own";
#else
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    disk_ = folder_ / "disk";
    fs::create_directories(disk_);
    if (mount("tmpfs", disk_.c_str(), "tmpfs", 0, "size=128k") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    mounted_ = true;
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    if (mounted_) umount2(disk_.c_str(), MNT_DETACH);
#endif
  }

  testing::TempFolder folder_;
  fs::path disk_;
  bool mounted_ = false;
  ErrorState state_;
};

TEST_F(SmallDiskTest, FullDiskFailsWith61AndKeepsTheOldTarget) {
  testing::WriteFile(disk_ / "DATA.DBF", "old content");
  testing::WriteFile(folder_ / "DATA.DBF", LongContent());
  CopyFileTo(state_, (folder_ / "DATA.DBF").string(), (disk_ / "DATA.DBF").string());
  EXPECT_EQ(TakeError(state_), 61);
  EXPECT_EQ(testing::ReadFile(disk_ / "DATA.DBF"), "old content");
  EXPECT_EQ(NamesIn(disk_), std::set<std::string>{"DATA.DBF"});
}

TEST_F(SmallDiskTest, CopiesAcrossFileSystems) {
  const std::string content = LongContent().substr(0, 60000);
  testing::WriteFile(disk_ / "SMALL.DBF", content);
  CopyFileTo(state_, (disk_ / "SMALL.DBF").string(), (folder_ / "SMALL.DBF").string());
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(testing::ReadFile(folder_ / "SMALL.DBF"), content);
}

}  // namespace
}  // namespace quelb

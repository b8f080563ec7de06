// The exclusive open on real files, with real second processes holding them.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "services/files.h"
#ifndef _WIN32
#include "services/posix/internal/in_use.h"
#endif
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

using testing::HolderCommand;
using testing::SecondProcess;
using testing::TempFolder;
using testing::TestProgram;

struct FileState {
  std::string content;
  std::filesystem::perms permissions{};
  std::filesystem::file_time_type modified{};
};

FileState StateOf(const std::filesystem::path& path) {
  return {testing::ReadFile(path), std::filesystem::status(path).permissions(),
          std::filesystem::last_write_time(path)};
}

void ExpectUnchanged(const FileState& before, const std::filesystem::path& path) {
  const FileState after = StateOf(path);
  EXPECT_EQ(after.content, before.content);
  EXPECT_EQ(after.permissions, before.permissions);
  EXPECT_EQ(after.modified, before.modified);
}

// Opens path on a fresh number and returns the error number; the file is closed again.
ErrorNumber OpenAndClose(const std::filesystem::path& path, Access access) {
  ErrorState state;
  const int number = NextFileNumber();
  OpenExclusive(state, path.string(), number, access);
  const ErrorNumber result = TakeError(state);
  CloseFile(state, number);
  return result;
}

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = folder_ / "AP.exe";
    testing::WriteFile(file_, std::string("MZ\0program", 10));
    std::filesystem::last_write_time(
        file_, std::filesystem::last_write_time(file_) - std::chrono::hours(24 * 400));
  }

  TempFolder folder_;
  std::filesystem::path file_;
};

TEST_F(OpenTest, FreeFileOpensWithoutAnyChange) {
  const FileState before = StateOf(file_);
  for (const Access access : {Access::kReadWrite, Access::kReadWriteWithFallBack}) {
    ErrorState state;
    const int number = NextFileNumber();
    OpenExclusive(state, file_.string(), number, access);
    EXPECT_EQ(TakeError(state), 0);
    EXPECT_EQ(FileLength(state, number), 10);
    EXPECT_EQ(ReadBytes(state, number, 10), before.content);
    CloseFile(state, number);
    EXPECT_EQ(TakeError(state), 0);
  }
  ExpectUnchanged(before, file_);
}

TEST_F(OpenTest, MissingFileIsCreatedEmpty) {
#ifndef _WIN32
  const mode_t mask = umask(022);
#endif
  const auto created = folder_ / "NEW.DAT";
  ErrorState state;
  const int number = NextFileNumber();
  OpenExclusive(state, created.string(), number, Access::kReadWrite);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_EQ(FileLength(state, number), 0);
  CloseFile(state, number);
#ifdef _WIN32
  EXPECT_TRUE(std::filesystem::is_regular_file(created));
  EXPECT_EQ(std::filesystem::file_size(created), 0u);
  EXPECT_NE(std::filesystem::status(created).permissions() & std::filesystem::perms::owner_write,
            std::filesystem::perms::none);
#else
  umask(mask);
  struct stat info {};
  ASSERT_EQ(stat(created.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_size, 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
#endif
}

TEST_F(OpenTest, MissingFolderOrDriveIsAMissingPath) {
  EXPECT_EQ(OpenAndClose(folder_ / "NOFOLDER" / "X.DAT", Access::kReadWrite), 76);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "NOFOLDER"));
  testing::DriveTable drives;
  drives.Root('c');
  EXPECT_EQ(OpenAndClose("Q:\\X.DAT", Access::kReadWrite), testing::MissingDriveNumber());
}

TEST_F(OpenTest, DrivePathsNameFilesInAnyLetterCase) {
  testing::DriveTable drives;
  testing::WriteFile(drives.Root('c') / "Data.Bin", "abc");
  ErrorState state;
  const int number = NextFileNumber();
  OpenExclusive(state, "c:\\DATA.BIN", number, Access::kReadWrite);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_EQ(ReadBytes(state, number, 3), "abc");
  CloseFile(state, number);
  const auto entries = std::filesystem::directory_iterator(drives.Root('c'));
  EXPECT_EQ(std::count_if(begin(entries), end(entries),
                          [](const auto& entry) {
                            return LowerText(entry.path().filename().string()) == "data.bin";
                          }),
            1)
      << "no second file by the name as written";
}

TEST_F(OpenTest, DriveWithoutItsDiskFailsWith71) {
  if (!testing::DrivesWithoutDiskCanBeMade()) GTEST_SKIP() << testing::kNoDriveWithoutDisk;
  testing::DriveTable drives;
  drives.Link('d', folder_ / "NO-DISK");
  EXPECT_EQ(OpenAndClose("D:\\README.TXT", Access::kReadWriteWithFallBack), 71);
  EXPECT_EQ(OpenAndClose("D:\\SETUP\\README.TXT", Access::kReadWrite), 71);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "NO-DISK"));
}

// Wildcards keep their own number; the other characters no Windows name holds give 75.
TEST_F(OpenTest, NamesWindowsCannotHoldCreateNothing) {
  for (const char* name : {"A*.DAT", "A?.DAT"}) {
    EXPECT_EQ(OpenAndClose(folder_ / name, Access::kReadWrite), 64) << name;
  }
  for (const char* name : {"QU\"OTE", "A<B", "A>B", "A|B", "TAB\tNAME", "CR\r"}) {
    EXPECT_EQ(OpenAndClose(folder_ / name, Access::kReadWrite), 75) << name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
#ifndef _WIN32
  // On Windows a colon after a name names a data stream of that file.
  testing::DriveTable drives;
  drives.Root('c');
  EXPECT_EQ(OpenAndClose("C:\\A:B", Access::kReadWrite), 75);
  EXPECT_TRUE(std::filesystem::is_empty(drives.Root('c')));
#endif
}

// Root meets the read-only mark too, as an administrator meets the Windows attribute.
TEST_F(OpenTest, ReadOnlyFileFailsUnderReadWriteAndOpensUnderFallBack) {
  if (testing::ReadOnlyIsIgnored()) GTEST_SKIP() << testing::kReadOnlyIgnored;
  testing::MakeReadOnly(file_);
  const FileState before = StateOf(file_);
  EXPECT_EQ(OpenAndClose(file_, Access::kReadWrite), 70);
  ErrorState state;
  const int number = NextFileNumber();
  OpenExclusive(state, file_.string(), number, Access::kReadWriteWithFallBack);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_EQ(ReadBytes(state, number, 100), before.content);
  CloseFile(state, number);
  ExpectUnchanged(before, file_);
}

TEST_F(OpenTest, FolderCannotBeOpened) {
  EXPECT_EQ(OpenAndClose(folder_.Path(), Access::kReadWrite), 70);
  EXPECT_EQ(OpenAndClose(folder_.Path(), Access::kReadWriteWithFallBack), 70);
}

TEST_F(OpenTest, OverlongPathFailsWithoutBeingCut) {
  const auto longName = folder_ / std::string(300, 'L');
  EXPECT_EQ(OpenAndClose(longName, Access::kReadWrite), 75);
  EXPECT_TRUE(std::filesystem::is_empty(folder_.Path()) || std::filesystem::exists(file_));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
}

// Each way another process can hold the file: open, mapped, running. A refused open leaves
// the number free and the file as it was.
class HeldFileTest : public OpenTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HeldFileTest, HeldFileFailsWith70AndStaysUnchanged) {
  const std::string how = GetParam();
#ifdef _WIN32
  if (how == "map" && testing::UnderWine()) {
    GTEST_SKIP() << "Wine lets a file that is only mapped be opened exclusively; Windows "
                    "refuses it";
  }
#endif
  std::filesystem::path held = file_;
  if (how == "run") {
    held = folder_ / "PROG.EXE";
    std::filesystem::copy_file(TestProgram("holder"), held);
  }
  const FileState before = StateOf(held);
  {
    SecondProcess holder(how == "run" ? std::vector<std::string>{held.string(), "wait"}
                                      : HolderCommand(how, held));
    ASSERT_TRUE(holder.Ready());
#ifndef _WIN32
    EXPECT_TRUE(posix::HeldByAnotherProcess(held.string()));
#endif
    for (const Access access : {Access::kReadWrite, Access::kReadWriteWithFallBack}) {
#ifdef _WIN32
      // Wine refuses a running program only to those who would write it.
      if (how == "run" && access == Access::kReadWriteWithFallBack && testing::UnderWine()) {
        continue;
      }
#endif
      ErrorState state;
      const int number = NextFileNumber();
      OpenExclusive(state, held.string(), number, access);
      EXPECT_EQ(TakeError(state), 70);
      EXPECT_EQ(FileLength(state, number), 0);
      EXPECT_EQ(TakeError(state), 52) << "the number must stay free";
    }
    EXPECT_EQ(holder.End(), 0);
  }
#ifndef _WIN32
  EXPECT_FALSE(posix::HeldByAnotherProcess(held.string()));
#endif
  EXPECT_EQ(OpenAndClose(held, Access::kReadWrite), 0);
  ExpectUnchanged(before, held);
}

INSTANTIATE_TEST_SUITE_P(Ways, HeldFileTest, ::testing::Values("open", "map", "run"));

int TryOpenFromAnotherProcess(const std::filesystem::path& path) {
  SecondProcess opener(HolderCommand("try", path));
  return opener.End();
}

// While the file is open here, a second installer's open is refused; the lease break it
// causes must not end this process.
TEST_F(OpenTest, OpenFileIsHeldAgainstOtherOpeners) {
  ErrorState state;
  const int number = NextFileNumber();
  OpenExclusive(state, file_.string(), number, Access::kReadWriteWithFallBack);
  ASSERT_EQ(TakeError(state), 0);
  EXPECT_EQ(TryOpenFromAnotherProcess(file_), 1);
  EXPECT_EQ(ReadBytes(state, number, 10), std::string("MZ\0program", 10));
  EXPECT_EQ(TakeError(state), 0);
  CloseFile(state, number);
  EXPECT_EQ(TryOpenFromAnotherProcess(file_), 0);
}

#ifndef _WIN32
// The POSIX backend's own in-use test; on Windows the exclusive open is that test.
TEST_F(OpenTest, MissingOrFreeFileIsNotHeld) {
  EXPECT_FALSE(posix::HeldByAnotherProcess(file_.string()));
  EXPECT_FALSE(posix::HeldByAnotherProcess((folder_ / "MISSING").string()));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "MISSING"));
}

// A name that another user turns into a link between the listing and the test is never
// followed: a dangling link creates nothing where it points, and the file a link names is
// neither opened for writing nor changed.
TEST_F(OpenTest, TheTestNeverCreatesThroughALinkOrFollowsOne) {
  TempFolder elsewhere;
  const auto planted = elsewhere / "nologin";
  std::filesystem::create_symlink(planted, folder_ / "rptdrv.dll");
  std::filesystem::create_symlink(file_, folder_ / "CM.exe");
  const FileState before = StateOf(file_);

  EXPECT_EQ(OpenAndClose(folder_ / "rptdrv.dll", Access::kReadWrite), 70);
  EXPECT_NE(OpenAndClose(folder_ / "rptdrv.dll", Access::kReadWriteWithFallBack), 0);
  EXPECT_FALSE(std::filesystem::exists(planted));
  EXPECT_EQ(OpenAndClose(folder_ / "CM.exe", Access::kReadWrite), 70);
  ExpectUnchanged(before, file_);
  EXPECT_FALSE(posix::HeldByAnotherProcess((folder_ / "rptdrv.dll").string()));
  EXPECT_FALSE(std::filesystem::exists(planted));
}

// Where no lease can be had (here: a file of another owner, tested without CAP_LEASE), the
// test falls back on what /proc shows of the other processes.
TEST_F(OpenTest, WithoutLeaseRightsTheProcessTableStillTells) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two other users";
  constexpr uid_t kOther = 65534;
  chmod(folder_.Path().c_str(), 0755);
  chmod(file_.c_str(), 0644);
  auto heldAsOtherUser = [&] {
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(kOther) != 0 || setuid(kOther) != 0) _exit(2);
      _exit(posix::HeldByAnotherProcess(file_.string()) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(heldAsOtherUser(), 0);
  std::vector<std::string> asNobody = {"/usr/sbin/runuser", "-u", "nobody", "--"};
  const std::vector<std::string> holding = HolderCommand("open", file_);
  asNobody.insert(asNobody.end(), holding.begin(), holding.end());
  SecondProcess holder(asNobody);
  if (!holder.Ready()) GTEST_SKIP() << "cannot start a holder as another user";
  EXPECT_EQ(heldAsOtherUser(), 1);
}
#endif

}  // namespace
}  // namespace quelb

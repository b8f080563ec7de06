// The copy cases of the POSIX backend alone: modes, owners, a killed copy's leftovers and a
// source that changes under the copy.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "../copy_fixture.h"
#include "services/files.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;
using testing::LongContent;
using testing::NamesIn;
using testing::StatOf;

TEST_F(CopyTest, ReplacesTheTargetWithDataAndModificationTimeKeepingItsMode) {
  const fs::path source = c_ / "SOURCE" / "DATA.DBF";
  testing::WriteFile(source, LongContent());
  fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const struct timespec times[2] = {{1000000000, 5}, {1200000000, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
  const fs::path target = c_ / "QUELB" / "DATA.DBF";
  ASSERT_EQ(chmod(target.c_str(), 0660), 0);

  CopyFileTo(state_, "c:\\source\\data.dbf", "C:/Quelb/Data.dbf");
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(testing::ReadFile(target), LongContent());
  const struct stat copied = StatOf(target);
  EXPECT_EQ(copied.st_mode & 07777, 0660u);
  EXPECT_EQ(copied.st_mtim.tv_sec, 1200000000);
  EXPECT_EQ(copied.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

// Every file on a CD-ROM is read-only, and the next update must still replace what it brought.
TEST_F(CopyTest, AReadOnlyOrSetuidSourceMakesNoReadOnlyOrSetuidTarget) {
  const fs::path source = c_ / "SOURCE" / "DATA.DBF";
  const fs::path fresh = c_ / "QUELB" / "FRESH.DBF";
  const fs::path old = c_ / "QUELB" / "DATA.DBF";
  ASSERT_EQ(chmod(old.c_str(), 0600), 0);
  const mode_t savedUmask = umask(027);
  for (const mode_t sourceMode : {0444, 06555}) {
    EXPECT_EQ(chmod(source.c_str(), sourceMode), 0);
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\FRESH.DBF");
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
    EXPECT_EQ(TakeError(state_), 0) << std::oct << sourceMode;
    EXPECT_EQ(StatOf(fresh).st_mode & 07777, (sourceMode | 0200) & 0777 & ~027)
        << std::oct << sourceMode;
    EXPECT_EQ(StatOf(old).st_mode & 07777, 0600u) << std::oct << sourceMode;
    fs::remove(fresh);
  }
  umask(savedUmask);
  EXPECT_EQ(testing::ReadFile(old), "new content");
}

// What root copies never reaches a user who could not read it: a source of root's alone keeps
// the new file root's, and a link another user made to a file of root's copies nothing.
TEST_F(CopyTest, RootHandsNoDataToAUserWhoCouldNotReadIt) {
  if (geteuid() != 0) GTEST_SKIP() << "only an administrator may give a file away";
  const fs::path source = c_ / "SOURCE" / "DATA.DBF";
  const fs::path target = c_ / "QUELB" / "DATA.DBF";
  ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  chmod(source.c_str(), 0600);
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(testing::ReadFile(target), "new content");
  EXPECT_EQ(StatOf(target).st_uid, 0u);

  ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  testing::WriteFile(target, "old content");
  const fs::path link = c_ / "SOURCE" / "SECRET.DBF";
  fs::create_symlink(source, link);
  ASSERT_EQ(lchown(link.c_str(), 65534, 65534), 0);
  CopyFileTo(state_, "C:\\SOURCE\\SECRET.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_EQ(testing::ReadFile(target), "old content");
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});

  ASSERT_EQ(lchown(link.c_str(), 0, 0), 0);
  CopyFileTo(state_, "C:\\SOURCE\\SECRET.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 0) << "a link of the file's own owner is followed";
  EXPECT_EQ(testing::ReadFile(target), "new content");
}

// How the POSIX copy names its unnamed file, and when it syncs: the Win32 copy has neither.
// True once the process has a descriptor open on a file in folder, or false after a bound.
bool AwaitDescriptorIn(pid_t pid, const fs::path& folder) {
  const std::string wanted = fs::canonical(folder).string() + "/";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
      const fs::path opened = fs::read_symlink(entry.path(), error);
      if (!error && opened.string().rfind(wanted, 0) == 0) return true;
    }
    usleep(200);
  }
  return false;
}

TEST_F(CopyTest, ACopyKilledInTheMiddleLeavesTheOldTargetAndNothingElse) {
  // Holes read as zeros, so copying this takes far longer than the test waits.
  const fs::path source = c_ / "SOURCE" / "HUGE.DBF";
  testing::WriteFile(source, "start");
  fs::resize_file(source, 64ull << 30);
  testing::WriteFile(c_ / "QUELB" / "HUGE.DBF", "old content");

  const pid_t copier = fork();
  ASSERT_GE(copier, 0);
  if (copier == 0) {
    ErrorState state;
    CopyFileTo(state, "C:\\SOURCE\\HUGE.DBF", "C:\\QUELB\\HUGE.DBF");
    _exit(state.number);
  }
  const bool copying = AwaitDescriptorIn(copier, c_ / "QUELB");
  kill(copier, SIGKILL);
  int status = 0;
  waitpid(copier, &status, 0);

  ASSERT_TRUE(copying) << "the copy never opened its new file";
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "HUGE.DBF"), "old content");
  EXPECT_EQ(NamesIn(c_ / "QUELB"), (std::set<std::string>{"DATA.DBF", "HUGE.DBF"}));
}

// A copy killed between naming its new file and the rename leaves a hidden name; the next
// copy into that folder removes it, and nothing else that looks alike.
TEST_F(CopyTest, LeftoversOfAKilledCopyGoWithTheNextCopyIntoTheirFolder) {
  const fs::path folder = c_ / "QUELB";
  testing::WriteFile(folder / ".copy-Ab3xY9", "left by a killed copy");
  testing::WriteFile(folder / ".copy-Ab3xY", "not of the pattern");
  testing::WriteFile(folder / ".copy-Ab3x-9", "not of the pattern");
  testing::WriteFile(folder / "linked", "another name of a file");
  fs::create_hard_link(folder / "linked", folder / ".copy-Twice1");
  fs::create_directory(folder / ".copy-Folder");
  fs::create_symlink(folder / "DATA.DBF", folder / ".copy-Link01");
  testing::WriteFile(folder / ".copy-Held01", "a copy in progress");
  const testing::SecondProcess holding(testing::HolderCommand("open", folder / ".copy-Held01"));
  ASSERT_TRUE(holding.Ready());

  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(NamesIn(folder),
            (std::set<std::string>{".copy-Ab3x-9", ".copy-Ab3xY", ".copy-Folder", ".copy-Held01",
                                   ".copy-Link01", ".copy-Twice1", "DATA.DBF", "linked"}));
}

// True when the descriptor of the process is open on the file.
bool ReadsFrom(pid_t pid, uint64_t descriptor, const fs::path& file) {
  std::error_code error;
  const fs::path opened =
      fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(descriptor), error);
  return !error && opened == fs::canonical(file);
}

// Copies C:\SOURCE\DATA.DBF onto C:\QUELB\DATA.DBF in a child that the test traces, and makes
// the change to the source when the child is about to copy the source's first data: after the
// copy has looked at it, before it has moved a byte. Returns the copy's error number.
int CopyChangedOnTheWay(const fs::path& source, const std::function<void()>& change) {
  const pid_t copier = fork();
  if (copier == 0) {
    ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    raise(SIGSTOP);
    ErrorState state;
    CopyFileTo(state, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
    _exit(state.number);
  }
  int status = 0;
  waitpid(copier, &status, 0);
  ptrace(PTRACE_SETOPTIONS, copier, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
  bool changed = false;
  for (int signal = 0;; signal = 0) {
    ptrace(PTRACE_SYSCALL, copier, nullptr, signal);
    waitpid(copier, &status, 0);
    if (WIFEXITED(status)) return changed ? WEXITSTATUS(status) : -1;
    if (!WIFSTOPPED(status)) return -1;
    if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
      signal = WSTOPSIG(status);
      continue;
    }
    __ptrace_syscall_info call{};
    ptrace(PTRACE_GET_SYSCALL_INFO, copier, sizeof call, &call);
    const bool copies = call.entry.nr == SYS_copy_file_range || call.entry.nr == SYS_read;
    if (!changed && call.op == PTRACE_SYSCALL_INFO_ENTRY && copies &&
        ReadsFrom(copier, call.entry.args[0], source)) {
      change();
      changed = true;
    }
  }
}

// A file still being downloaded, cut short or rewritten while it is copied is that file's
// failure, someone else having written it (70), and the old target stays.
TEST_F(CopyTest, ASourceThatChangesWhileItIsCopiedIsRefusedWith70) {
  const fs::path source = c_ / "SOURCE" / "DATA.DBF";
  const std::vector<std::function<void()>> changes = {
      [&] { std::ofstream(source, std::ios::app) << " and more"; },
      [&] { fs::resize_file(source, 3); },
      [&] {
        testing::WriteFile(source, "NEW CONTENT");
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1200000000, 0}};
        utimensat(AT_FDCWD, source.c_str(), times, 0);
      }};
  for (size_t i = 0; i < changes.size(); ++i) {
    testing::WriteFile(source, "new content");
    EXPECT_EQ(CopyChangedOnTheWay(source, changes[i]), 70) << "change " << i;
    EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content") << "change " << i;
    EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"}) << "change " << i;
  }
  testing::WriteFile(source, "new content");
  EXPECT_EQ(CopyChangedOnTheWay(source, [] {}), 0) << "a source left alone";
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "new content");
}

// A file of the kernel's that tells a size its data does not have delivers nothing; one that
// tells none, as files of /proc do, is read to its end.
TEST_F(CopyTest, ASourceThatLiesAboutItsSizeIsRefusedAndOneWithoutASizeIsReadWhole) {
  const char* lying = "/sys/kernel/uevent_seqnum";
  if (fs::exists(lying) && fs::file_size(lying) > testing::ReadFile(lying).size()) {
    CopyFileTo(state_, lying, "C:\\QUELB\\DATA.DBF");
    EXPECT_EQ(TakeError(state_), 70);
    EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
  }
  CopyFileTo(state_, "/proc/self/cmdline", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), testing::ReadFile("/proc/self/cmdline"));
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

// A user without an administrator's rights names the new file by another way.
TEST(CopyByUserTest, AnOrdinaryUserReplacesTheTargetAndLeavesNothingElse) {
  if (geteuid() != 0) GTEST_SKIP() << "becoming another user needs root";
  testing::TempFolder folder;
  fs::permissions(folder.Path(), fs::perms::all);
  testing::WriteFile(folder / "NEW.DBF", "new content");
  testing::WriteFile(folder / "OLD.DBF", "old content");
  for (const char* name : {"NEW.DBF", "OLD.DBF"}) fs::permissions(folder / name, fs::perms::all);

  const pid_t copier = fork();
  ASSERT_GE(copier, 0);
  if (copier == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    ErrorState state;
    CopyFileTo(state, (folder / "NEW.DBF").string(), (folder / "OLD.DBF").string());
    _exit(state.number);
  }
  int status = 0;
  waitpid(copier, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(testing::ReadFile(folder / "OLD.DBF"), "new content");
  EXPECT_EQ(NamesIn(folder.Path()), (std::set<std::string>{"NEW.DBF", "OLD.DBF"}));
}

}  // namespace
}  // namespace quelb

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "services/files.h"
#include "support/second_process.h"
#include "support/temp_folder.h"
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace quelb {
namespace {

namespace fs = std::filesystem;

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

#ifndef _WIN32
struct stat StatOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}
#endif

// Bytes that differ from block to block, longer than one chunk of the copy.
std::string LongContent() {
  std::string content;
  for (int i = 0; content.size() < 2'600'000; ++i) content += std::to_string(i * 7919) + ";";
  return content;
}

class CopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = drives_.Root('c');
    fs::create_directories(c_ / "SOURCE");
    fs::create_directories(c_ / "QUELB");
    testing::WriteFile(c_ / "SOURCE" / "DATA.DBF", "new content");
    testing::WriteFile(c_ / "QUELB" / "DATA.DBF", "old content");
  }

  // The copy of C:\SOURCE\DATA.DBF onto C:\QUELB\DATA.DBF failed with the number and left the
  // old target and nothing else.
  void ExpectRefused(ErrorNumber number) {
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
    EXPECT_EQ(TakeError(state_), number);
    EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
    EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
  }

  testing::DriveTable drives_;
  fs::path c_;
  ErrorState state_;
};

#ifdef _WIN32
// Windows carries the source's modification time over.
TEST_F(CopyTest, ReplacesTheTargetWithDataAndModificationTime) {
  const fs::path source = c_ / "SOURCE" / "DATA.DBF";
  testing::WriteFile(source, LongContent());
  const auto modified = fs::last_write_time(source) - std::chrono::hours(24 * 400);
  fs::last_write_time(source, modified);

  CopyFileTo(state_, "c:\\source\\data.dbf", "C:/Quelb/Data.dbf");
  EXPECT_EQ(state_.number, 0);
  const fs::path target = c_ / "QUELB" / "DATA.DBF";
  EXPECT_EQ(testing::ReadFile(target), LongContent());
  EXPECT_EQ(fs::last_write_time(target), modified);
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

// Windows' copy carries the source's attributes over, and every file on a CD-ROM is read-only:
// what is delivered from one, new or replacing, is replaced again by the next run.
TEST_F(CopyTest, AReadOnlySourceIsDeliveredWritable) {
  testing::MakeReadOnly(c_ / "SOURCE" / "DATA.DBF");
  for (int run = 1; run <= 2; ++run) {
    for (const char* name : {"DATA.DBF", "NEW.DBF"}) {
      CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", std::string("C:\\QUELB\\") + name);
      EXPECT_EQ(TakeError(state_), 0) << name << " in run " << run;
      const fs::perms delivered = fs::status(c_ / "QUELB" / name).permissions();
      EXPECT_NE(delivered & fs::perms::owner_write, fs::perms::none) << name;
    }
  }
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "new content");
  EXPECT_EQ(NamesIn(c_ / "QUELB"), (std::set<std::string>{"DATA.DBF", "NEW.DBF"}));
}

// The ANSI calls spell a name outside the code page in its nearest letters ("Lódz.txt" on code
// page 1252), which name no file: the listing names it so that the copy finds it, and the copy
// delivers it under its own name, again and again.
TEST_F(CopyTest, ANameOutsideTheCodePageIsListedAndDeliveredUnderItsOwnName) {
  const std::wstring name = L"\u0141\u00f3d\u017a.txt";
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, nullptr, 0, "?", &lossy);
  if (!lossy) GTEST_SKIP() << "code page " << GetACP() << " spells the name";
  fs::remove(c_ / "SOURCE" / "DATA.DBF");
  testing::WriteFile(c_ / "SOURCE" / name, "foreign");
  for (int run = 1; run <= 2; ++run) {
    const Text listed = ListFirst(state_, "C:\\SOURCE\\*.*", kPlainFilesOnly);
    EXPECT_EQ(ListNext(state_), "");
    CopyFileTo(state_, "C:\\SOURCE\\" + listed, "C:\\QUELB\\" + listed);
    EXPECT_EQ(TakeError(state_), 0) << listed;
  }
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / name), "foreign");
  EXPECT_EQ(std::distance(fs::directory_iterator(c_ / "QUELB"), fs::directory_iterator()), 2);
}
#else
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
#endif

#ifdef _WIN32
// A file of the host under Wine that tells a size its data does not have delivers nothing.
TEST_F(CopyTest, ASourceThatLiesAboutItsSizeIsRefused) {
  if (!testing::UnderWine()) GTEST_SKIP() << "no Windows file tells a size its data has not";
  const fs::path lying = "Z:\\sys\\kernel\\uevent_seqnum";
  if (!fs::exists(lying)) GTEST_SKIP() << "the host has no " << lying;
  CopyFileTo(state_, lying.string(), "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
  EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}
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

#ifndef _WIN32
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
#endif

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

#ifndef _WIN32
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
#endif

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

#include "services/posix/internal/path_translation.h"

#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <fstream>

#include "services/files.h"
#include "services/journal_files.h"
#include "services/posix/internal/drive_table.h"
#include "services/process.h"
#include "support/guards.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb::posix {
namespace {

namespace fs = std::filesystem;

std::string Canonical(const fs::path& path) {
  return fs::canonical(path).string();
}

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = Canonical(drives_.Root('c'));
    a_ = Canonical(drives_.Root('a'));
    fs::create_directories(fs::path(c_) / "LDGRHOME" / "DOWNLOAD");
  }

  testing::DriveTable drives_;
  std::string c_;
  std::string a_;
};

TEST_F(PathsTest, DriveLettersInEitherCaseNameTheSameRoot) {
  EXPECT_EQ(DriveRoot('c'), c_);
  EXPECT_EQ(DriveRoot('C'), c_);
  EXPECT_EQ(DriveRoot('A'), a_);
  EXPECT_EQ(HostPath("c:"), c_);
  EXPECT_EQ(HostPath("C:\\"), c_);
}

TEST_F(PathsTest, DriveWithoutEntryIsNotThere) {
  EXPECT_EQ(DriveRoot('q'), std::nullopt);
  EXPECT_EQ(DriveRoot('1'), std::nullopt);
  EXPECT_EQ(HostPath("Q:\\QUELB\\AP.EXE"), std::nullopt);
  EXPECT_EQ(HostPath("q:"), std::nullopt);
}

TEST_F(PathsTest, BothSeparatorsAndDoubledOnesSeparate) {
  const std::string expected = c_ + "/LDGRHOME/DOWNLOAD";
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD"), expected);
  EXPECT_EQ(HostPath("C:/LDGRHOME/DOWNLOAD"), expected);
  EXPECT_EQ(HostPath("C:\\\\LDGRHOME/\\DOWNLOAD\\"), expected);
}

TEST_F(PathsTest, ComponentsMatchWithoutRegardToCase) {
  EXPECT_EQ(HostPath("c:\\ldgrhome\\Download"), c_ + "/LDGRHOME/DOWNLOAD");
  testing::WriteFile(fs::path(c_) / "LDGRHOME" / "DOWNLOAD" / "Pack.Qlb", "x");
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD\\PACK.QLB"), c_ + "/LDGRHOME/DOWNLOAD/Pack.Qlb");
}

TEST_F(PathsTest, ExactSpellingWinsOverOneInAnotherCase) {
  fs::create_directories(fs::path(c_) / "data");
  fs::create_directories(fs::path(c_) / "DATA");
  EXPECT_EQ(HostPath("C:\\DATA"), c_ + "/DATA");
  EXPECT_EQ(HostPath("C:\\data"), c_ + "/data");
}

TEST_F(PathsTest, NamesNotYetThereKeepTheirSpelling) {
  EXPECT_EQ(HostPath("C:\\ldgrhome\\New.Txt"), c_ + "/LDGRHOME/New.Txt");
  EXPECT_EQ(HostPath("C:\\Missing\\Deeper\\x"), c_ + "/Missing/Deeper/x");
}

TEST_F(PathsTest, RelativePathsFollowTheCurrentFolder) {
  testing::TempFolder elsewhere;
  fs::create_directories(elsewhere / "Sub");
  testing::CurrentFolderGuard current(elsewhere.Path());
  const std::string here = Canonical(elsewhere.Path());
  EXPECT_EQ(CurrentDrive(), 0);
  EXPECT_EQ(HostPath("sub\\file.txt"), here + "/Sub/file.txt");
  // Off the lettered drives, a drive-relative path starts at the drive's root.
  EXPECT_EQ(HostPath("c:ldgrhome"), c_ + "/LDGRHOME");
  // Off the lettered drives, a leading separator starts at the host root.
  EXPECT_EQ(HostPath(here + "\\SUB"), here + "/Sub");
}

TEST_F(PathsTest, OnALetteredDriveRootedPathsStayOnIt) {
  testing::CurrentFolderGuard current(fs::path(c_) / "LDGRHOME");
  EXPECT_EQ(CurrentDrive(), 'c');
  EXPECT_EQ(HostPath("\\LDGRHOME\\DOWNLOAD"), c_ + "/LDGRHOME/DOWNLOAD");
  EXPECT_EQ(HostPath("\\QUELB"), c_ + "/QUELB");
  EXPECT_EQ(HostPath("\\"), c_);
  EXPECT_EQ(HostPath("C:download"), c_ + "/LDGRHOME/DOWNLOAD");
  EXPECT_EQ(HostPath("a:x"), a_ + "/x");
}

TEST_F(PathsTest, ARootedPathIsTheDrivesWhenTheDriveHoldsItsFirstFolder) {
  fs::create_directories(fs::path(c_) / "TMP");
  testing::CurrentFolderGuard current(c_);
  EXPECT_EQ(HostPath("\\TMP\\x"), c_ + "/TMP/x");
  EXPECT_EQ(HostPath("\\tmp\\x"), c_ + "/TMP/x") << "the host's /tmp does not win";
  fs::remove(fs::path(c_) / "TMP");
  EXPECT_EQ(HostPath("\\Tmp\\x"), c_ + "/Tmp/x") << "only an exact host spelling is the host's";
  EXPECT_EQ(HostPath("\\tmp\\x"), "/tmp/x");
}

TEST_F(PathsTest, StepsBackNeverLeaveTheRootOfTheDrive) {
  EXPECT_EQ(HostPath("C:\\..\\..\\LDGRHOME"), c_ + "/LDGRHOME");
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\..\\.\\LDGRHOME\\DOWNLOAD"), c_ + "/LDGRHOME/DOWNLOAD");
  testing::CurrentFolderGuard current(fs::path(c_) / "LDGRHOME");
  EXPECT_EQ(HostPath("..\\..\\..\\QUELB"), c_ + "/QUELB");
}

TEST_F(PathsTest, HostPathsWorkAsTypedFromALetteredDrive) {
  testing::TempFolder elsewhere;
  const std::string there = Canonical(elsewhere.Path());
  testing::CurrentFolderGuard current(c_);
  EXPECT_EQ(HostPath(there), there);
  EXPECT_EQ(HostPath(there + "\\file.txt"), there + "/file.txt");
}

TEST_F(PathsTest, TextWithNulNamesNoFile) {
  EXPECT_EQ(HostPath(std::string("C:\\LDGRHOME\0\\x", 14)), std::nullopt);
  EXPECT_EQ(HostPath(""), std::nullopt);
}

TEST_F(PathsTest, NamesWindowsCannotHoldNameNoFile) {
  for (const char* path : {"C:\\QU\"OTE", "C:\\LDGRHOME\\A*", "C:\\LDGRHOME?", "C:\\<", "C:\\x>y",
                           "C:\\a|b", "C:\\TAB\tNAME", "C:\\a:b", "C:LDGRHOME:x", "\\QU\"OTE"}) {
    EXPECT_EQ(HostPath(path), std::nullopt) << path;
  }
  ErrorState state;
  EXPECT_EQ(HostPathOrError(state, "C:\\QU\"OTE"), std::nullopt);
  EXPECT_EQ(TakeError(state), 75);
}

TEST_F(PathsTest, HostPathsMayHoldAColon) {
  testing::TempFolder elsewhere;
  const std::string share = Canonical(elsewhere.Path()) + "/smb-share:server=s,share=q";
  fs::create_directory(share);
  testing::CurrentFolderGuard current(c_);
  EXPECT_EQ(HostPath(share + "\\DATA"), share + "/DATA");
}

TEST_F(PathsTest, ADriveWithoutItsDiskNamesNoFile) {
  drives_.Link('d', fs::path(c_) / "NO-DISK");
  EXPECT_EQ(HostPath("D:\\README.TXT"), std::nullopt);
  EXPECT_EQ(HostPath("d:"), std::nullopt);
  ErrorState state;
  EXPECT_EQ(HostPathOrError(state, "D:\\SETUP\\README.TXT"), std::nullopt);
  EXPECT_EQ(TakeError(state), 71);
  fs::create_directories(fs::path(c_) / "NO-DISK" / "Setup");
  EXPECT_EQ(HostPath("D:\\SETUP\\README.TXT"), c_ + "/NO-DISK/Setup/README.TXT")
      << "a disk put in is seen at once";
}

// A drive table in the current folder, such as a .wine on the medium the installer starts
// from, never stands in for the operator's: without HOME the home is the password file's, as
// Wine takes it, and a relative WINEPREFIX names no table and is refused at start-up.
TEST(DriveTableFolderTest, NeverOneInTheCurrentFolder) {
  testing::TempFolder medium;
  for (const char* prefix : {".wine", "prefix"}) {
    fs::create_directories(medium / prefix / "dosdevices");
    fs::create_directory_symlink(medium.Path(), medium / prefix / "dosdevices" / "q:");
  }
  const std::string root = Canonical(medium.Path());
  const testing::CurrentFolderGuard current(medium.Path());
  testing::EnvironmentGuard home("HOME");
  testing::EnvironmentGuard winePrefix("WINEPREFIX");
  winePrefix.Unset();
  home.Unset();
  EXPECT_EQ(DriveRoot('q'), std::nullopt) << "HOME unset";
  for (const char* value : {"", "."}) {
    home.Set(value);
    EXPECT_EQ(DriveRoot('q'), std::nullopt) << "HOME=" << value;
  }
  home.Set(root);
  EXPECT_EQ(DriveRoot('q'), root);
  EXPECT_EQ(EnvironmentFault(), "");

  winePrefix.Set("prefix");
  EXPECT_EQ(DriveRoot('q'), std::nullopt);
  EXPECT_EQ(RelativeWinePrefix(), "prefix");
  EXPECT_NE(EnvironmentFault().find("WINEPREFIX"), std::string::npos) << EnvironmentFault();
  winePrefix.Set(root + "/prefix");
  EXPECT_EQ(DriveRoot('q'), root);
  EXPECT_EQ(EnvironmentFault(), "");
}

// A folder that another process changes is read again; the change shows in its times,
// which the test sets back first so that the change cannot fall in the same clock tick.
TEST_F(PathsTest, AFolderChangedByAnotherProcessIsReadAgain) {
  const fs::path download = fs::path(c_) / "LDGRHOME" / "DOWNLOAD";
  fs::last_write_time(download, fs::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD\\LATE.QLB"), c_ + "/LDGRHOME/DOWNLOAD/LATE.QLB");
  testing::WriteFile(download / "Late.Qlb", "x");
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD\\LATE.QLB"), c_ + "/LDGRHOME/DOWNLOAD/Late.Qlb");
  fs::remove(download / "Late.Qlb");
  fs::create_directory(download / "late.qlb");
  EXPECT_EQ(HostPath("C:\\LDGRHOME\\DOWNLOAD\\LATE.QLB"), c_ + "/LDGRHOME/DOWNLOAD/late.qlb");
}

// Once the drive table and a folder's names have been read, paths are translated without
// reading a link, the current folder or a folder's entries again, also after creations,
// renames and removals of our own: a filter makes those calls fail in the probe. A name that
// we moved away or removed is no longer found in another case.
// A drive put in the table between two calls is seen by the second, and the current folder of
// a relative path is the one of the moment.
TEST_F(PathsTest, EachCallLooksAtTheTableAndTheCurrentFolderAfresh) {
  EXPECT_EQ(HostPathAsWritten("D:\\X"), std::nullopt);
  const std::string d = Canonical(drives_.Root('d'));
  EXPECT_EQ(HostPathAsWritten("D:\\X\\Y"), d + "/X/Y");
  const testing::CurrentFolderGuard back;
  fs::current_path(c_);
  EXPECT_EQ(HostPathAsWritten("LDGRHOME\\download"), c_ + "/LDGRHOME/download");
  EXPECT_EQ(HostPath("LDGRHOME\\download"), c_ + "/LDGRHOME/DOWNLOAD");
  fs::current_path(c_ + "/LDGRHOME");
  EXPECT_EQ(HostPathAsWritten("DOWNLOAD"), c_ + "/LDGRHOME/DOWNLOAD");
}

void ForbidRereading() {
  struct sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
#ifdef __NR_readlink
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_readlink, 4, 0),
#else
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_readlinkat, 4, 0),
#endif
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_readlinkat, 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_getcwd, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_getdents64, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
  };
  struct sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
  ASSERT_EQ(prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), 0);
  ASSERT_EQ(syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program), 0);
}

TEST(PathsProbe, TranslatesFromWhatItKept) {
  const char* out = testing::ProbeOutput();
  if (out == nullptr) GTEST_SKIP() << "started by PathsTest.TheTableAndTheNamesAreReadOnce";
  EXPECT_TRUE(HostPath("c:\\ldgrhome\\download\\FIRST.QLB").has_value());
  ForbidRereading();
  ErrorState state;
  std::ofstream report(out);
  report << HostPath("C:\\LDGRHOME\\DOWNLOAD").value_or("-") << "\n";
  report << HostPath("c:\\LDGRHOME\\download\\Pack.Qlb").value_or("-") << "\n";
  MakeFolder(state, "C:\\LDGRHOME\\Made");
  report << HostPath("C:\\LDGRHOME\\MADE").value_or("-") << "\n";
  CopyFileTo(state, "C:\\LDGRHOME\\DOWNLOAD\\PACK.QLB", "C:\\LDGRHOME\\Copied.Qlb");
  report << HostPath("c:\\ldgrhome\\COPIED.QLB").value_or("-") << "\n";
  RenameWithoutReplacing(state, "C:\\LDGRHOME\\Copied.Qlb", "C:\\LDGRHOME\\DOWNLOAD\\Moved.Qlb");
  report << HostPath("c:\\ldgrhome\\download\\MOVED.QLB").value_or("-") << "\n";
  report << HostPath("c:\\ldgrhome\\COPIED.QLB").value_or("-") << "\n";
  RemoveFile(state, "C:\\LDGRHOME\\DOWNLOAD\\MOVED.QLB");
  report << HostPath("c:\\ldgrhome\\download\\moved.qlb").value_or("-") << "\n";
  report << int{TakeError(state)} << "\n";
}

TEST_F(PathsTest, TheTableAndTheNamesAreReadOnce) {
  const fs::path home = fs::path(c_) / "LDGRHOME";
  testing::WriteFile(home / "DOWNLOAD" / "Pack.Qlb", "x");
  // The table is taken as read for good only once its folder has been still a while.
  const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(drives_.Prefix() / "dosdevices", anHourAgo);
  EXPECT_EQ(testing::RunProbe("PathsProbe.TranslatesFromWhatItKept", {}),
            c_ + "/LDGRHOME/DOWNLOAD\n" + c_ + "/LDGRHOME/DOWNLOAD/Pack.Qlb\n" + c_ +
                "/LDGRHOME/Made\n" + c_ + "/LDGRHOME/Copied.Qlb\n" + c_ +
                "/LDGRHOME/DOWNLOAD/Moved.Qlb\n" + c_ + "/LDGRHOME/COPIED.QLB\n" + c_ +
                "/LDGRHOME/DOWNLOAD/moved.qlb\n0\n");
}

}  // namespace
}  // namespace quelb::posix

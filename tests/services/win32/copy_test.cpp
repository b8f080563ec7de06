// The copy cases of the Win32 backend alone: what Windows' copy carries over, names outside
// the code page, and a host file under Wine that lies about its size.
#include <gtest/gtest.h>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include "../copy_fixture.h"
#include "services/files.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;
using testing::LongContent;
using testing::NamesIn;

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

}  // namespace
}  // namespace quelb

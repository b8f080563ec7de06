// What a copy does for the window and for the runs after it: it looks at the message queue
// while it copies, so that a long copy does not have the window shown as not responding and
// closed, and the temporary copies that a run ended in the middle left are removed. That the
// window stays answering through a long copy from a diskette only Windows shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "../copy_fixture.h"
#include "import_slot.h"
#include "services/files.h"

extern "C" BOOL(WINAPI* ImportedPeekMessageA)(MSG*, HWND, UINT, UINT,
                                              UINT) __asm__("__imp__PeekMessageA@20");
extern "C" BOOL(WINAPI* ImportedReadFile)(HANDLE, LPVOID, DWORD, LPDWORD,
                                          LPOVERLAPPED) __asm__("__imp__ReadFile@20");

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;
using testing::NamesIn;

// What the copy did, in order: 'r' for each read that gave data, 'l' for each look at the
// queue.
std::string events;
BOOL(WINAPI* systemPeek)(MSG*, HWND, UINT, UINT, UINT) = nullptr;
BOOL(WINAPI* systemRead)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) = nullptr;

BOOL WINAPI CountedPeek(MSG* message, HWND window, UINT first, UINT last, UINT how) {
  events += 'l';
  return systemPeek(message, window, first, last, how);
}

BOOL WINAPI CountedRead(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED how) {
  const BOOL done = systemRead(file, data, size, read, how);
  if (done && read != nullptr && *read > 0) events += 'r';
  return done;
}

TEST_F(CopyTest, ALongCopyLooksAtTheMessageQueueAfterEachPiece) {
  testing::ImportSlotSwap<decltype(systemPeek)> peek(ImportedPeekMessageA, CountedPeek);
  testing::ImportSlotSwap<decltype(systemRead)> read(ImportedReadFile, CountedRead);
  systemPeek = peek.Saved();
  systemRead = read.Saved();
  events.clear();
  const std::string content = testing::LongContent();
  testing::WriteFile(c_ / "SOURCE" / "DATA.DBF", content);

  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");

  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_GT(std::count(events.begin(), events.end(), 'r'), 10) << "copied in pieces";
  EXPECT_EQ(events.find("rr"), std::string::npos) << "two pieces without a look: " << events;
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), content);
}

// Left by a run killed before its renames: named as a copy names its temporary files, by any
// process, read-only as a copy from a CD-ROM is until its attribute is dropped. Other names
// stay, however close.
TEST_F(CopyTest, TheTemporaryCopiesOfAnEndedRunAreRemovedByTheNextCopyThere) {
  const std::set<std::string> left = {"~cpy4711-1.tmp", "~CPY123-45.TMP", "~cpy1-2.tmp"};
  const std::set<std::string> others = {"~cpy.tmp", "~cpyA-1.tmp", "~cpy12.tmp", "~cpy1-2.tmp.bak",
                                        "x~cpy1-2.tmp"};
  // A folder of its own: each folder is cleaned once for each process.
  const fs::path folder = c_ / "LEFTOVER";
  fs::create_directories(folder);
  for (const std::string& name : left) testing::WriteFile(folder / name, "half");
  for (const std::string& name : others) testing::WriteFile(folder / name, "keep");
  testing::MakeReadOnly(folder / "~cpy1-2.tmp");

  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\LEFTOVER\\DATA.DBF");

  EXPECT_EQ(TakeError(state_), 0);
  std::set<std::string> expected = others;
  expected.insert("DATA.DBF");
  EXPECT_EQ(NamesIn(folder), expected);
  EXPECT_EQ(testing::ReadFile(folder / "DATA.DBF"), "new content");
}

}  // namespace
}  // namespace quelb

// What a copy does for the window and for the runs after it: it looks at the message queue
// while it copies, so that a long copy does not have the window shown as not responding and
// closed, and the temporary copies that a run ended in the middle left are removed. That the
// window stays answering through a long copy from a diskette only Windows shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "../copy_fixture.h"
#include "import_slot.h"
#include "services/files.h"

extern "C" BOOL(WINAPI* ImportedPeekMessageA)(MSG*, HWND, UINT, UINT,
                                              UINT) __asm__("__imp__PeekMessageA@20");
extern "C" BOOL(WINAPI* ImportedCopyFileExA)(LPCSTR, LPCSTR, LPPROGRESS_ROUTINE, LPVOID, LPBOOL,
                                             DWORD) __asm__("__imp__CopyFileExA@24");

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;
using testing::NamesIn;

constexpr int64_t kPiece = 64 * 1024;

int looks = 0;
int pieces = 0;
BOOL(WINAPI* systemPeek)(MSG*, HWND, UINT, UINT, UINT) = nullptr;
BOOL(WINAPI* systemCopy)(LPCSTR, LPCSTR, LPPROGRESS_ROUTINE, LPVOID, LPBOOL, DWORD) = nullptr;

BOOL WINAPI CountedPeek(MSG* message, HWND window, UINT first, UINT last, UINT how) {
  ++looks;
  return systemPeek(message, window, first, last, how);
}

// Wine's copy does not call the progress routine: this one calls it after each piece, as
// Windows does, with the looks at the queue counted since the last piece, and then copies.
BOOL WINAPI CopyInPieces(LPCSTR source, LPCSTR target, LPPROGRESS_ROUTINE progress, LPVOID data,
                         LPBOOL cancel, DWORD flags) {
  const int64_t size = static_cast<int64_t>(fs::file_size(source));
  for (int64_t done = 0; progress != nullptr && done < size; done += kPiece) {
    const int before = looks;
    LARGE_INTEGER total{}, transferred{};
    total.QuadPart = size;
    transferred.QuadPart = std::min(done + kPiece, size);
    const DWORD answer = progress(total, transferred, total, transferred, 1,
                                  CALLBACK_CHUNK_FINISHED, nullptr, nullptr, data);
    if (answer != PROGRESS_CONTINUE) return FALSE;
    if (looks > before) ++pieces;
  }
  return systemCopy(source, target, progress, data, cancel, flags);
}

TEST_F(CopyTest, ALongCopyLooksAtTheMessageQueueAfterEachPiece) {
  testing::ImportSlotSwap<decltype(systemPeek)> peek(ImportedPeekMessageA, CountedPeek);
  testing::ImportSlotSwap<decltype(systemCopy)> copy(ImportedCopyFileExA, CopyInPieces);
  systemPeek = peek.Saved();
  systemCopy = copy.Saved();
  looks = pieces = 0;
  const std::string content = testing::LongContent();
  testing::WriteFile(c_ / "SOURCE" / "DATA.DBF", content);

  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");

  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(pieces, static_cast<int>((content.size() + kPiece - 1) / kPiece));
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), content);
}

// Waiting copies are made in a hidden folder of their own, which no name of the target folder
// meets and which goes with the batch.
TEST_F(CopyTest, WaitingCopiesWaitInAHiddenFolderOfCopiesThatGoesWithTheirBatch) {
  const fs::path copies = c_ / "QUELB" / "~copies.tmp";
  testing::WriteFile(c_ / "SOURCE" / "NEW.DBF", "new file");
  EXPECT_TRUE(StartCopy(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF"));
  EXPECT_TRUE(StartCopy(state_, "C:\\SOURCE\\NEW.DBF", "C:\\QUELB\\NEW.DBF"));
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(NamesIn(c_ / "QUELB"), (std::set<std::string>{"DATA.DBF", "~copies.tmp"}));
  const DWORD attributes = GetFileAttributesW(copies.c_str());
  EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(NamesIn(copies).size(), 2u);

  EXPECT_TRUE(FinishCopies().empty());
  EXPECT_EQ(NamesIn(c_ / "QUELB"), (std::set<std::string>{"DATA.DBF", "NEW.DBF"}));
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "NEW.DBF"), "new file");
}

// Left by a run killed before its renames: named as a copy names its temporary files, by any
// process, read-only as a copy from a CD-ROM is until its attribute is dropped, beside their
// targets or in their folder of copies, which goes too. Other names stay, however close.
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
  fs::create_directories(folder / "~copies.tmp");
  for (const std::string& name : left) testing::WriteFile(folder / "~copies.tmp" / name, "half");
  testing::MakeReadOnly(folder / "~copies.tmp" / "~cpy1-2.tmp");

  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\LEFTOVER\\DATA.DBF");

  EXPECT_EQ(TakeError(state_), 0);
  std::set<std::string> expected = others;
  expected.insert("DATA.DBF");
  EXPECT_EQ(NamesIn(folder), expected);
  EXPECT_EQ(testing::ReadFile(folder / "DATA.DBF"), "new content");
}

}  // namespace
}  // namespace quelb

// What a copy flushes, seen through the program's own calls of FlushFileBuffers: the new
// file before its rename, the same file under its new name after it, and the folder before
// the run's next box; for copies that wait, each of these steps for the whole batch in turn.
// Wine shows which handles are flushed; that a flushed rename survives a power cut only
// Windows can show. Wine opens and flushes a folder; Windows may refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../copy_fixture.h"
#include "import_slot.h"
#include "services/files.h"

extern "C" BOOL(WINAPI* ImportedFlushFileBuffers)(HANDLE) __asm__("__imp__FlushFileBuffers@4");
extern "C" BOOL(WINAPI* ImportedMoveFileExA)(LPCSTR, LPCSTR,
                                             DWORD) __asm__("__imp__MoveFileExA@12");

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;

struct Flushed {
  std::string name;
  bool folder;
};

// What the watch saw, and the name whose flush it fails (or the flush of that count, from 0),
// with the error it gives.
std::vector<Flushed> seen;
std::string failing;
int failingFlush = -1;
DWORD failure = ERROR_CRC;
BOOL(WINAPI* systemFlush)(HANDLE) = nullptr;
BOOL(WINAPI* systemMove)(LPCSTR, LPCSTR, DWORD) = nullptr;
// The flushes of files and the renames, in order: "flush ~cpy", "move DATA.DBF".
std::vector<std::string> steps;

std::string Shortened(const std::string& name) {
  return name.rfind("~cpy", 0) == 0 ? "~cpy" : name;
}

BOOL WINAPI WatchedFlush(HANDLE file) {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = GetFinalPathNameByHandleW(file, path, MAX_PATH * 2, 0);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool folder = GetFileInformationByHandle(file, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::string name = length > 0 ? fs::path(path).filename().string() : "?";
  seen.push_back({name, folder});
  if (!folder) steps.push_back("flush " + Shortened(name));
  if (name == failing || static_cast<int>(seen.size()) - 1 == failingFlush) {
    SetLastError(failure);
    return FALSE;
  }
  return systemFlush(file);
}

BOOL WINAPI WatchedMove(LPCSTR from, LPCSTR to, DWORD flags) {
  steps.push_back("move " + fs::path(to).filename().string());
  return systemMove(from, to, flags);
}

class DurableCopyTest : public CopyTest {
 protected:
  DurableCopyTest()
      : swap_(ImportedFlushFileBuffers, WatchedFlush), moveSwap_(ImportedMoveFileExA, WatchedMove) {
    systemFlush = swap_.Saved();
    systemMove = moveSwap_.Saved();
    // What earlier cases of this process left noted is flushed before the watch looks.
    MakeCopiesDurable(state_);
    seen.clear();
    steps.clear();
    failing.clear();
    failingFlush = -1;
    failure = ERROR_CRC;
  }

  std::vector<std::string> FlushedFiles() const {
    std::vector<std::string> names;
    for (const Flushed& flushed : seen) {
      if (!flushed.folder) names.push_back(Shortened(flushed.name));
    }
    return names;
  }

  bool FolderFlushed(const std::string& name) const {
    for (const Flushed& flushed : seen) {
      if (flushed.folder && flushed.name == name) return true;
    }
    return false;
  }

  // Three copies started from C:\SOURCE into C:\QUELB, which must all wait.
  void StartThreeCopies() {
    for (const char* name : {"A.DBF", "B.DBF", "C.DBF"}) {
      testing::WriteFile(c_ / "SOURCE" / name, std::string("new ") + name);
      testing::WriteFile(c_ / "QUELB" / name, "old");
      EXPECT_TRUE(
          StartCopy(state_, std::string("C:\\SOURCE\\") + name, std::string("C:\\QUELB\\") + name));
      EXPECT_EQ(TakeError(state_), 0);
    }
  }

  testing::ImportSlotSwap<BOOL(WINAPI*)(HANDLE)> swap_;
  testing::ImportSlotSwap<BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD)> moveSwap_;
};

// Each file keeps both of its flushes; the batch only puts each step of all its files together.
TEST_F(DurableCopyTest, WaitingCopiesAreFlushedThenRenamedThenFlushedUnderTheirNames) {
  StartThreeCopies();
  EXPECT_TRUE(steps.empty()) << "a waiting copy is neither flushed nor renamed yet";
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "B.DBF"), "old");

  EXPECT_TRUE(FinishCopies().empty());
  EXPECT_EQ(steps, (std::vector<std::string>{"flush ~cpy", "flush ~cpy", "flush ~cpy", "move A.DBF",
                                             "move B.DBF", "move C.DBF", "flush A.DBF",
                                             "flush B.DBF", "flush C.DBF"}));
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "B.DBF"), "new B.DBF");
  EXPECT_TRUE(FolderFlushed("~copies.tmp")) << "the copies' old entries are gone from the disk";
  seen.clear();
  MakeCopiesDurable(state_);
  EXPECT_TRUE(FolderFlushed("QUELB")) << "the folder is flushed before the box that counts them";
}

// A new file whose data did not reach the disk never takes its target's place; the others do.
TEST_F(DurableCopyTest, AFailedFlushInABatchIsThatFilesFailureAlone) {
  StartThreeCopies();
  failingFlush = 1;
  const std::vector<CopyFailure> failures = FinishCopies();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].position, 1u);
  EXPECT_EQ(failures[0].number, 72);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "A.DBF"), "new A.DBF");
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "B.DBF"), "old");
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "C.DBF"), "new C.DBF");
  EXPECT_EQ(testing::NamesIn(c_ / "QUELB"),
            (std::set<std::string>{"A.DBF", "B.DBF", "C.DBF", "DATA.DBF"}));
}

// The source stays held until its rename, as a copy alone holds it, so that a copy onto itself
// still finds its target in use when it waited.
TEST_F(DurableCopyTest, AWaitingCopyOntoItselfFailsWhenItIsFinished) {
  EXPECT_TRUE(StartCopy(state_, "C:\\QUELB\\DATA.DBF", "C:\\QUELB\\DATA.DBF"));
  const std::vector<CopyFailure> failures = FinishCopies();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].number, 70);
  EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
  EXPECT_EQ(testing::NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

TEST_F(DurableCopyTest, TheNewFileIsFlushedBeforeItsRenameAndUnderItsNameAfterIt) {
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_EQ(FlushedFiles(), (std::vector<std::string>{"~cpy", "DATA.DBF"}));

  seen.clear();
  MakeCopiesDurable(state_);
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_TRUE(FolderFlushed("QUELB"));
  EXPECT_EQ(seen.size(), 1u) << "only the folder is flushed now";
  seen.clear();
  MakeCopiesDurable(state_);
  EXPECT_TRUE(seen.empty()) << "a folder is flushed once for the copies made before the box";
}

// The target holds the new data, but a power cut may take its name back: the copy failed.
TEST_F(DurableCopyTest, AFailedFlushUnderTheNewNameIsTheCopysFailure) {
  failing = "DATA.DBF";
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 72);
  EXPECT_EQ(testing::NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
}

// The platform does not document a folder's flush, and a folder may refuse it: its new files
// were flushed under their names already.
TEST_F(DurableCopyTest, AFolderThatRefusesItsFlushIsNoFailure) {
  CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
  EXPECT_EQ(TakeError(state_), 0);
  failing = "QUELB";
  failure = ERROR_ACCESS_DENIED;
  MakeCopiesDurable(state_);
  EXPECT_EQ(TakeError(state_), 0);
}

}  // namespace
}  // namespace quelb

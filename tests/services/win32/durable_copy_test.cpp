// What a copy flushes, seen through the program's own calls of FlushFileBuffers: the new
// file before its rename, the same file under its new name after it, and the folder before
// the run's next box. Wine shows which handles are flushed; that a flushed rename survives
// a power cut only Windows can show. Wine opens and flushes a folder; Windows may refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../copy_fixture.h"
#include "import_slot.h"
#include "services/files.h"

extern "C" BOOL(WINAPI* ImportedFlushFileBuffers)(HANDLE) __asm__("__imp__FlushFileBuffers@4");

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::CopyTest;

struct Flushed {
  std::string name;
  bool folder;
};

// What the watch saw, and the name whose flush it fails, with the error it gives.
std::vector<Flushed> seen;
std::string failing;
DWORD failure = ERROR_CRC;
BOOL(WINAPI* systemFlush)(HANDLE) = nullptr;

BOOL WINAPI WatchedFlush(HANDLE file) {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = GetFinalPathNameByHandleW(file, path, MAX_PATH * 2, 0);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool folder = GetFileInformationByHandle(file, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::string name = length > 0 ? fs::path(path).filename().string() : "?";
  seen.push_back({name, folder});
  if (name == failing) {
    SetLastError(failure);
    return FALSE;
  }
  return systemFlush(file);
}

class DurableCopyTest : public CopyTest {
 protected:
  DurableCopyTest() : swap_(ImportedFlushFileBuffers, WatchedFlush) {
    systemFlush = swap_.Saved();
    // What earlier cases of this process left noted is flushed before the watch looks.
    MakeCopiesDurable(state_);
    seen.clear();
    failing.clear();
    failure = ERROR_CRC;
  }

  std::vector<std::string> FlushedFiles() const {
    std::vector<std::string> names;
    for (const Flushed& flushed : seen) {
      if (!flushed.folder)
        names.push_back(flushed.name.rfind("~cpy", 0) == 0 ? "~cpy" : flushed.name);
    }
    return names;
  }

  bool FolderFlushed(const std::string& name) const {
    for (const Flushed& flushed : seen) {
      if (flushed.folder && flushed.name == name) return true;
    }
    return false;
  }

  testing::ImportSlotSwap<BOOL(WINAPI*)(HANDLE)> swap_;
};

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

// A program's own files: facts that follow a file's changes, comparisons that read past the
// first piece, files written whole over old ones, and the hidden folder.
#include "services/file_facts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace quelb {
namespace {

namespace fs = std::filesystem;

class FileFactsTest : public ::testing::Test {
 protected:
  Text PathOf(const char* name) const { return (folder_.Path() / name).string(); }

  testing::TempFolder folder_;
  ErrorState state_;
};

TEST_F(FileFactsTest, FactsFollowTheSizeAndTimeAndFailForWhatIsNoFile) {
  testing::WriteFile(folder_ / "A.TXT", "12345");
  FileFacts facts;
  ASSERT_TRUE(FactsOfFile(state_, PathOf("A.TXT"), facts));
  EXPECT_EQ(facts.size, 5);
  const auto moved = fs::last_write_time(folder_ / "A.TXT") + std::chrono::hours(1);
  fs::last_write_time(folder_ / "A.TXT", moved);
  FileFacts later;
  ASSERT_TRUE(FactsOfFile(state_, PathOf("A.TXT"), later));
  // The cross build's library sets the time only to within seconds.
  EXPECT_NEAR(static_cast<double>(later.modified - facts.modified), 3600e9, 5e9);

  EXPECT_FALSE(FactsOfFile(state_, PathOf("MISSING.TXT"), facts));
  EXPECT_EQ(TakeError(state_), error_number::kFileNotFound);
  fs::create_directories(folder_ / "SUB");
  EXPECT_FALSE(FactsOfFile(state_, PathOf("SUB"), facts));
  EXPECT_EQ(TakeError(state_), error_number::kAccessDenied);
}

// Files longer than one piece differ only in their last byte.
TEST_F(FileFactsTest, SameBytesReadsWholeFiles) {
  const std::string long_(200000, 'x');
  testing::WriteFile(folder_ / "A", long_);
  testing::WriteFile(folder_ / "B", long_);
  testing::WriteFile(folder_ / "C", long_.substr(1) + "y");
  testing::WriteFile(folder_ / "D", long_ + "x");
  EXPECT_TRUE(SameBytes(state_, PathOf("A"), PathOf("B")));
  EXPECT_FALSE(SameBytes(state_, PathOf("A"), PathOf("C")));
  EXPECT_FALSE(SameBytes(state_, PathOf("A"), PathOf("D")));
  EXPECT_EQ(state_.number, 0);
  EXPECT_FALSE(SameBytes(state_, PathOf("A"), PathOf("MISSING")));
  EXPECT_EQ(TakeError(state_), error_number::kFileNotFound);
}

TEST_F(FileFactsTest, AFileWrittenWholeReplacesTheOldAndLeavesNothingBeside) {
  testing::WriteFile(folder_ / "R.JSON", std::string(1000, 'o'));
  WriteWholeFile(state_, PathOf("R.JSON"), "new");
  EXPECT_EQ(state_.number, 0);
  EXPECT_EQ(ReadWholeFile(state_, PathOf("R.JSON"), 100), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 1);

  EXPECT_EQ(ReadWholeFile(state_, PathOf("R.JSON"), 2), "");
  EXPECT_EQ(TakeError(state_), error_number::kOutOfMemory) << "longer than the largest asked for";
  WriteWholeFile(state_, PathOf("NOWHERE\\R.JSON"), "new");
  EXPECT_NE(TakeError(state_), 0);
}

TEST_F(FileFactsTest, TheHiddenFolderIsMadeOnceAndALinkInItsPlaceIsRefused) {
  MakeHiddenFolder(state_, PathOf(".own"));
  MakeHiddenFolder(state_, PathOf(".own"));
  EXPECT_EQ(state_.number, 0);
  EXPECT_TRUE(fs::is_directory(folder_ / ".own"));
#ifdef _WIN32
  EXPECT_NE(GetFileAttributesA(PathOf(".own").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
#else
  fs::create_directories(folder_ / "elsewhere");
  fs::create_directory_symlink(folder_ / "elsewhere", folder_ / ".linked");
  MakeHiddenFolder(state_, PathOf(".linked"));
  EXPECT_EQ(TakeError(state_), error_number::kAccessDenied);
#endif
  testing::WriteFile(folder_ / ".file", "");
  MakeHiddenFolder(state_, PathOf(".file"));
  EXPECT_NE(TakeError(state_), 0);
}

}  // namespace
}  // namespace quelb

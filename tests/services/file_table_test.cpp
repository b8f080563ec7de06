// The file table through the real backend: file numbers, their failures and whole reads.
#include <gtest/gtest.h>

#include <string>

#include "services/files.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

using testing::TempFolder;

class FileTableTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFile(path_, "0123456789"); }

  TempFolder folder_;
  std::string path_ = (folder_ / "DATA.BIN").string();
  ErrorState state_;
};

TEST_F(FileTableTest, BadNumbersAndNamesAreRefusedBeforeTheFileIsTouched) {
  OpenExclusive(state_, path_, -1, Access::kReadWrite);
  EXPECT_EQ(TakeError(state_), 52);
  for (const char* name : {"", "*.BIN", "DATA.BI?"}) {
    OpenExclusive(state_, name, NextFileNumber(), Access::kReadWrite);
    EXPECT_EQ(TakeError(state_), 64) << name;
  }
  const std::string wildcardPath = (folder_ / "NEW*.BIN").string();
  OpenExclusive(state_, wildcardPath, NextFileNumber(), Access::kReadWrite);
  EXPECT_EQ(TakeError(state_), 64);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
}

TEST_F(FileTableTest, NumberInUseIsRefusedAndTheOpenFileStays) {
  const int number = NextFileNumber();
  OpenExclusive(state_, path_, number, Access::kReadWrite);
  ASSERT_EQ(TakeError(state_), 0);
  OpenExclusive(state_, (folder_ / "OTHER.BIN").string(), number, Access::kReadWrite);
  EXPECT_EQ(TakeError(state_), 55);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "OTHER.BIN"));
  EXPECT_EQ(ReadBytes(state_, number, 4), "0123");
  CloseFile(state_, number);
  EXPECT_EQ(TakeError(state_), 0);
}

TEST_F(FileTableTest, ClosedNumberCannotBeReadAndClosingItAgainIsNoFailure) {
  const int number = NextFileNumber();
  OpenExclusive(state_, path_, number, Access::kReadWrite);
  CloseFile(state_, number);
  ASSERT_EQ(TakeError(state_), 0);
  EXPECT_EQ(FileLength(state_, number), 0);
  EXPECT_EQ(TakeError(state_), 52);
  EXPECT_EQ(ReadBytes(state_, number, 1), "");
  EXPECT_EQ(TakeError(state_), 52);
  CloseFile(state_, number);
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_FALSE(state_.pending);
}

TEST_F(FileTableTest, NumbersKeepRisingAfterAClose) {
  const int first = NextFileNumber();
  OpenExclusive(state_, path_, first, Access::kReadWrite);
  const int second = NextFileNumber();
  CloseFile(state_, first);
  const int third = NextFileNumber();
  EXPECT_GT(second, first);
  EXPECT_GT(third, second);
  EXPECT_EQ(TakeError(state_), 0);
}

TEST(FileNumberProbe, WritesFirstNumbers) {
  const char* out = testing::ProbeOutput();
  if (out == nullptr) GTEST_SKIP() << "started by FileTableTest.FirstNumberOfAProcessIsOne";
  const int first = NextFileNumber();
  const int second = NextFileNumber();
  testing::WriteFile(out, std::to_string(first) + " " + std::to_string(second));
}

TEST(FileTableFreshProcess, FirstNumberOfAProcessIsOne) {
  EXPECT_EQ(testing::RunProbe("FileNumberProbe.WritesFirstNumbers", {}), "1 2");
}

TEST_F(FileTableTest, WholeReadReturnsEveryByteAndTheEndGivesFewer) {
  std::string content;
  for (int i = 0; i < 70000; ++i) content += static_cast<char>(i % 256);
  testing::WriteFile(path_, content);
  const int number = NextFileNumber();
  OpenExclusive(state_, path_, number, Access::kReadWrite);
  const int64_t length = FileLength(state_, number);
  EXPECT_EQ(length, 70000);
  EXPECT_EQ(ReadBytes(state_, number, length), content);
  EXPECT_EQ(ReadBytes(state_, number, 10), "");
  EXPECT_EQ(TakeError(state_), 0);
  CloseFile(state_, number);
}

TEST_F(FileTableTest, ReadsContinueWhereTheLastEnded) {
  const int number = NextFileNumber();
  OpenExclusive(state_, path_, number, Access::kReadWrite);
  EXPECT_EQ(ReadBytes(state_, number, 3), "012");
  EXPECT_EQ(ReadBytes(state_, number, 100), "3456789");
  EXPECT_EQ(ReadBytes(state_, number, 0), "");
  EXPECT_EQ(TakeError(state_), 0);
  CloseFile(state_, number);
}

}  // namespace
}  // namespace quelb

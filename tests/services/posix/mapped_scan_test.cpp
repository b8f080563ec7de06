// The scan through mapped windows, on a descriptor of its own: the file table's opens hold a
// lease that would keep the test from cutting the file short.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "services/backend.h"
#include "services/files.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

using testing::TempFolder;

constexpr int64_t kMiB = int64_t{1} << 20;
// ERROR_GEN_FAILURE, as a failed read gives it.
constexpr ErrorNumber kReadFailed = 72;

std::string Bytes(int64_t size) {
  std::string bytes(static_cast<size_t>(size), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 23);
  return bytes;
}

class MappedScanTest : public ::testing::Test {
 protected:
  int Open(const std::string& content) {
    testing::WriteFile(path_, content);
    fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
    return fd_;
  }
  void TearDown() override {
    if (fd_ >= 0) close(fd_);
  }

  TempFolder folder_;
  std::string path_ = (folder_ / "QUELBAP.EXE").string();
  int fd_ = -1;
  ErrorState state_;
};

TEST_F(MappedScanTest, TheFileComesWholeAndInOrderFromAnyPosition) {
  const std::string content = Bytes(3 * kMiB + 777);
  const int fd = Open(content);
  for (const int64_t from : {int64_t{0}, int64_t{4095}, kMiB + 1, 3 * kMiB + 777}) {
    std::string seen;
    const int64_t handed = platform::ScanMapped(state_, fd, from, [&seen](std::string_view piece) {
      seen += piece;
      return false;
    });
    EXPECT_EQ(handed, static_cast<int64_t>(content.size()) - from);
    EXPECT_TRUE(seen == content.substr(static_cast<size_t>(from))) << from;
  }
  EXPECT_EQ(TakeError(state_), 0);
}

TEST_F(MappedScanTest, TheScanEndsWithThePieceThatIsEnough) {
  const int fd = Open(Bytes(5 * kMiB));
  int pieces = 0;
  const int64_t handed =
      platform::ScanMapped(state_, fd, 0, [&pieces](std::string_view) { return ++pieces == 2; });
  EXPECT_EQ(pieces, 2);
  EXPECT_GT(handed, 0);
  EXPECT_LT(handed, 5 * kMiB);
}

// A file cut short while its view is read would end the process with SIGBUS.
TEST_F(MappedScanTest, AFileCutShortMeanwhileGivesTheReadErrorNotACrash) {
  struct sigaction before {};
  sigaction(SIGBUS, nullptr, &before);
  const int fd = Open(Bytes(4 * kMiB));
  int pieces = 0;
  char last = 1;
  platform::ScanMapped(state_, fd, 0, [&](std::string_view piece) {
    if (++pieces == 1) {
      EXPECT_EQ(ftruncate(fd, 4096), 0);
    }
    last = piece.back();
    return false;
  });
  EXPECT_EQ(pieces, 1);
  EXPECT_EQ(last, '\0');
  EXPECT_EQ(TakeError(state_), kReadFailed);

  // The guard goes with the scan: any later bus error meets the action that was in place.
  struct sigaction after {};
  sigaction(SIGBUS, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(MappedScanTest, AnEmptyFileHandsOverNothing) {
  const int fd = Open("");
  bool called = false;
  EXPECT_EQ(platform::ScanMapped(state_, fd, 0,
                                 [&called](std::string_view) {
                                   called = true;
                                   return true;
                                 }),
            0);
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace quelb

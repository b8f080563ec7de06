// SHA-256 by the platform's library: the published vectors, the same on both builds, of bytes
// and of files, a file longer than one read, and the files that cannot be read.
#include "services/digest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;

const std::string kOfNothing = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::string kOfAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
// A million "a": longer than one read of a file, and not a whole number of them.
const std::string kOfAMillionAs =
    "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

class DigestTest : public ::testing::Test {
 protected:
  Text OfFile(const fs::path& file) { return Sha256OfFile(state_, file.string()); }

  testing::TempFolder folder_;
  ErrorState state_;
};

TEST_F(DigestTest, BytesGiveThePublishedDigests) {
  EXPECT_EQ(Sha256OfBytes(state_, ""), kOfNothing);
  EXPECT_EQ(Sha256OfBytes(state_, "abc"), kOfAbc);
  EXPECT_EQ(Sha256OfBytes(state_, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256OfBytes(state_, std::string(1000000, 'a')), kOfAMillionAs);
  EXPECT_EQ(state_.number, 0);
}

TEST_F(DigestTest, AFileGivesTheDigestOfAllItsBytes) {
  testing::WriteFile(folder_ / "EMPTY.DAT", "");
  testing::WriteFile(folder_ / "ABC.DAT", "abc");
  testing::WriteFile(folder_ / "LONG.DAT", std::string(1000000, 'a'));

  EXPECT_EQ(OfFile(folder_ / "EMPTY.DAT"), kOfNothing);
  EXPECT_EQ(OfFile(folder_ / "ABC.DAT"), kOfAbc);
  EXPECT_EQ(OfFile(folder_ / "LONG.DAT"), kOfAMillionAs);
  EXPECT_EQ(state_.number, 0);
}

// A file that fills its reads exactly ends with a read that gives nothing; the count of bytes
// digested is the file's size.
TEST_F(DigestTest, TheBytesDigestedAreCountedWhateverTheReadsTheyTake) {
  for (const size_t size : {size_t{0}, size_t{3}, size_t{256} << 10, (size_t{512} << 10) + 1}) {
    const std::string bytes(size, 'q');
    testing::WriteFile(folder_ / "FILE.DAT", bytes);
    int64_t counted = -1;
    EXPECT_EQ(Sha256OfFile(state_, (folder_ / "FILE.DAT").string(), &counted),
              Sha256OfBytes(state_, bytes));
    EXPECT_EQ(counted, static_cast<int64_t>(size));
  }
  int64_t counted = -1;
  EXPECT_EQ(Sha256OfFile(state_, (folder_ / "MISSING.DAT").string(), &counted), "");
  EXPECT_EQ(counted, -1) << "a file not read whole counts nothing";
  EXPECT_EQ(TakeError(state_), 53);
}

TEST_F(DigestTest, WhatCannotBeReadGivesNoDigestAndItsNumber) {
  EXPECT_EQ(OfFile(folder_ / "MISSING.DAT"), "");
  EXPECT_EQ(TakeError(state_), 53);
  EXPECT_EQ(OfFile(folder_ / "MISSING" / "FILE.DAT"), "");
  EXPECT_EQ(TakeError(state_), 76);
  EXPECT_EQ(OfFile(folder_.Path()), "");
  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_FALSE(fs::exists(folder_ / "MISSING.DAT")) << "reading created the file";
}

}  // namespace
}  // namespace quelb

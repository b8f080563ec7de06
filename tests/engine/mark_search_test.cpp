// The streamed search must give the answer of a search of the whole file held in memory,
// wherever the pieces happen to be cut.
#include "engine/mark_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "services/text.h"

namespace quelb {
namespace {

int64_t Streamed(const std::string& bytes, size_t pieceSize) {
  MarkScanner scanner("PKWARE");
  for (size_t at = 0; at < bytes.size(); at += pieceSize) {
    if (scanner.Feed(std::string_view(bytes).substr(at, pieceSize))) break;
  }
  return scanner.Position();
}

void ExpectSameAsWhole(const std::string& bytes) {
  const int64_t whole = FindText(1, bytes, "PKWARE");
  for (size_t pieceSize : {1, 2, 3, 5, 6, 7, 11, 64}) {
    EXPECT_EQ(Streamed(bytes, pieceSize), whole) << "pieces of " << pieceSize;
  }
}

TEST(MarkSearchTest, FindsTheFirstMarkWhereverThePiecesAreCut) {
  ExpectSameAsWhole("PKWARE");
  ExpectSameAsWhole("PKWARE at the very start");
  ExpectSameAsWhole("at the very end PKWARE");
  ExpectSameAsWhole("PKPKWARE overlapping starts PKWARE");
  ExpectSameAsWhole(std::string("\0\0PKW\0ARE\0PKWARE", 17));
  ExpectSameAsWhole("first PKWARE then PKWARE again");
}

TEST(MarkSearchTest, AnIncompleteOrLowerCaseMarkIsNotFound) {
  ExpectSameAsWhole("");
  ExpectSameAsWhole("PKWAR");
  ExpectSameAsWhole("ends with PKWAR");
  ExpectSameAsWhole("pkware Pkware PKWARe PKW ARE");
  EXPECT_EQ(Streamed("pkware", 64), 0);
}

TEST(MarkSearchTest, AgreesWithTheWholeSearchOnRandomBytes) {
  std::mt19937 random(20240611);
  const std::string alphabet("PKWARE\0x", 8);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 300, ' ');
    for (char& byte : bytes) byte = alphabet[random() % alphabet.size()];
    ExpectSameAsWhole(bytes);
  }
}

}  // namespace
}  // namespace quelb

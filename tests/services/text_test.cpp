#include "services/text.h"

#include <gtest/gtest.h>

namespace quelb {
namespace {

TEST(MidText, TakesFromAOneBasedStartAndCutsTheCountToWhatRemains) {
  EXPECT_EQ(MidText("ABCDEFGH", 6, 2), "FG");
  EXPECT_EQ(MidText("AB", 6, 2), "");
  EXPECT_EQ(MidText("QUELBAP.EXE", 6, 2), "AP");
  EXPECT_EQ(MidText("QUELB.EXE", 6, 2), ".E");
  EXPECT_EQ(MidText("ABCDEFGH", 1, TextLength("ABCDEFGH") - 1), "ABCDEFG");
  EXPECT_EQ(MidText("ABC", 2, 100), "BC");
}

TEST(MidText, HandlesZeroAndNegativeArguments) {
  EXPECT_EQ(MidText("ABCDEF", 0, 3), "");
  EXPECT_EQ(MidText("ABCDEF", -2, 2), "EF");
  EXPECT_EQ(MidText("ABCDEF", -7, 2), "");
  EXPECT_EQ(MidText("ABCDEF", 2, -2), "BCDE");
  EXPECT_EQ(MidText("ABCDEF", 7, 1), "");
  EXPECT_EQ(MidText("", 1, 1), "");
}

TEST(RightText, GivesTheLastBytes) {
  EXPECT_EQ(RightText("ABC", 4), "ABC");
  EXPECT_EQ(RightText("ABCDEF", 0), "");
  EXPECT_EQ(RightText("ABCDEF", 3), "DEF");
  EXPECT_EQ(RightText("ABCDEF", -2), "CDEF");
  EXPECT_EQ(RightText("c:\\ldgrhome\\Download", 8), "Download");
}

TEST(CaseConversion, ChangesAsciiLettersOnly) {
  const Text mixed = std::string("qUeLb\0\xe4.ExE", 11);
  EXPECT_EQ(UpperText(mixed), std::string("QUELB\0\xe4.EXE", 11));
  EXPECT_EQ(LowerText(mixed), std::string("quelb\0\xe4.exe", 11));
}

TEST(FindText, SearchesBytesWithCase) {
  const Text content = std::string("PKWARE\0pkware PKWARE", 20);
  EXPECT_EQ(FindText(1, content, "PKWARE"), 1);
  EXPECT_EQ(FindText(2, content, "PKWARE"), 15);
  EXPECT_EQ(FindText(1, "xx pkware", "PKWARE"), 0);
  EXPECT_EQ(FindText(0, content, "PKWARE"), 0);
  EXPECT_EQ(FindText(1, "", "A"), 0);
  EXPECT_EQ(FindText(3, "ABC", ""), 3);
  EXPECT_EQ(FindText(99, "ABC", "A"), 0);
}

TEST(FindText, SearchesBackwardsFromANegativeStart) {
  EXPECT_EQ(FindText(-1, "ABAB", "AB"), 3);
  EXPECT_EQ(FindText(-2, "ABAB", "AB"), 3);
  EXPECT_EQ(FindText(-3, "ABAB", "AB"), 1);
}

TEST(Fields, SplitAtEveryDelimiter) {
  const Text tab = "\t";
  EXPECT_EQ(FieldCount("", tab), 1);
  const Text list = "\tA\tB";
  EXPECT_EQ(FieldCount(list, tab), 3);
  EXPECT_EQ(FieldText(list, tab, 1), "");
  EXPECT_EQ(FieldText(list, tab, 2), "A");
  EXPECT_EQ(FieldText(list, tab, 3), "B");
  EXPECT_EQ(FieldText(list, tab, 4), "");
  EXPECT_EQ(FieldText(list, tab, 0), "");
  EXPECT_EQ(FieldCount("a--b--", "--"), 3);
  EXPECT_EQ(FieldText("a--b--", "--", 2), "b");

  size_t at = 0;
  EXPECT_EQ(NextField(list, tab, at), "");
  EXPECT_EQ(NextField(list, tab, at), "A");
  EXPECT_EQ(NextField(list, tab, at), "B");
  EXPECT_EQ(at, Text::npos);
}

TEST(NumberText, WritesWholeNumbersWithALeadingBlankOrMinus) {
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(120), " 120");
  EXPECT_EQ(NumberText(-3), "-3");
  EXPECT_EQ(NumberText(70), " 70");
  EXPECT_EQ(NumberText(999999999999999.0), " 999999999999999");
  EXPECT_EQ(NumberText(-0.0), " 0");
}

}  // namespace
}  // namespace quelb

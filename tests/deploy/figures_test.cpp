// What --json writes of any text, and the figures of the progress line.
#include <gtest/gtest.h>

#include "deploy/json_lines.h"
#include "deploy/progress.h"

namespace quelb::deploy {
namespace {

TEST(JsonStringTest, EveryTextBecomesOneValidStringOnOneLine) {
  EXPECT_EQ(JsonString("C:\\QUELB\\\"A\".TXT"), R"("C:\\QUELB\\\"A\".TXT")");
  EXPECT_EQ(JsonString("Load another disk?\r\nIf so"), R"("Load another disk?\u000d\u000aIf so")");
  EXPECT_EQ(JsonString(std::string_view("\0\x1f\x7f", 3)), R"("\u0000\u001f\u007f")");
  // UTF-8 is kept; a byte of a Windows code page, a cut sequence, an overlong form and a
  // surrogate are each their bytes' Latin-1 characters.
  EXPECT_EQ(JsonString("B\xc3\xa4r \xe2\x82\xac \xf0\x9f\x98\x80"),
            "\"B\xc3\xa4r \xe2\x82\xac \xf0\x9f\x98\x80\"");
  EXPECT_EQ(JsonString("B\xe4r"), R"("B\u00e4r")");
  EXPECT_EQ(JsonString("\xe2\x82"), R"("\u00e2\u0082")");
  EXPECT_EQ(JsonString("\xc0\xaf"), R"("\u00c0\u00af")");
  EXPECT_EQ(JsonString("\xe0\x80\xaf"), R"("\u00e0\u0080\u00af")");
  EXPECT_EQ(JsonString("\xed\xa0\x80"), R"("\u00ed\u00a0\u0080")");
  EXPECT_EQ(JsonString("\xf4\x90\x80\x80"), R"("\u00f4\u0090\u0080\u0080")");
}

TEST(JsonLinesTest, TheEndCarriesTheExitCodeAndTheCounts) {
  EndRecord end{"2026-12-09T13:16:44Z", " 2 files copied or expanded.", 6, 0, {2, 1, 1, 0, 2}};
  EXPECT_EQ(EndJson(end),
            R"({"record":"end","time":"2026-12-09T13:16:44Z","exit_code":6,)"
            R"("line":" 2 files copied or expanded.","delivered":2,"unchanged":1,"skipped":1,)"
            R"("failed":0,"not_placed":0})");
}

TEST(ProgressFiguresTest, RateAndTimeLeftComeOnceThereIsSomethingToMeasure) {
  EXPECT_EQ(ProgressFigures({0, 12, 0, 5 << 20, 0}), "0 of 12 files, 0.0 of 5.0 MiB, --, -- left");
  EXPECT_EQ(ProgressFigures({3, 12, 1 << 20, 5 << 20, 0.1}),
            "3 of 12 files, 1.0 of 5.0 MiB, --, -- left");
  EXPECT_EQ(ProgressFigures({3, 12, 1 << 20, 5 << 20, 2}),
            "3 of 12 files, 1.0 of 5.0 MiB, 0.5 MiB/s, 0:08 left");
  EXPECT_EQ(ProgressFigures({1, 2, 1 << 30, 3LL << 30, 1}),
            "1 of 2 files, 1.0 of 3.0 GiB, 1.0 GiB/s, 0:02 left");
  // An hour and more, and sources that grew past their listed sizes.
  EXPECT_EQ(ProgressFigures({1, 9, 1024, 4000 * 1024, 1}),
            "1 of 9 files, 0.0 of 3.9 MiB, 0.0 MiB/s, 1:06:39 left");
  EXPECT_EQ(ProgressFigures({2, 2, 2048, 1024, 1}),
            "2 of 2 files, 2.0 of 1.0 KiB, 2.0 KiB/s, 0:00 left");
}

}  // namespace
}  // namespace quelb::deploy

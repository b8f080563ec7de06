// The expansion command lines, byte for byte.
#include <gtest/gtest.h>

#include "engine/engine.h"

namespace quelb {
namespace {

UpdateRunState Archive(const Text& source, const Text& target, bool marked) {
  UpdateRunState run;
  run.SourcePath = source;
  run.CurrentFile = "QUELBAP.EXE";
  run.TargetPath = target;
  run.PkwarePos = marked ? 1 : 0;
  return run;
}

const Text kInterpreter = "C:\\WINDOWS\\system32\\cmd.exe";

TEST(ExpandCommandTest, PathsWithoutBlanksAreJoinedAsTheyAre) {
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\QUELB", false), kInterpreter),
            "A:\\QUELBAP.EXE -y -ao -oC:\\QUELB");
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\QUELB", true), kInterpreter),
            "C:\\WINDOWS\\system32\\cmd.exe /c A:\\QUELBAP.EXE -o C:\\QUELB");
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\QUELB\\", false), kInterpreter),
            "A:\\QUELBAP.EXE -y -ao -oC:\\QUELB\\");
}

TEST(ExpandCommandTest, WithoutAnInterpreterTheLineNamesNoProgram) {
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\QUELB", true), ""),
            " /c A:\\QUELBAP.EXE -o C:\\QUELB");
}

TEST(ExpandCommandTest, APathWithABlankIsQuoted) {
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\Program Files\\QUELB", false), kInterpreter),
            "A:\\QUELBAP.EXE -y -ao -o\"C:\\Program Files\\QUELB\"");
  EXPECT_EQ(ExpandCommandFor(Archive("D:\\New Programs", "C:\\QUELB", false), kInterpreter),
            "\"D:\\New Programs\\QUELBAP.EXE\" -y -ao -oC:\\QUELB");
}

TEST(ExpandCommandTest, TheInterpreterGetsTheQuotedCommandInOneMorePairOfQuotes) {
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\Program Files\\QUELB", true), kInterpreter),
            "C:\\WINDOWS\\system32\\cmd.exe /c \"A:\\QUELBAP.EXE -o \"C:\\Program "
            "Files\\QUELB\"\"");
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\QUELB", true), "C:\\My Tools\\cmd.exe"),
            "\"C:\\My Tools\\cmd.exe\" /c A:\\QUELBAP.EXE -o C:\\QUELB");
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\QUELB", true), "\"C:\\My Tools\\cmd.exe\""),
            "\"C:\\My Tools\\cmd.exe\" /c A:\\QUELBAP.EXE -o C:\\QUELB")
      << "an interpreter already in quotes is not quoted again";
}

TEST(ExpandCommandTest, AQuotedFolderHasItsClosingBackslashDoubledBeforeTheQuote) {
  EXPECT_EQ(ExpandCommandFor(Archive("A:", "C:\\Program Files\\", false), kInterpreter),
            "A:\\QUELBAP.EXE -y -ao -o\"C:\\Program Files\\\\\"");
}

}  // namespace
}  // namespace quelb

#include "startup/defaults.h"

#include <gtest/gtest.h>

namespace quelb {
namespace {

TEST(StartupDefaults, InstallModeAtTheRootOfADrive) {
  const StartupFacts facts{"", "D:\\", false};
  const Text appName = AppNameFor(facts.commandTail);
  const InstallerTexts texts = DefaultTexts(facts, appName);
  EXPECT_EQ(appName, "QUELB");
  EXPECT_EQ(texts.title, "QUELB Accounting Software Installation   (7z)");
  EXPECT_EQ(texts.sourceDefault, "D:\\");
  EXPECT_EQ(texts.targetDefault, "C:\\QUELB");
  EXPECT_EQ(texts.runCaption, "INSTALL");
  EXPECT_EQ(texts.targetNote, "(For Networks, use its drive letter)");
  EXPECT_EQ(texts.networkNote, "");
}

TEST(StartupDefaults, UpdateModeTakesTheTailAsTheApplicationName) {
  const StartupFacts facts{"ABC", "F:\\APPS\\ABC", false};
  const Text appName = AppNameFor(facts.commandTail);
  const InstallerTexts texts = DefaultTexts(facts, appName);
  EXPECT_EQ(appName, "ABC");
  EXPECT_EQ(texts.title, "ABC Accounting Software Update   (7z)");
  EXPECT_EQ(texts.sourceDefault, "A");
  EXPECT_EQ(texts.targetDefault, "F:\\APPS\\ABC");
  EXPECT_EQ(texts.runCaption, "UPDATE");
  EXPECT_EQ(texts.targetNote, "(Change ONLY if instructed otherwise)");
  EXPECT_EQ(texts.networkNote, "For Networks, be sure all other users are out of ABC");
}

TEST(StartupDefaults, ATailOfSeveralWordsIsTheNameWhole) {
  const Text tail = "\"My\"  Firm ";
  const InstallerTexts texts = DefaultTexts({tail, "/srv/firm", false}, AppNameFor(tail));
  EXPECT_EQ(texts.title, "\"My\"  Firm  Accounting Software Update   (7z)");
  EXPECT_EQ(texts.targetDefault, "/srv/firm") << "never C:\\ and the name in update mode";
}

TEST(StartupDefaults, ThePresentDownloadFolderIsTheSourceInBothModes) {
  EXPECT_EQ(DefaultTexts({"", "/home/ann", true}, "QUELB").sourceDefault, "C:\\LDGRHOME\\DOWNLOAD");
  EXPECT_EQ(DefaultTexts({"ABC", "/home/ann", true}, "ABC").sourceDefault,
            "C:\\LDGRHOME\\DOWNLOAD");
}

}  // namespace
}  // namespace quelb

// The in-use check against real second processes that hold files open or run them.
#include <algorithm>
#include <memory>

#include "engine/process_values.h"
#include "engine_world.h"
#include "support/engine_archive.h"
#include "support/engine_open_watch.h"
#include "support/second_process.h"

namespace quelb::testing {
namespace {

using Names = std::vector<std::string>;

const std::string kTargetTitle = "Target program is in use - RETRY ?";
const std::string kKeyTitle = "Key programs are in use - RETRY ??";

std::string TargetText(const std::string& code) {
  return "Error 70 - Someone is in " + code +
         "\r\nYou may have them exit, then ...\r\nYes = RETRY"
         "\r\nNo = to skip this, and continue with remaining updates";
}

std::string KeyText(const std::string& appName) {
  return "Error 70 - An active session of " + appName +
         " is using key programs\r\n"
         "that get updated with the Control Module (Main Menu Appl).\r\n"
         "For the Control Module to be updated, ALL users and sessions must be Closed.\r\n"
         "If you are looking for a change in another module, say NO\r\n"
         "OR You may have them exit, then ...\r\nYes = RETRY"
         "\r\nNo = to skip this, and continue with remaining updates";
}

// The names in order of their first open.
Names FirstOpens(const Names& opened) {
  Names first;
  for (const auto& name : opened) {
    if (std::find(first.begin(), first.end(), name) == first.end()) first.push_back(name);
  }
  return first;
}

class InUseTest : public EngineWorld {
 protected:
  InUseTest() {
    script_.log = scratch_ / "archive.log";
    WriteArchive(source_ / "QUELBAP.EXE", script_);
  }

  // Runs the check alone and makes sure it leaves no trap and no number behind.
  UpdateRunState Check(const std::string& archive) {
    UpdateRunState run = RunFor(archive);
    run.FileCount.Store(4);
    CheckInUse(run, errors_);
    EXPECT_EQ(errors_.trap, kNoTrap);
    EXPECT_EQ(errors_.number, 0);
    return run;
  }

  double HandleArchive() {
    UpdateRunState run = RunFor("QUELBAP.EXE");
    EXPECT_EQ(HandleWholly(run), FileOutcome::kNext);
    return run.FileCount.Value();
  }

  ArchiveScript script_;
};

TEST_F(InUseTest, AHeldTargetProgramPromptsAndYesAfterTheHolderEndedExpands) {
  WriteFile(target_ / "AP.exe", "old program");
  SecondProcess holder(HolderCommand("open", target_ / "AP.exe"));
  ASSERT_TRUE(holder.Ready());
  operator_.Answer({IDYES});
  operator_.OnBox([&](const ShownBox&) { holder.End(); });

  EXPECT_EQ(HandleArchive(), 1);

  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, TargetText("AP"));
  EXPECT_EQ(operator_.Boxes()[0].title, kTargetTitle);
  EXPECT_EQ(operator_.Boxes()[0].style, kRetryPromptStyle);
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
}

TEST_F(InUseTest, ARunningTargetProgramPromptsAgainOnYesAndNoSkipsTheArchive) {
  fs::copy_file(TestProgram("holder"), target_ / "AP.exe");
  SecondProcess running({(target_ / "AP.exe").string(), "wait"});
  ASSERT_TRUE(running.Ready());
  operator_.Answer({IDYES, IDNO});

  EXPECT_EQ(HandleArchive(), 0);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  EXPECT_EQ(operator_.Boxes()[1].text, TargetText("AP"));
  EXPECT_FALSE(fs::exists(script_.log)) << "the skipped archive was started";
}

TEST_F(InUseTest, NoLowersTheCountAndLeavesNothingPending) {
  WriteFile(target_ / "AP.exe", "old program");
  SecondProcess holder(HolderCommand("open", target_ / "AP.exe"));
  ASSERT_TRUE(holder.Ready());
  operator_.Answer({IDNO});

  const UpdateRunState run = Check("QUELBAP.EXE");

  EXPECT_FALSE(run.MayProceed);
  EXPECT_EQ(run.FileCount.Value(), 3);
  EXPECT_EQ(run.LastError, 70);
  EXPECT_EQ(run.Answer, IDNO);
}

TEST_F(InUseTest, AReadOnlyTargetProgramCountsAsInUse) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  WriteFile(target_ / "AP.exe", "old program");
  MakeReadOnly(target_ / "AP.exe");
  operator_.Answer({IDNO});

  EXPECT_FALSE(Check("QUELBAP.EXE").MayProceed);
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, TargetText("AP"));
}

TEST_F(InUseTest, AFreeProgramIsTheOnlyFileTestedForAnotherModule) {
  for (const char* name : {"ap.EXE", "rptdrv.dll", "ledgcore.dll", "zlib.dll"}) {
    WriteFile(target_ / name, "present");
  }
  OpenWatch watch(target_);

  const UpdateRunState run = Check("quelbap.exe");

  EXPECT_TRUE(run.MayProceed);
  EXPECT_EQ(run.FileCount.Value(), 4);
  if (OpenWatch::Available()) {
    EXPECT_EQ(FirstOpens(watch.Opened()), (Names{"ap.EXE"}));
  }
  EXPECT_TRUE(operator_.Boxes().empty());
}

TEST_F(InUseTest, TheControlModuleTestsItsKeyLibrariesInOrderUpToTheHeldOne) {
  for (const char* name : {"CM.exe", "rptdrv.dll", "ledgcore.dll", "zlib.dll"}) {
    WriteFile(target_ / name, "present");
  }
  AppName = "LEDGER PRO";
  SecondProcess holder(HolderCommand("open", target_ / "ledgcore.dll"));
  ASSERT_TRUE(holder.Ready());
  OpenWatch watch(target_);
  operator_.Answer({IDNO});

  const UpdateRunState run = Check("QUELBCM.EXE");

  EXPECT_FALSE(run.MayProceed);
  if (OpenWatch::Available()) {
    EXPECT_EQ(FirstOpens(watch.Opened()), (Names{"CM.exe", "rptdrv.dll", "ledgcore.dll"}));
  }
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, KeyText("LEDGER PRO"));
  EXPECT_EQ(operator_.Boxes()[0].title, kKeyTitle);
  EXPECT_EQ(operator_.Boxes()[0].style, kRetryPromptStyle);
}

TEST_F(InUseTest, RetryAtTheFilePromptTestsTheProgramAgain) {
  WriteFile(target_ / "AP.exe", "old program");
  ArchiveScript failing = script_;
  failing.exitCode = 3;
  WriteArchive(source_ / "QUELBAP.EXE", failing);
  std::unique_ptr<SecondProcess> holder;
  operator_.Answer({IDRETRY, IDYES});
  operator_.OnBox([&](const ShownBox& box) {
    if (box.style == kFilePromptStyle) {
      WriteArchive(source_ / "QUELBAP.EXE", script_);
      holder = std::make_unique<SecondProcess>(HolderCommand("open", target_ / "AP.exe"));
    } else {
      holder.reset();
    }
  });

  EXPECT_EQ(HandleArchive(), 1);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 75 occurred");
  EXPECT_EQ(operator_.Boxes()[1].title, kTargetTitle);
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
}

TEST_F(InUseTest, AHeldControlModuleIsPromptedBeforeAnyKeyLibrary) {
  for (const char* name : {"cm.exe", "rptdrv.dll", "ledgcore.dll", "zlib.dll"}) {
    WriteFile(target_ / name, "present");
  }
  SecondProcess holder(HolderCommand("open", target_ / "cm.exe"));
  ASSERT_TRUE(holder.Ready());
  OpenWatch watch(target_);
  operator_.Answer({IDNO});

  Check("QUELBcM.EXE");

  if (OpenWatch::Available()) {
    EXPECT_EQ(FirstOpens(watch.Opened()), (Names{"cm.exe"}));
  }
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, TargetText("CM"));
}

TEST_F(InUseTest, YesAtTheKeyProgramsPromptTestsTheProgramFirstAgain) {
  for (const char* name : {"CM.exe", "rptdrv.dll"}) WriteFile(target_ / name, "present");
  auto holder = std::make_unique<SecondProcess>(HolderCommand("open", target_ / "rptdrv.dll"));
  ASSERT_TRUE(holder->Ready());
  OpenWatch watch(target_);
  operator_.Answer({IDYES});
  operator_.OnBox([&](const ShownBox&) {
    holder.reset();
    watch.Opened();
  });

  EXPECT_TRUE(Check("QUELBCM.EXE").MayProceed);
  if (OpenWatch::Available()) {
    EXPECT_EQ(FirstOpens(watch.Opened()), (Names{"CM.exe", "rptdrv.dll"}));
  }
}

TEST_F(InUseTest, MissingKeyLibrariesPassAndAreNotCreated) {
  WriteFile(target_ / "CM.exe", "present");

  EXPECT_TRUE(Check("QUELBCM.EXE").MayProceed);

  EXPECT_EQ(NamesIn(target_), (Names{"CM.exe"}));
  EXPECT_TRUE(operator_.Boxes().empty());
}

TEST_F(InUseTest, AKeyLibraryIsTestedUnderTheNameTheFolderGivesIt) {
  WriteFile(target_ / "cm.EXE", "present");
  WriteFile(target_ / "RPTDRV.DLL", "present");
  SecondProcess holder(HolderCommand("open", target_ / "RPTDRV.DLL"));
  ASSERT_TRUE(holder.Ready());
  operator_.Answer({IDNO});

  EXPECT_FALSE(Check("quelbcm.exe").MayProceed);

  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, kKeyTitle);
  EXPECT_EQ(NamesIn(target_), (Names{"RPTDRV.DLL", "cm.EXE"})) << "no library made in another case";
}

TEST_F(InUseTest, ACheckWithoutPromptLeavesAnEarlierNumberAsItWas) {
  WriteFile(target_ / "AP.exe", "free program");
  UpdateRunState run = RunFor("QUELBAP.EXE");
  StoreError(errors_, 53);
  CheckInUse(run, errors_);
  EXPECT_TRUE(run.MayProceed);
  EXPECT_EQ(errors_.trap, kNoTrap);
  EXPECT_EQ(TakeError(errors_), 53);
}

TEST_F(InUseTest, WithoutTheProgramNothingIsOpened) {
  WriteFile(target_ / "rptdrv.dll", "present");
  OpenWatch watch(target_);

  EXPECT_TRUE(Check("QUELBCM.EXE").MayProceed);
  if (OpenWatch::Available()) {
    EXPECT_TRUE(watch.Opened().empty());
  }
}

// The two characters after the prefix may make a hidden name, which the listing never
// returns: such a program is never taken for the one the archive replaces.
TEST_F(InUseTest, AHiddenFileIsNeverTakenForTheProgram) {
  WriteFile(target_ / ".E.exe", "hidden");
  SecondProcess holder(HolderCommand("open", target_ / ".E.exe"));
  ASSERT_TRUE(holder.Ready());

  EXPECT_TRUE(Check("QUELB.EXE").MayProceed);
  EXPECT_TRUE(operator_.Boxes().empty());
}

TEST_F(InUseTest, AFolderNamedLikeTheProgramIsNotTested) {
  fs::create_directory(target_ / "AP.exe");

  EXPECT_TRUE(Check("QUELBAP.EXE").MayProceed);
  EXPECT_TRUE(operator_.Boxes().empty());
}

}  // namespace
}  // namespace quelb::testing

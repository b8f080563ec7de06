// Whole update runs through the dialog double: passes, disks, counts, the boxes of the run,
// the abort, and the folder a run leaves current.
#include <algorithm>

#include "dialog/dialog_double.h"
#include "engine/process_values.h"
#include "engine_world.h"
#include "services/files.h"
#include "support/engine_archive.h"
#include "support/second_process.h"

namespace quelb::testing {
namespace {

using Names = std::vector<std::string>;

constexpr uint32_t kDiskPromptStyle = 0x2024;
constexpr uint32_t kOkStyle = 0x2000;
const std::string kDiskPromptText = "Load another disk?\r\nIf so, put in the disk and click YES";

class UpdateRunTest : public EngineWorld {
 protected:
  ~UpdateRunTest() override { ForgetDialogs(); }

  RunOutcome Run(const std::string& sourceBox, const std::string& targetBox) {
    dialog_ = RunDialog(sourceBox, targetBox);
    return UpdateRun(dialog_, errors_);
  }

  RunOutcome RunInto(const std::string& sourceBox) { return Run(sourceBox, target_.string()); }

  const Names& StatusLines() { return dialog_->writes[IDC_STATUS]; }

  static void WriteFiles(const fs::path& folder, const Names& names) {
    for (const auto& name : names) WriteFile(folder / name, "content of " + name);
  }

  static void EmptyFolder(const fs::path& folder) {
    for (const auto& name : NamesIn(folder)) fs::remove_all(folder / name);
  }

  const ShownBox& OnlyBox() {
    EXPECT_EQ(operator_.Boxes().size(), 1u);
    return operator_.Boxes().back();
  }

  testing::DialogDouble* dialog_ = nullptr;
};

TEST_F(UpdateRunTest, TwoDisksAreCountedPassByPass) {
  const fs::path disk = drives_.Root('a');
  WriteFiles(disk, {"F1.TXT", "F2.TXT", "F3.TXT", "F4.TXT", "F5.TXT"});
  operator_.Answer({IDYES, IDNO});
  operator_.OnBox([&](const ShownBox&) {
    if (operator_.Boxes().size() != 1) return;
    EmptyFolder(disk);
    WriteFiles(disk, {"G1.TXT", "G2.TXT", "G3.TXT"});
  });

  EXPECT_EQ(RunInto("A"), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  EXPECT_EQ(operator_.Boxes()[0].title, " 5 files copied -  Load another Disk?");
  EXPECT_EQ(operator_.Boxes()[1].title, " 3 files copied -  Load another Disk?");
  for (const ShownBox& box : operator_.Boxes()) {
    EXPECT_EQ(box.text, kDiskPromptText);
    EXPECT_EQ(box.style, kDiskPromptStyle);
  }
  Names status = StatusLines();
  ASSERT_EQ(status.size(), 10u);
  EXPECT_EQ(status[5], "Disk 1 loaded");
  EXPECT_EQ(status[9], "Disk 2 loaded");
  std::sort(status.begin(), status.begin() + 5);
  std::sort(status.begin() + 6, status.begin() + 9);
  EXPECT_EQ(status[0], "Copying A:\\F1.TXT");
  EXPECT_EQ(status[4], "Copying A:\\F5.TXT");
  EXPECT_EQ(status[6], "Copying A:\\G1.TXT");
  EXPECT_EQ(NamesIn(target_).size(), 8u);
  EXPECT_FALSE(dialog_->ended) << "a completed run leaves ending the dialog to its caller";
}

TEST_F(UpdateRunTest, AFolderSourceReportsItsCountWithoutSetup) {
  Names names = {"SETUP.EXE"};
  for (int i = 1; i <= 11; ++i) names.push_back("FILE" + std::to_string(i) + ".DAT");
  WriteFiles(source_, names);

  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);

  const ShownBox& box = OnlyBox();
  EXPECT_EQ(box.text, " 11 files copied or expanded.");
  EXPECT_EQ(box.title, "Update is Completed");
  EXPECT_EQ(box.style, kOkStyle);
  EXPECT_EQ(NamesIn(target_).size(), 11u);
}

TEST_F(UpdateRunTest, AnEmptyOrMissingFolderDeliversNothing) {
  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);
  EXPECT_EQ(OnlyBox().text, "NO files copied or expanded.");

  EXPECT_EQ(RunInto((scratch_ / "missing").string()), RunOutcome::kCompleted);
  EXPECT_EQ(operator_.Boxes().back().text, "NO files copied or expanded.");
}

TEST_F(UpdateRunTest, AnEmptyDiskOrADriveThatIsNotThereDeliversNothing) {
  drives_.Root('a');
  operator_.Answer({IDNO, IDNO});

  EXPECT_EQ(RunInto("A"), RunOutcome::kCompleted);
  EXPECT_EQ(StatusLines(), (Names{"Disk 0 loaded"}));
  EXPECT_EQ(RunInto("B:"), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  for (const ShownBox& box : operator_.Boxes()) {
    EXPECT_EQ(box.title, "NO files copied -  Load another Disk?");
  }
}

TEST_F(UpdateRunTest, IgnoredSkippedAndSetupFilesAreNotCounted) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  WriteFiles(source_, {"GOOD.TXT", "SETUP.EXE", "LOCKED.TXT"});
  WriteFile(target_ / "LOCKED.TXT", "old");
  MakeReadOnly(target_ / "LOCKED.TXT");
  ArchiveScript script;
  script.log = scratch_ / "archive.log";
  WriteArchive(source_ / "QUELBAP.EXE", script);
  WriteFile(target_ / "AP.exe", "old program");
  SecondProcess holder(HolderCommand("open", target_ / "AP.exe"));
  ASSERT_TRUE(holder.Ready());
  // Ignore at the file prompt and anything but Yes at the in-use prompt leave a file out,
  // whichever of the two comes first.
  operator_.Answer({IDIGNORE, IDIGNORE});

  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 3u);
  EXPECT_EQ(operator_.Boxes()[2].text, " 1 files copied or expanded.");
  EXPECT_EQ(ReadFile(target_ / "LOCKED.TXT"), "old");
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "old program");
}

// Every file on a CD-ROM is read-only. What a run brought from one is replaced by the next
// run: no copy is refused and no program counts as in use for being read-only.
TEST_F(UpdateRunTest, WhatARunBroughtFromAReadOnlySourceTheNextRunReplaces) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  ArchiveScript script;
  script.log = scratch_ / "archive.log";
  script.unpackName = "UNPACKED.TXT";
  for (const std::string version : {"1", "2"}) {
    for (const auto& name : NamesIn(source_)) {
      fs::permissions(source_ / name, fs::perms::owner_write, fs::perm_options::add);
    }
    WriteArchive(source_ / "QUELBAP.EXE", script);
    WriteFiles(source_, {"AP.exe", "DATA.DBF"});
    WriteFile(source_ / "DATA.DBF", "version " + version);
    for (const auto& name : NamesIn(source_)) MakeReadOnly(source_ / name);
    operator_.Answer({IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE});

    EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);

    EXPECT_EQ(operator_.Boxes().back().text, " 3 files copied or expanded.") << version;
    EXPECT_EQ(operator_.Boxes().size(), version == "1" ? 1u : 2u) << version;
    EXPECT_EQ(ReadFile(target_ / "DATA.DBF"), "version " + version);
  }
}

TEST_F(UpdateRunTest, AbortEndsTheRunAtOnceAndLeavesTheCurrentFolder) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  for (const char* name : {"A.TXT", "B.TXT", "C.TXT"}) {
    WriteFile(source_ / name, "new");
    WriteFile(target_ / name, "old");
    MakeReadOnly(target_ / name);
  }
  const fs::path before = fs::current_path();
  operator_.Answer({IDABORT});

  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 70 occurred");
  const ShownBox& abort = operator_.Boxes()[1];
  EXPECT_EQ(abort.text, "Error 70 detected");
  EXPECT_EQ(abort.title, "Canceled by the operator");
  EXPECT_EQ(abort.style, kOkStyle);
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_TRUE(dialog_->ended);
  EXPECT_EQ(dialog_->endResult, 0);
  EXPECT_EQ(StatusLines().size(), 1u) << "a file after the aborted one was handled";
  EXPECT_EQ(fs::current_path(), before);
}

// A drive path of the length, in folders of 50 letters.
std::string DrivePathOfLength(size_t length) {
  std::string path = "C:";
  while (path.size() < length) path += "\\" + std::string(50, 'F');
  return path.substr(0, length);
}

// The longest path the platform takes: Windows' MAX_PATH less its NUL, or the host's PATH_MAX,
// which the drive's root makes longer still.
#ifdef _WIN32
constexpr size_t kLongestPath = 259;
#else
constexpr size_t kLongestPath = 4095;
#endif

// A folder the platform cannot name would list nothing, or take every file with error 75, as
// if the run had done its work: it is named with its number first, and the run ends as an
// aborted one does, with nothing done and the control module not started.
TEST_F(UpdateRunTest, AFolderPathThePlatformCannotTakeIsNamedBeforeAnyWork) {
  WriteFiles(source_, {"F1.TXT"});
  const std::string longFolder = DrivePathOfLength(kLongestPath + 2);
  const std::string longName = "C:\\" + std::string(300, 'N');
  const std::vector<std::pair<std::string, std::string>> runs{
      {longFolder, target_.string()}, {source_.string(), longFolder + "QQ"}, {longName, "C:\\Q"}};
  for (const auto& [sourceBox, targetBox] : runs) {
    RunAborted = kFalse;
    EXPECT_EQ(Run(sourceBox, targetBox), RunOutcome::kAborted);
    const ShownBox& box = operator_.Boxes().back();
    EXPECT_EQ(box.text,
              "Path too long: " + (sourceBox == source_.string() ? targetBox : sourceBox));
    EXPECT_EQ(box.title, "Error 75 detected");
    EXPECT_EQ(box.style, kOkStyle);
    EXPECT_EQ(RunAborted, kTrue);
    EXPECT_TRUE(dialog_->ended);
    EXPECT_TRUE(StatusLines().empty());
  }
  EXPECT_EQ(operator_.Boxes().size(), runs.size());
  EXPECT_TRUE(NamesIn(target_).empty());
  EXPECT_FALSE(fs::exists(drives_.Root('c') / "Q"));
#ifdef _WIN32
  // The longest folder whose probe fits is listed as any other.
  EXPECT_EQ(Run(DrivePathOfLength(kLongestPath - 4), target_.string()), RunOutcome::kCompleted);
  EXPECT_EQ(operator_.Boxes().back().text, "NO files copied or expanded.");
#endif
}

#ifdef _WIN32
// A copy forms paths of its own in a folder whose probe fits: its temporary file, whose name
// is longer than an 8.3 one, and the long name that a file outside the code page keeps through
// the wide calls, which MAX_PATH binds on Windows as it does the ANSI ones (Wine does not bind
// them). Each is named before the pass touches a file, as a folder too long is.
TEST_F(UpdateRunTest, ACopysOwnPathThePlatformCannotTakeIsNamedBeforeThePassBegins) {
  const std::wstring foreign = L"\u0141\u00f3d\u017a " + std::wstring(31, L'x') + L".txt";
  const std::string foreignTarget = DrivePathOfLength(kLongestPath - 30);
  const std::string shortTarget = DrivePathOfLength(kLongestPath - 11);
  for (const std::string& target : {foreignTarget, shortTarget}) {
    fs::create_directories(drives_.Root('c') / target.substr(3));
  }
  WriteFiles(source_, {"A.TXT"});

  EXPECT_EQ(Run(source_.string(), shortTarget), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, "Path too long: " + shortTarget + "\\A.TXT");
  EXPECT_EQ(operator_.Boxes()[0].title, "Error 75 detected");
  EXPECT_EQ(operator_.Boxes()[0].style, kOkStyle);
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_TRUE(NamesIn(drives_.Root('c') / shortTarget.substr(3)).empty());
  ASSERT_EQ(Run(source_.string(), foreignTarget), RunOutcome::kCompleted)
      << "a target of " << foreignTarget.size() << " characters takes an 8.3 name";

  fs::remove(source_ / "A.TXT");
  WriteFile(source_ / foreign, "foreign");
  RunAborted = kFalse;
  const std::string listed = ListFirst(errors_, source_.string() + "\\*.*", kPlainFilesOnly);
  if (listed.find('~') == std::string::npos) GTEST_SKIP() << "the code page spells the name";

  EXPECT_EQ(Run(source_.string(), foreignTarget), RunOutcome::kAborted);

  EXPECT_EQ(operator_.Boxes().back().text, "Path too long: " + foreignTarget + "\\" + listed);
  EXPECT_EQ(operator_.Boxes().back().title, "Error 75 detected");
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_EQ(NamesIn(drives_.Root('c') / foreignTarget.substr(3)),
            std::vector<std::string>{"A.TXT"});
}
#endif

// Where the system's code page cannot spell the name, its ANSI spelling names no file.
TEST_F(UpdateRunTest, ANameOutsideTheCodePageArrivesUnderItsOwnName) {
  const fs::path name(u8"\u0141\u00f3d\u017a.txt");
  WriteFile(source_ / name, "content");
  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);
  EXPECT_EQ(OnlyBox().text, " 1 files copied or expanded.");
  EXPECT_EQ(ReadFile(target_ / name), "content");
  EXPECT_EQ(std::distance(fs::directory_iterator(target_), fs::directory_iterator()), 1);
}

TEST_F(UpdateRunTest, ACompletedRunMakesTheWholeTargetCurrent) {
  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);
  EXPECT_EQ(fs::current_path(), fs::canonical(target_));
  EXPECT_EQ(RunAborted, kFalse);

  const std::string longName(45, 'q');
  fs::create_directories(drives_.Root('c') / "SUITE" / longName);
  EXPECT_EQ(Run(source_.string(), "C:\\SUITE\\" + longName), RunOutcome::kCompleted);
  EXPECT_EQ(fs::current_path(), fs::canonical(drives_.Root('c') / "SUITE" / longName));
}

TEST_F(UpdateRunTest, ARelativeTargetStaysInTheCurrentFolderWhateverItsFirstLetter) {
  WriteFiles(source_, {"ONE.TXT"});
  drives_.Root('q');
  testing::CurrentFolderGuard current(scratch_.Path());
  EXPECT_EQ(Run(source_.string(), "quelb"), RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(scratch_ / "quelb" / "ONE.TXT"), "content of ONE.TXT");
  EXPECT_EQ(fs::current_path(), fs::canonical(scratch_ / "quelb"));
}

TEST_F(UpdateRunTest, AMissingTargetFolderIsMadeAndFilled) {
  WriteFiles(source_, {"ONE.TXT"});
  EXPECT_EQ(Run(source_.string(), "C:\\QUELB"), RunOutcome::kCompleted);
  EXPECT_EQ(ReadFile(drives_.Root('c') / "QUELB" / "ONE.TXT"), "content of ONE.TXT");
  EXPECT_EQ(fs::current_path(), fs::canonical(drives_.Root('c') / "QUELB"));
}

TEST_F(UpdateRunTest, ATargetNoWindowsNameHoldsIsNeitherMadeNorFilled) {
  WriteFiles(source_, {"ONE.TXT"});
  const Names before = NamesIn(drives_.Root('c'));
  operator_.Answer({IDIGNORE});
  EXPECT_EQ(Run(source_.string(), "C:\\QU\"OTE"), RunOutcome::kCompleted);
  ASSERT_EQ(operator_.Boxes().size(), 2u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 75 occurred");
  EXPECT_EQ(NamesIn(drives_.Root('c')), before);
}

TEST_F(UpdateRunTest, ADriveLetterOrDriveRootIsADiskSource) {
  WriteFiles(drives_.Root('a'), {"F.TXT"});
  WriteFiles(drives_.Root('c'), {"R.TXT"});
  for (const char* box : {"A", "A:\\"}) {
    operator_.Answer({IDNO});
    EXPECT_EQ(RunInto(box), RunOutcome::kCompleted);
    EXPECT_EQ(StatusLines(), (Names{"Copying A:\\F.TXT", "Disk 1 loaded"})) << box;
  }
  operator_.Answer({IDNO});
  EXPECT_EQ(RunInto("C:\\"), RunOutcome::kCompleted);
  EXPECT_EQ(StatusLines(), (Names{"Copying C:\\R.TXT", "Disk 1 loaded"}));
  EXPECT_EQ(operator_.Boxes().back().title, " 1 files copied -  Load another Disk?");
}

TEST_F(UpdateRunTest, OnlyOneClosingBackslashIsRemoved) {
  WriteFiles(drives_.Root('a'), {"F.TXT"});
  operator_.Answer({IDNO});
  EXPECT_EQ(RunInto("A:\\\\"), RunOutcome::kCompleted);
  EXPECT_EQ(StatusLines(), (Names{"Copying A:\\\\F.TXT", "Disk 1 loaded"}));

  WriteFiles(source_, {"G.TXT"});
  EXPECT_EQ(RunInto(source_.string() + "\\"), RunOutcome::kCompleted);
  EXPECT_EQ(StatusLines(), (Names{"Copying " + source_.string() + "\\G.TXT"}));
  EXPECT_EQ(operator_.Boxes().back().text, " 1 files copied or expanded.");
}

TEST_F(UpdateRunTest, AnEmptySourceIsTheRootOfTheCurrentDrive) {
  WriteFiles(drives_.Root('c'), {"R.TXT"});
  fs::create_directories(drives_.Root('c') / "WORK");
  fs::current_path(drives_.Root('c') / "WORK");
  operator_.Answer({IDNO});

  EXPECT_EQ(RunInto(""), RunOutcome::kCompleted);

  EXPECT_EQ(StatusLines(), (Names{"Copying \\R.TXT", "Disk 1 loaded"}));
  EXPECT_EQ(ReadFile(target_ / "R.TXT"), "content of R.TXT");
}

TEST_F(UpdateRunTest, ABlankInTheSourceIsKept) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows drops a folder name's trailing blank, so no such source can exist";
#endif
  fs::create_directories(scratch_ / "A ");
  WriteFiles(scratch_ / "A ", {"F.TXT"});
  fs::current_path(scratch_.Path());
  operator_.Answer({IDNO});

  EXPECT_EQ(RunInto("A "), RunOutcome::kCompleted);

  EXPECT_EQ(StatusLines(), (Names{"Copying A \\F.TXT", "Disk 1 loaded"}));
  EXPECT_EQ(operator_.Boxes().back().style, kDiskPromptStyle);
}

TEST_F(UpdateRunTest, NamesArriveAsTheListingGaveThem) {
#ifdef _WIN32
  GTEST_SKIP() << "no Windows folder holds a name with a tab or a backslash";
#endif
  const Names names = {"a b.txt", " lead", "trail ", "two  blanks", "x.y.z", "\xc3\xa9t\xc3\xa9"};
  WriteFiles(source_, names);
  WriteFile(source_ / "tab\tname", "a name no path can hold");

  EXPECT_EQ(RunInto(source_.string()), RunOutcome::kCompleted);

  Names expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(NamesIn(target_), expected);
  EXPECT_EQ(OnlyBox().text, " 6 files copied or expanded.");
  for (const auto& name : names) EXPECT_EQ(ReadFile(target_ / name), "content of " + name);
}

TEST_F(UpdateRunTest, TheDownloadFolderAsSourceKeepsItsPackages) {
  fs::create_directories(DownloadFolder());
  WriteFiles(DownloadFolder(), {"GL.QLB", "NOTE.TXT"});

  EXPECT_EQ(RunInto("c:\\LdgrHome\\Download\\"), RunOutcome::kCompleted);

  EXPECT_EQ(OnlyBox().text, " 1 files copied or expanded.");
  EXPECT_EQ(NamesIn(target_), (Names{"NOTE.TXT"}));
  EXPECT_EQ(NamesIn(DownloadFolder()), (Names{"GL.QLB", "NOTE.TXT"}));
}

}  // namespace
}  // namespace quelb::testing

// One run per folder: a second process holds the target or the download folder the way
// another run does, and this run waits for the operator, changes nothing on Cancel and
// delivers on Retry once the other has ended.
#include <memory>

#include "dialog/dialog_double.h"
#include "engine/process_values.h"
#include "engine_world.h"
#include "services/folder_lock.h"
#include "support/second_process.h"

namespace quelb::testing {
namespace {

constexpr uint32_t kHeldFolderStyle = 0x2025;
const char* const kHeldFolderTitle = "Folder is in use - RETRY ?";
const char* const kDoneTitle = "Update is Completed";

class RunLockTest : public EngineWorld {
 protected:
  RunLockTest() {
    WriteFile(source_ / "A.TXT", "new");
    WriteFile(source_ / "PACKAGE.QLB", "package");
    WriteFile(target_ / "A.TXT", "old");
    fs::create_directories(DownloadFolder());
  }
  ~RunLockTest() override { ForgetDialogs(); }

  RunOutcome Run() {
    dialog_ = RunDialog(source_.string(), target_.string());
    return UpdateRun(dialog_, errors_);
  }

  void HoldFolder(const fs::path& folder) {
    other_ = std::make_unique<SecondProcess>(
        std::vector<std::string>{TestProgram("folder_locker"), folder.string()});
    ASSERT_TRUE(other_->Ready()) << "the second run did not take the lock of " << folder;
  }

  void ExpectHeldFolderBox(const ShownBox& box, const std::string& folder) {
    EXPECT_EQ(box.style, kHeldFolderStyle);
    EXPECT_EQ(box.title, kHeldFolderTitle);
    EXPECT_EQ(box.text.rfind("Error 70 - Another update is working in " + folder + "\r\n", 0), 0u)
        << box.text;
    EXPECT_NE(box.text.find("\r\nIt is run by "), Text::npos) << box.text;
    EXPECT_NE(box.text.find(", process "), Text::npos) << "the holder is not named: " << box.text;
  }

  // Whether a second run could take the folder's lock now.
  static bool TakenByAnother(const fs::path& folder) {
    SecondProcess other({TestProgram("folder_locker"), folder.string()});
    return other.Ready();
  }

  // The other run can take the folder again: this run has let it go.
  void ExpectLetGo(const fs::path& folder) {
    other_.reset();
    HoldFolder(folder);
    other_.reset();
  }

  testing::DialogDouble* dialog_ = nullptr;
  std::unique_ptr<SecondProcess> other_;
};

TEST_F(RunLockTest, AHeldTargetIsAskedForAndCancelChangesNothing) {
  HoldFolder(target_);
  operator_.Answer({IDCANCEL});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  ExpectHeldFolderBox(operator_.Boxes()[0], target_.string());
  EXPECT_EQ(operator_.Boxes()[1].text, "Error 70 detected");
  EXPECT_EQ(operator_.Boxes()[1].title, "Canceled by the operator");
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_TRUE(dialog_->ended);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old");
  EXPECT_TRUE(NamesIn(DownloadFolder()).empty());
  EXPECT_TRUE(dialog_->writes[IDC_STATUS].empty()) << "a file was handled";
  ExpectLetGo(target_);
}

TEST_F(RunLockTest, RetryOnceTheOtherRunHasEndedDeliversEverything) {
  HoldFolder(target_);
  operator_.Answer({IDRETRY, IDRETRY});
  int heldBoxes = 0;
  operator_.OnBox([&](const ShownBox& box) {
    if (box.title != kHeldFolderTitle) return;
    // The first retry still finds the folder held; the other run ends during the second box.
    if (++heldBoxes == 2) other_->End();
  });

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 3u);
  EXPECT_EQ(heldBoxes, 2);
  EXPECT_EQ(operator_.Boxes()[2].text, " 2 files copied or expanded.");
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
  EXPECT_EQ(ReadFile(DownloadFolder() / "PACKAGE.QLB"), "package");
  EXPECT_EQ(NamesIn(target_), (std::vector<std::string>{"A.TXT"}));
  ExpectLetGo(target_);
  ExpectLetGo(DownloadFolder());
}

TEST_F(RunLockTest, AHeldDownloadFolderIsAskedForAfterTheTarget) {
  HoldFolder(DownloadFolder());
  operator_.Answer({IDCANCEL});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  ExpectHeldFolderBox(operator_.Boxes()[0], kDownloadFolder);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old");
  EXPECT_FALSE(fs::exists(DownloadFolder() / "PACKAGE.QLB"));
  ExpectLetGo(target_);
}

TEST_F(RunLockTest, TheLockOfAHeldSourceIsNeverDelivered) {
  HoldFolder(source_);

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  EXPECT_EQ(operator_.Boxes().back().text, " 2 files copied or expanded.");
  EXPECT_EQ(NamesIn(target_), (std::vector<std::string>{"A.TXT"}));
}

TEST_F(RunLockTest, ATargetThatIsTheDownloadFolderIsLockedOnce) {
  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  dialog_ = RunDialog(source_.string(), kDownloadFolder);

  EXPECT_EQ(UpdateRun(dialog_, errors_), RunOutcome::kCompleted);

  for (const ShownBox& box : operator_.Boxes()) EXPECT_NE(box.title, kHeldFolderTitle);
}

// A target that is not there yet is made only once the download folder's lock is had, so
// that Cancel at the box leaves nothing changed; Retry makes it, and the run holds it too.
TEST_F(RunLockTest, AMissingTargetIsMadeOnlyOnceTheDownloadFolderIsHad) {
  fs::remove_all(target_);
  HoldFolder(DownloadFolder());
  operator_.Answer({IDCANCEL});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  ExpectHeldFolderBox(operator_.Boxes()[0], kDownloadFolder);
  EXPECT_FALSE(fs::exists(target_)) << "the target was made before the box";

  ForgetDialogs();
  operator_.Answer({IDRETRY});
  bool targetHeldOff = false;
  operator_.OnBox([&](const ShownBox& box) {
    if (box.title == kHeldFolderTitle) other_->End();
    if (box.title == kDoneTitle) targetHeldOff = !TakenByAnother(target_);
  });

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  EXPECT_TRUE(targetHeldOff) << "the target the run made was not locked";
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
  ExpectLetGo(target_);
}

TEST_F(RunLockTest, ADownloadFolderTheRunMakesIsLockedUntilTheRunEnds) {
  fs::remove_all(DownloadFolder());
  bool heldOff = false;
  operator_.OnBox([&](const ShownBox& box) {
    if (box.title == kDoneTitle) heldOff = !TakenByAnother(DownloadFolder());
  });

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  EXPECT_TRUE(heldOff) << "another run could take the download folder the run had made";
  EXPECT_EQ(ReadFile(DownloadFolder() / "PACKAGE.QLB"), "package");
  ExpectLetGo(DownloadFolder());
}

// Another run makes the download folder while this one works: its package fails with the
// file's prompt, whose Retry delivers it once the other run has ended.
TEST_F(RunLockTest, ADownloadFolderAnotherRunMadeMeanwhileFailsThePackageUntilItIsFree) {
  fs::remove_all(DownloadFolder());
  const fs::path disk = drives_.Root('a');
  WriteFile(disk / "FIRST.TXT", "disk 1");
  operator_.Answer({IDYES, IDRETRY, IDRETRY, IDNO});
  operator_.OnBox([&](const ShownBox&) {
    const size_t shown = operator_.Boxes().size();
    if (shown == 1) {
      fs::remove(disk / "FIRST.TXT");
      WriteFile(disk / "PACKAGE.QLB", "package");
      fs::create_directories(DownloadFolder());
      HoldFolder(DownloadFolder());
    }
    if (shown == 3) other_->End();
  });
  dialog_ = RunDialog("A", target_.string());

  EXPECT_EQ(UpdateRun(dialog_, errors_), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 4u);
  for (size_t box = 1; box <= 2; ++box) {
    EXPECT_EQ(operator_.Boxes()[box].title, "error # 70 occurred");
    EXPECT_EQ(operator_.Boxes()[box].text, "Attempting to copy A:\\PACKAGE.QLB");
  }
  EXPECT_EQ(operator_.Boxes()[3].title, " 1 files copied -  Load another Disk?");
  EXPECT_EQ(ReadFile(DownloadFolder() / "PACKAGE.QLB"), "package");
}

#ifdef _WIN32
// A lock file that a power cut left, of an account whose files this one may not open, holds
// the folder until its owner or an administrator removes it: the box says who may, and Retry
// goes on once it is gone.
TEST_F(RunLockTest, ALockFileThisAccountCannotOpenHoldsTheTargetUntilItIsRemoved) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  const fs::path lockFile = target_ / kFolderLockName;
  WriteFile(lockFile, "");
  WriteFile(target_ / ".setup-run.who", "ann on OFFICE2, process 4711, since 2026-12-08 19:30");
  MakeReadOnly(lockFile);
  MakeReadOnly(target_ / ".setup-run.who");
  operator_.Answer({IDRETRY, IDRETRY});
  operator_.OnBox([&](const ShownBox&) {
    if (operator_.Boxes().size() != 2) return;
    fs::permissions(lockFile, fs::perms::owner_write, fs::perm_options::add);
    fs::remove(lockFile);
  });

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 3u);
  EXPECT_EQ(operator_.Boxes()[0].style, kHeldFolderStyle);
  EXPECT_EQ(operator_.Boxes()[0].title, kHeldFolderTitle);
  EXPECT_EQ(operator_.Boxes()[0].text,
            "Error 70 - Another update is working in " + target_.string() +
                "\r\nIt is run by another operator\r\n"
                "If no update runs there, the account that made " +
                (target_ / kFolderLockName).string() +
                " or an administrator may delete it\r\n"
                "Retry = when it has ended\r\n"
                "Cancel = to stop this update, nothing has been changed");
  EXPECT_EQ(operator_.Boxes()[1].text, operator_.Boxes()[0].text);
  EXPECT_EQ(operator_.Boxes()[2].text, " 2 files copied or expanded.");
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
}
#else
// The run works in the folder it locked: a target swapped for a link while the operator reads
// a box sends nothing of the next disk where the link points.
TEST_F(RunLockTest, ATargetSwappedForALinkMeanwhileRedirectsNothing) {
  const fs::path disk = drives_.Root('a');
  WriteFile(disk / "FIRST.TXT", "disk 1");
  const fs::path moved = scratch_ / "moved";
  const fs::path elsewhere = scratch_ / "elsewhere";
  fs::create_directories(elsewhere);
  operator_.Answer({IDYES, IDNO});
  operator_.OnBox([&](const ShownBox&) {
    if (operator_.Boxes().size() != 1) return;
    fs::rename(target_, moved);
    fs::create_directory_symlink(elsewhere, target_);
    fs::remove(disk / "FIRST.TXT");
    WriteFile(disk / "SECOND.TXT", "disk 2");
  });
  dialog_ = RunDialog("A", target_.string());

  EXPECT_EQ(UpdateRun(dialog_, errors_), RunOutcome::kCompleted);

  EXPECT_EQ(operator_.Boxes().back().title, " 1 files copied -  Load another Disk?");
  EXPECT_TRUE(NamesIn(elsewhere).empty());
  EXPECT_EQ(ReadFile(moved / "SECOND.TXT"), "disk 2");
}
#endif

// The handler's contract: a box names its prompt and what failed, and ending the run at any
// prompt takes the run's own abort path, which lets its folders go.
TEST_F(RunLockTest, AHeldFolderBoxNamesItsFolderAndEndingTheRunThereLetsTheTargetGo) {
  HoldFolder(DownloadFolder());
  operator_.Answer({kEndTheRun});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  const ShownBox& held = operator_.Boxes()[0];
  EXPECT_EQ(held.kind, BoxKind::kHeldFolder);
  EXPECT_EQ(held.failure.number, error_number::kAccessDenied);
  EXPECT_EQ(held.failure.file, kDownloadFolder);
  EXPECT_TRUE(held.failure.heldByAnotherRun);
  EXPECT_EQ(operator_.Boxes()[1].kind, BoxKind::kCanceled);
  EXPECT_EQ(operator_.Boxes()[1].failure.number, error_number::kAccessDenied);
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "old");
  ExpectLetGo(target_);
}

TEST_F(RunLockTest, EndingTheRunAtAFilePromptAbortsWithItsNumberAndLetsBothFoldersGo) {
  fs::remove(target_ / "A.TXT");
  fs::create_directories(target_ / "A.TXT");
  operator_.Answer({kEndTheRun});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  const ShownBox& failed = operator_.Boxes()[0];
  EXPECT_EQ(failed.kind, BoxKind::kFileFailure);
  EXPECT_NE(failed.failure.number, 0);
  EXPECT_EQ(failed.failure.file, source_.string() + "\\A.TXT");
  EXPECT_FALSE(failed.failure.heldByAnotherRun);
  EXPECT_EQ(operator_.Boxes()[1].kind, BoxKind::kCanceled);
  EXPECT_EQ(operator_.Boxes()[1].failure.number, failed.failure.number);
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_TRUE(dialog_->ended);
  ExpectLetGo(target_);
  ExpectLetGo(DownloadFolder());
}

TEST_F(RunLockTest, EndingTheRunAtTheCompletionBoxEndsItAsAnAbortedOne) {
  operator_.Answer({kEndTheRun});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  ASSERT_EQ(operator_.Boxes().size(), 2u);
  EXPECT_EQ(operator_.Boxes()[0].kind, BoxKind::kCompleted);
  EXPECT_EQ(operator_.Boxes()[1].kind, BoxKind::kCanceled);
  EXPECT_EQ(RunAborted, kTrue);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "new");
  ExpectLetGo(target_);
}

}  // namespace
}  // namespace quelb::testing

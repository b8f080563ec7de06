// A journal of renames on real folders: a commit, and a recovery from every point a kill can
// leave it at, forward and back, with files another hand changed left as they are.
#include "engine/journal.h"

#include "dialog/dialog_double.h"
#include "engine_world.h"

namespace quelb::testing {
namespace {

using Way = JournalOutcome::Way;

class JournalTest : public EngineWorld {
 protected:
  // A release of two files: A.EXE replaces an old one, which is kept; B.DAT is new.
  JournalTest() {
    WriteFile(target_ / "A.EXE", "old a");
    Stage();
  }

  void Stage() {
    WriteFile(target_ / ".new-A.EXE", "new a");
    WriteFile(target_ / ".new-B.DAT", "new b");
    journal_.steps = {Step(JournalStep::Kind::kKeep, "A.EXE", ".old-A.EXE"),
                      Step(JournalStep::Kind::kPlace, ".new-A.EXE", "A.EXE"),
                      Step(JournalStep::Kind::kPlace, ".new-B.DAT", "B.DAT")};
  }

  Text InTarget(const std::string& name) const { return target_.string() + "\\" + name; }

  JournalStep Step(JournalStep::Kind kind, const std::string& from, const std::string& to) {
    return {kind, InTarget(from), InTarget(to), IdentityOf(errors_, InTarget(from))};
  }

  // The journal as a kill after its first steps leaves it.
  void KilledAfter(size_t steps) {
    WriteFileDurably(errors_, JournalPath(), JournalText(journal_));
    for (size_t index = 0; index < steps; ++index) {
      RenameWithoutReplacing(errors_, journal_.steps[index].from, journal_.steps[index].to);
    }
    ASSERT_EQ(errors_.number, 0);
  }

  Text JournalPath() const { return InTarget("journal"); }

  void ExpectNewRelease() {
    EXPECT_EQ(ReadFile(target_ / "A.EXE"), "new a");
    EXPECT_EQ(ReadFile(target_ / "B.DAT"), "new b");
    EXPECT_EQ(ReadFile(target_ / ".old-A.EXE"), "old a");
    EXPECT_EQ(NamesIn(target_),
              (std::vector<std::string>{".old-A.EXE", "A.EXE", "B.DAT", "journal"}));
  }

  void ExpectOldRelease() {
    EXPECT_EQ(ReadFile(target_ / "A.EXE"), "old a");
    EXPECT_EQ(NamesIn(target_), (std::vector<std::string>{"A.EXE", "journal"}));
  }

  Journal journal_;
};

TEST_F(JournalTest, ACommitPlacesTheReleaseAndKeepsWhatItReplaced) {
  const JournalOutcome outcome = CommitJournal(errors_, JournalPath(), journal_);

  EXPECT_EQ(errors_.number, 0);
  EXPECT_TRUE(outcome.finished);
  EXPECT_TRUE(outcome.leftAlone.empty());
  ExpectNewRelease();
  EXPECT_EQ(RecoverJournal(errors_, JournalPath()).way, Way::kNothingToDo);
}

TEST_F(JournalTest, AKillAtAnyStepIsRecoveredForward) {
  for (size_t steps = 0; steps <= journal_.steps.size(); ++steps) {
    SCOPED_TRACE(steps);
    KilledAfter(steps);

    const JournalOutcome outcome = RecoverJournal(errors_, JournalPath());

    EXPECT_EQ(outcome.way, Way::kForward);
    EXPECT_TRUE(outcome.finished);
    ExpectNewRelease();
    // The next case starts from the release as it was staged.
    for (auto step = journal_.steps.rbegin(); step != journal_.steps.rend(); ++step) {
      RenameWithoutReplacing(errors_, step->to, step->from);
    }
  }
}

TEST_F(JournalTest, AStagedFileThatIsGoneTurnsTheJournalBackFromAnyStep) {
  for (size_t steps = 0; steps < journal_.steps.size(); ++steps) {
    SCOPED_TRACE(steps);
    if (steps > 0) Stage();
    KilledAfter(steps);
    fs::remove(target_ / ".new-B.DAT");

    const JournalOutcome outcome = RecoverJournal(errors_, JournalPath());

    EXPECT_EQ(outcome.way, Way::kBack);
    EXPECT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.leftAlone.empty());
    ExpectOldRelease();
  }
}

TEST_F(JournalTest, AFileChangedSinceIsLeftAsItIs) {
  KilledAfter(1);
  fs::remove(target_ / ".new-B.DAT");
  // The suite wrote the kept file anew after the kill.
  WriteFile(target_ / ".old-A.EXE", "written by the suite");

  const JournalOutcome outcome = RecoverJournal(errors_, JournalPath());

  EXPECT_EQ(outcome.way, Way::kBack);
  EXPECT_EQ(outcome.leftAlone, std::vector<Text>{InTarget(".old-A.EXE")});
  EXPECT_EQ(ReadFile(target_ / ".old-A.EXE"), "written by the suite");
  EXPECT_FALSE(fs::exists(target_ / "A.EXE"));
  EXPECT_FALSE(fs::exists(target_ / ".new-A.EXE"));
}

TEST_F(JournalTest, AJournalThatIsNotWholeIsNone) {
  const Text whole = JournalText(journal_);
  Journal read;
  ASSERT_TRUE(ReadJournalText(whole, read));
  EXPECT_EQ(JournalText(read), whole);
  for (const size_t cut : {size_t{0}, whole.size() / 2, whole.size() - 1}) {
    EXPECT_FALSE(ReadJournalText(whole.substr(0, cut), read)) << cut;
  }
  WriteFile(target_ / "journal", whole.substr(0, whole.size() - 4));
  EXPECT_EQ(RecoverJournal(errors_, JournalPath()).way, Way::kNothingToDo);
  EXPECT_TRUE(fs::exists(target_ / ".new-A.EXE"));
}

// setup's run finishes the release the unattended program was ended in, before its own work.
TEST_F(JournalTest, AnUpdateRunFinishesAnUnfinishedReleaseFirst) {
  fs::create_directories(target_ / kDeployFolderName);
  WriteFileDurably(errors_, JournalPathIn(target_.string()), JournalText(journal_));
  RenameWithoutReplacing(errors_, journal_.steps[0].from, journal_.steps[0].to);
  WriteFile(source_ / "B.DAT", "from the run");

  EXPECT_EQ(UpdateRun(RunDialog(source_.string(), target_.string()), errors_),
            RunOutcome::kCompleted);
  ForgetDialogs();

  EXPECT_EQ(ReadFile(target_ / "A.EXE"), "new a");
  EXPECT_EQ(ReadFile(target_ / "B.DAT"), "from the run");
  EXPECT_EQ(operator_.Boxes().size(), 1u);
}

}  // namespace
}  // namespace quelb::testing

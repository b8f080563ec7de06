// What a watcher of the run is told of each name, and the names it leaves as they are.
#include "engine/delivery_watch.h"

#include <algorithm>
#include <map>

#include "dialog/dialog_double.h"
#include "engine_world.h"
#include "services/files.h"
#include "support/engine_archive.h"
#include "support/second_process.h"

namespace quelb::testing {
namespace {

class RecordingWatch : public DeliveryWatch {
 public:
  bool LeavesUnchanged(const UpdateRunState& run) override {
    return std::count(unchanged.begin(), unchanged.end(), run.CurrentFile) > 0;
  }
  void ArchiveStarts(const UpdateRunState& run) override {
    archivesStarted.push_back(run.CurrentFile);
  }
  void NameStarts(const UpdateRunState& run) override { started.push_back(run.CurrentFile); }
  void NameSettled(const NameReport& report) override { reports[report.name] = report; }

  std::vector<Text> unchanged;
  std::vector<Text> started;
  std::vector<Text> archivesStarted;
  std::map<Text, NameReport> reports;
};

class DeliveryWatchTest : public EngineWorld {
 protected:
  ~DeliveryWatchTest() override { ForgetDialogs(); }

  RunOutcome Run() { return UpdateRun(RunDialog(source_.string(), target_.string()), errors_); }

  RecordingWatch watch_;
};

TEST_F(DeliveryWatchTest, EachNameIsReportedOnceWithWhatBecameOfIt) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  for (const char* name : {"GOOD.TXT", "SETUP.EXE", "LOCKED.TXT", "SAME.TXT", "NEWS.QLB"}) {
    WriteFile(source_ / name, "new");
  }
  WriteFile(target_ / "SAME.TXT", "old");
  WriteFile(target_ / "LOCKED.TXT", "old");
  MakeReadOnly(target_ / "LOCKED.TXT");
  ArchiveScript archive;
  archive.log = scratch_ / "archive.log";
  WriteArchive(source_ / "QUELBAP.EXE", archive);
  WriteFile(target_ / "AP.exe", "old program");
  SecondProcess holder(HolderCommand("open", target_ / "AP.exe"));
  ASSERT_TRUE(holder.Ready());
  watch_.unchanged = {"SAME.TXT"};
  operator_.Answer({IDIGNORE, IDIGNORE});

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  const std::map<Text, NameResult> expected = {
      {"GOOD.TXT", NameResult::kDelivered}, {"SETUP.EXE", NameResult::kLeftOut},
      {"LOCKED.TXT", NameResult::kSkipped}, {"SAME.TXT", NameResult::kUnchanged},
      {"NEWS.QLB", NameResult::kDelivered}, {"QUELBAP.EXE", NameResult::kNotExpanded}};
  ASSERT_EQ(watch_.reports.size(), expected.size());
  for (const auto& [name, result] : expected) {
    EXPECT_EQ(watch_.reports[name].result, result) << name;
  }
  EXPECT_NE(watch_.reports["LOCKED.TXT"].failure.number, 0);
  EXPECT_EQ(watch_.reports["NEWS.QLB"].target, "C:\\LDGRHOME\\DOWNLOAD\\NEWS.QLB");
  EXPECT_EQ(ReadFile(target_ / "SAME.TXT"), "old");
  EXPECT_EQ(std::count(watch_.started.begin(), watch_.started.end(), "SAME.TXT"), 0);
  EXPECT_EQ(watch_.started.size(), 5u);
  EXPECT_TRUE(watch_.archivesStarted.empty());
  EXPECT_EQ(operator_.Boxes().back().text, " 2 files copied or expanded.");
}

TEST_F(DeliveryWatchTest, AnArchiveIsReportedWithItsCommandAndExitCode) {
  ArchiveScript failing;
  failing.log = scratch_ / "archive.log";
  failing.exitCode = 7;
  WriteArchive(source_ / "QUELBAP.EXE", failing);
  operator_.Answer({IDABORT});

  EXPECT_EQ(Run(), RunOutcome::kAborted);

  const NameReport& report = watch_.reports["QUELBAP.EXE"];
  EXPECT_EQ(watch_.archivesStarted, std::vector<Text>{"QUELBAP.EXE"});
  EXPECT_EQ(report.result, NameResult::kFailed);
  EXPECT_EQ(report.exitCode, 7);
  EXPECT_NE(report.command.find("QUELBAP.EXE"), Text::npos);
  EXPECT_EQ(report.target, target_.string());
}

}  // namespace
}  // namespace quelb::testing

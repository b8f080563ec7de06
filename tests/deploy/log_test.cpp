// The log of whole deploys in this process, read back as the people who send it to support
// read it, and the log kept through a fatal end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "deploy/deploy.h"
#include "deploy/exit_codes.h"
#include "deploy/log_files.h"
#include "deploy/log_watch.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/digest.h"
#include "support/engine_archive.h"
#include "support/guards.h"
#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;
using namespace quelb::deploy;

bool Holds(const std::string& line, const std::string& part) {
  return line.find(part) != std::string::npos;
}

// The line of the log that holds every part, or an empty one.
std::string LineWith(const std::vector<std::string>& lines,
                     std::initializer_list<std::string> parts) {
  for (const std::string& line : lines) {
    if (std::all_of(parts.begin(), parts.end(),
                    [&](const auto& part) { return Holds(line, part); }))
      return line;
  }
  return {};
}

// The lines of a log; each ends in CR LF on Windows, LF elsewhere.
std::vector<std::string> Lines(const fs::path& log) {
  std::vector<std::string> lines = LogLines(log);
  for (std::string& line : lines) {
#ifdef _WIN32
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "no CR LF: " << line;
#endif
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return lines;
}

std::string Digest(const std::string& bytes) {
  ErrorState errors;
  return Sha256OfBytes(errors, bytes);
}

class LogTest : public ::testing::Test {
 protected:
  LogTest() {
    fs::create_directories(source_);
    fs::create_directories(target_);
    options_.sources = {source_.string()};
    options_.target = target_.string();
    options_.download = (scratch_ / "download").string();
    options_.waitSeconds = 0;
    options_.retries = 0;
    options_.logFile = log_.string();
  }
  ~LogTest() override { DownloadFolder = kDownloadFolder; }

  std::vector<fs::path> TargetLogs() const {
    std::vector<fs::path> logs;
    for (const auto& entry : fs::directory_iterator(target_ / ".quelb-deploy" / "logs")) {
      logs.push_back(entry.path());
    }
    std::sort(logs.begin(), logs.end());
    return logs;
  }

  TempFolder scratch_;
  fs::path source_ = scratch_ / "source";
  fs::path target_ = scratch_ / "target";
  fs::path log_ = scratch_ / "deploy.log";
  Options options_;
  CurrentFolderGuard currentFolder_;
};

// A folder in a file's place makes that file's delivery fail on every platform.
TEST_F(LogTest, EachNameEachQuestionAndTheEndAreLoggedWithWhatBecameOfThem) {
  WriteFile(source_ / "NEW.TXT", "new file");
  WriteFile(source_ / "OLD.TXT", "replacing");
  WriteFile(target_ / "OLD.TXT", "old");
  WriteFile(source_ / "SETUP.EXE", "setup");
  WriteFile(source_ / "NEWS.QLB", "package");
  WriteFile(source_ / "BAD.TXT", "bad");
  fs::create_directories(target_ / "BAD.TXT");
  ArchiveScript archive;
  archive.log = scratch_ / "archive.log";
  WriteArchive(source_ / "QUELBAP.EXE", archive);
  options_.keepGoing = true;

  EXPECT_EQ(RunDeploy(options_), kFileNotDelivered);

  const std::vector<std::string> lines = Lines(log_);
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0].rfind("quelb-deploy ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("command line: ", 0), 0u) << lines[1];
  for (const char* head : {"account: ", "machine: ", "system: ", "started: "}) {
    EXPECT_FALSE(LineWith(lines, {head}).empty()) << head;
  }
  EXPECT_FALSE(LineWith(lines, {" copied ", "NEW.TXT", "size 8", Digest("new file")}).empty());
  EXPECT_FALSE(LineWith(lines, {" replaced ", "OLD.TXT", "size 9", Digest("replacing")}).empty());
  EXPECT_FALSE(LineWith(lines, {" left out ", "SETUP.EXE"}).empty());
  EXPECT_FALSE(LineWith(lines, {" package ", "NEWS.QLB", "download", Digest("package")}).empty());
  EXPECT_FALSE(LineWith(lines, {" expanded ", "QUELBAP.EXE", " exit code 0 command: "}).empty());
  const std::string failed = LineWith(lines, {" skipped ", "BAD.TXT", " error "});
  EXPECT_FALSE(failed.empty());
  EXPECT_FALSE(Holds(failed, "sha256")) << "nothing was delivered: " << failed;
  EXPECT_FALSE(LineWith(lines, {" question ", "Attempting to copy", "BAD.TXT", "answer Ignore",
                                "--retries exhausted"})
                   .empty());
  EXPECT_FALSE(LineWith(lines, {" question ", "Update is Completed", "answer OK"}).empty());
  EXPECT_TRUE(Holds(lines.back(), " 4 files copied or expanded. exit code 6")) << lines.back();

  // The log in the target says the same, line for line.
  const std::vector<fs::path> logs = TargetLogs();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(Lines(logs[0]), lines);
}

// A name replaces its target where the target was there before it, whatever put it there:
// the operator, an earlier source of the same deploy, or an archive.
TEST_F(LogTest, ANameReplacesWhatWasThereBeforeItWhateverPutItThere) {
  const fs::path again = scratch_ / "src-again";
  const fs::path archives = scratch_ / "src-archives";
  const fs::path later = scratch_ / "src-later";
  for (const fs::path& folder : {again, archives, later}) fs::create_directories(folder);
  WriteFile(source_ / "TWICE.TXT", "first");
  WriteFile(source_ / "KEPT.TXT", "new");
  WriteFile(target_ / "KEPT.TXT", "old");
#ifdef _WIN32
  SetAttributes(target_ / "KEPT.TXT", kHiddenAttribute);
#endif
  ArchiveScript archive;
  archive.log = scratch_ / "archive.log";
  archive.unpackName = "UNPACKED.DAT";
  WriteArchive(archives / "QUELBAP.EXE", archive);
  WriteFile(again / "TWICE.TXT", "second");
  WriteFile(later / "UNPACKED.DAT", "over what the archive made");
  options_.sources = {source_.string(), again.string(), archives.string(), later.string()};
  options_.staged = false;

  ASSERT_EQ(RunDeploy(options_), kDelivered);

  const std::vector<std::string> lines = Lines(log_);
  EXPECT_FALSE(LineWith(lines, {" copied ", "TWICE.TXT", Digest("first")}).empty());
  EXPECT_FALSE(LineWith(lines, {" replaced ", "TWICE.TXT", Digest("second")}).empty());
  EXPECT_FALSE(LineWith(lines, {" replaced ", "KEPT.TXT"}).empty());
  EXPECT_FALSE(LineWith(lines, {" replaced ", "UNPACKED.DAT"}).empty());

  // Again, the name left as it is logs its source's size.
  ASSERT_EQ(RunDeploy(options_), kDelivered);
  EXPECT_FALSE(LineWith(Lines(log_), {" unchanged ", "KEPT.TXT", "size 3"}).empty());
}

TEST_F(LogTest, TheTargetKeepsTheNewest20LogsAndLogFileIsAddedTo) {
  const fs::path folder = target_ / ".quelb-deploy" / "logs";
  fs::create_directories(folder);
  for (int second = 10; second < 35; ++second) {
    WriteFile(folder / ("20260101-1200" + std::to_string(second) + "-000.log"), "old\n");
  }
  WriteFile(folder / "notes.txt", "the operator's own");
#ifdef _WIN32
  WriteFile(log_, "before\r\n");
#else
  WriteFile(log_, "before\n");
#endif
  WriteFile(source_ / "A.TXT", "a");
  // The second deploy delivers its name again rather than leave it unchanged.
  options_.all = true;

  EXPECT_EQ(RunDeploy(options_), kDelivered);
  EXPECT_EQ(RunDeploy(options_), kDelivered);

  std::vector<fs::path> logs = TargetLogs();
  ASSERT_FALSE(logs.empty());
  EXPECT_EQ(logs.back().filename(), "notes.txt");
  logs.pop_back();
  ASSERT_EQ(logs.size(), kLogsKept);
  // The two new logs are the newest; the oldest of the others went.
  for (const size_t newer : {kLogsKept - 2, kLogsKept - 1}) {
    EXPECT_TRUE(Holds(Lines(logs[newer]).back(), "  1 files copied or expanded. exit code 0"));
  }
  EXPECT_EQ(logs[0].filename(), "20260101-120017-000.log");

  const std::vector<std::string> lines = Lines(log_);
  EXPECT_EQ(lines.front(), "before");
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(),
                    [](const std::string& line) { return line.rfind("quelb-deploy ", 0) == 0; }),
      2);
}

TEST_F(LogTest, ALogThatCannotBeWrittenChangesNothingButIsSaid) {
  fs::create_directories(target_ / ".quelb-deploy");
  WriteFile(target_ / ".quelb-deploy" / "logs", "a file where the folder would be");
  WriteFile(source_ / "A.TXT", "a");
  options_.logFile = (scratch_ / "missing" / "deploy.log").string();

  ::testing::internal::CaptureStderr();
  const int code = RunDeploy(options_);
  const std::string said = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(code, kDelivered);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "a");
  EXPECT_TRUE(Holds(said, "deploy.log cannot be written")) << said;
  EXPECT_TRUE(Holds(said, "logs cannot be written") || Holds(said, ".log cannot be written"))
      << said;

  // A target that cannot be used gets no log; the file of --log still tells the end.
  WriteFile(scratch_ / "file", "");
  options_.target = (scratch_ / "file" / "target").string();
  options_.logFile = log_.string();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RunDeploy(options_), kFolderUnusable);
  EXPECT_TRUE(Holds(::testing::internal::GetCapturedStderr(), "no log is written in"));
  EXPECT_TRUE(Holds(Lines(log_).back(), "NO files copied or expanded. exit code 4"));
}

// A fatal number ends the process at once: the log still ends with its line and exit code.
// Where the death test starts this program anew, the log's path comes through the
// environment, as the fixture's folder is another one there and the test runs anew up to
// the statement.
TEST_F(LogTest, AFatalEndWritesTheLastLineBeforeTheProcessEnds) {
  const char* inherited = std::getenv("QUELB_TEST_FATAL_LOG");
  EnvironmentGuard logPath("QUELB_TEST_FATAL_LOG", inherited ? inherited : log_.string());
  EXPECT_EXIT(
      {
        SetFatalEnd(EndAfterFatalError);
        options_.logFile = std::getenv("QUELB_TEST_FATAL_LOG");
        DeployRecord record(options_);
        ErrorState errors;
        StoreError(errors, error_number::kFatal);
      },
      ::testing::ExitedWithCode(kOtherFailure), "");

  const std::vector<std::string> lines = Lines(log_);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(Holds(lines.back(), "fatal error 241. NO files copied or expanded. exit code " +
                                      std::to_string(kOtherFailure)))
      << lines.back();
}

}  // namespace
}  // namespace quelb::testing

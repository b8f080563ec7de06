// Whole deploys onto a disk whose every write and flush is logged: the disk as a power cut at
// any flush of the staging or the commit left it, recovered by --recover, holds the old release
// or the new one, every file of it, in the target and the download folder alike; so does a
// disk that begins to fail its writes in the middle of the commit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "deploy/deploy.h"
#include "deploy/exit_codes.h"
#include "engine/engine.h"
#include "engine/journal.h"
#include "engine/process_values.h"
#include "services/process.h"
#include "support/engine_archive.h"
#include "support/guards.h"
#include "support/logged_disk.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;
using namespace quelb::deploy;

constexpr int kFiles = 20;

// The release's files, each with its old and its new content; the last files are new to the
// suite.
struct ReleaseFile {
  std::string relative;
  std::string oldContent;  // empty for a file the old release does not have
  std::string newContent;
};

std::vector<ReleaseFile> ReleaseFiles() {
  std::vector<ReleaseFile> files;
  for (int i = 0; i < kFiles; ++i) {
    std::string oldContent, newContent;
    while (newContent.size() < 6000) {
      if (i < kFiles - 4) oldContent += "old " + std::to_string(i) + ";";
      newContent += "new " + std::to_string(i) + ";";
    }
    files.push_back({"QUELB/F" + std::to_string(i) + ".DAT", oldContent, newContent});
  }
  files.push_back({"QUELB/AP.exe", "old program", "new program"});
  files.push_back({"DOWNLOAD/RATES.QLB", "old rates", "new rates"});
  return files;
}

int64_t InodeOf(const fs::path& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_ino) : -1;
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = LoggedDisk::WhyNot();
    if (!why.empty()) GTEST_SKIP() << why;
    fs::create_directories(source_);
    ArchiveScript archive;
    archive.log = scratch_ / "archive.log";
    archive.unpackContent = "new program";
    WriteArchive(source_ / "QUELBAP.EXE", archive);
    for (const ReleaseFile& file : files_) {
      if (!file.relative.starts_with("QUELB/AP")) {
        WriteFile(source_ / fs::path(file.relative).filename(), file.newContent);
      }
    }
    const std::string failed = disk_.Start([&](const fs::path& root) {
      fs::create_directories(root / "QUELB");
      fs::create_directories(root / "DOWNLOAD");
      for (const ReleaseFile& file : files_) {
        if (file.oldContent.empty()) continue;
        WriteFile(root / file.relative, file.oldContent);
        oldInodes_[file.relative] = InodeOf(root / file.relative);
      }
    });
    if (!failed.empty()) GTEST_SKIP() << failed;
    options_.sources = {source_.string()};
    options_.target = (disk_.Root() / "QUELB").string();
    options_.download = (disk_.Root() / "DOWNLOAD").string();
    options_.waitSeconds = 0;
    options_.retries = 0;
  }
  ~PowerCutTest() override {
    DownloadFolder = kDownloadFolder;
    ArchiveTimeLimit = kNoTimeLimit;
  }

  int Recover() {
    Options recover = options_;
    recover.sources.clear();
    recover.recover = true;
    return RunDeploy(recover);
  }

  // "old" when every file is the old one, by its content and its inode, "new" when every file
  // holds the new content, else the first file that is neither.
  std::string ReleaseAt(const fs::path& root) const {
    bool old = true, fresh = true;
    for (const ReleaseFile& file : files_) {
      const fs::path path = root / file.relative;
      const std::string content = fs::exists(path) ? ReadFile(path) : "";
      const bool isOld =
          file.oldContent.empty()
              ? !fs::exists(path)
              : content == file.oldContent && InodeOf(path) == oldInodes_.at(file.relative);
      const bool isNew = content == file.newContent;
      if (!isOld && !isNew) return file.relative + " is neither old nor new";
      old = old && isOld;
      fresh = fresh && isNew;
      if (!old && !fresh) return file.relative + " makes the release mixed";
    }
    return old ? "old" : "new";
  }

  // Each flush's state, recovered, is one release or the other; the count of each.
  std::map<std::string, int> RecoveredFlushStates() {
    std::map<std::string, int> seen;
    disk_.ForEachFlushState([&](const fs::path& root, bool) {
      EXPECT_EQ(Recover(), kDelivered) << "at flush " << seen.size();
      const std::string release = ReleaseAt(root);
      EXPECT_TRUE(release == "old" || release == "new") << release;
      ++seen[release];
    });
    return seen;
  }

  TempFolder scratch_;
  fs::path source_ = scratch_ / "source";
  std::vector<ReleaseFile> files_ = ReleaseFiles();
  std::map<std::string, int64_t> oldInodes_;
  LoggedDisk disk_;
  Options options_;
  CurrentFolderGuard currentFolder_;
};

TEST_F(PowerCutTest, EveryFlushOfADeployRecoversToTheOldReleaseOrTheNew) {
  ASSERT_EQ(RunDeploy(options_), kDelivered);
  disk_.Stop();

  const std::map<std::string, int> seen = RecoveredFlushStates();
  EXPECT_GT(seen.count("old") ? seen.at("old") : 0, 10) << "flushes while staging";
  EXPECT_GT(seen.count("new") ? seen.at("new") : 0, 2) << "flushes once committed";
  disk_.WithFinalState([&](const fs::path& root) { EXPECT_EQ(ReleaseAt(root), "new"); });
}

// The disk fails every write outside its own journal from the moment the commit has tested the
// program it replaces, which a second process holds until then.
TEST_F(PowerCutTest, ADiskThatFailsWritesInTheCommitRecoversToTheOldReleaseOrTheNew) {
  options_.waitSeconds = 60;
  const fs::path log = scratch_ / "deploy.log";
  options_.logFile = log.string();
  auto holder =
      std::make_unique<SecondProcess>(HolderCommand("open", disk_.Root() / "QUELB/AP.exe"));
  ASSERT_TRUE(holder->Ready());
  std::atomic<bool> failing = false;
  std::thread failer([&] {
    for (int wait = 0; wait < 6000; ++wait) {
      std::ifstream in(log);
      const std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
      if (text.find("in use - RETRY") != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    disk_.FailWritesOutsideTheJournal();
    failing = true;
    holder->End();
  });

  const int code = RunDeploy(options_);
  failer.join();
  ASSERT_TRUE(failing);
  EXPECT_NE(code, kDelivered) << "a commit onto a failing disk reported as done";
  disk_.Stop();

  const std::map<std::string, int> seen = RecoveredFlushStates();
  EXPECT_GT(seen.count("old") ? seen.at("old") : 0, 10) << "flushes while staging";
  disk_.WithFinalState([&](const fs::path& root) {
    EXPECT_EQ(Recover(), kDelivered);
    const std::string release = ReleaseAt(root);
    EXPECT_TRUE(release == "old" || release == "new") << release;
  });
}

// A commit ended half-way, its journal written and its first renames made, and the disk found
// again after the power cut under another device number: the recovery still knows its files.
TEST_F(PowerCutTest, ACommitEndedHalfWayIsFinishedOnTheDiskFoundUnderAnotherDevice) {
  ErrorState errors;
  const Text target = options_.target;
  fs::create_directories(disk_.Root() / "QUELB/.quelb-deploy");
  WriteFile(disk_.Root() / "QUELB/.quelb-deploy/F0.DAT", files_[0].newContent);
  WriteFile(disk_.Root() / "QUELB/.quelb-deploy/F1.DAT", files_[1].newContent);
  Journal journal;
  for (const char* name : {"F0.DAT", "F1.DAT"}) {
    const Text final = target + "\\" + name;
    const Text kept = target + "\\.quelb-deploy\\OLD-" + name;
    const Text stagedFile = target + "\\.quelb-deploy\\" + name;
    journal.steps.push_back({JournalStep::Kind::kKeep, final, kept, IdentityOf(errors, final)});
    journal.steps.push_back(
        {JournalStep::Kind::kPlace, stagedFile, final, IdentityOf(errors, stagedFile)});
  }
  WriteFileDurably(errors, JournalPathIn(target), JournalText(journal));
  for (int step = 0; step < 3; ++step) {
    RenameWithoutReplacing(errors, journal.steps[step].from, journal.steps[step].to);
  }
  SyncFolderEntries(errors, target);
  SyncFolderEntries(errors, target + "\\.quelb-deploy");
  ASSERT_EQ(errors.number, 0);
  disk_.Stop();

  disk_.WithFinalState([&](const fs::path& root) {
    EXPECT_EQ(Recover(), kDelivered);
    EXPECT_EQ(ReadFile(root / "QUELB/F0.DAT"), files_[0].newContent);
    EXPECT_EQ(ReadFile(root / "QUELB/F1.DAT"), files_[1].newContent);
  });
}

}  // namespace
}  // namespace quelb::testing

// Whole runs onto a disk whose every write and flush is logged (ext4 with its default
// options, dioread_nolock among them): a power cut at any flush leaves each replaced file
// old or new, and at each box everything the run delivered is new. A disk that fails its
// data writes or its flushes brings a prompt for each file and leaves every old file whole.
#include <sys/resource.h>

#include <map>
#include <set>

#include "../engine_world.h"
#include "dialog/dialog_double.h"
#include "services/folder_lock.h"
#include "support/engine_archive.h"
#include "support/logged_disk.h"

namespace quelb::testing {
namespace {

constexpr int kFiles = 24;
constexpr int kIgnore = 5;

std::string Name(int i) {
  return "F" + std::to_string(i) + ".DAT";
}

// Contents of some blocks that differ by file and by side, so that a file holding neither
// (zero-filled, cut short, another file's) is seen.
std::string Content(const std::string& side, int i) {
  std::string content;
  while (content.size() < 9000) content += side + " " + std::to_string(i) + ";";
  return content;
}

// Copies wait to be synced together in batches bounded by the descriptors a process may
// open, so a low limit gives a run of a few files several batches.
class FewDescriptors {
 public:
  explicit FewDescriptors(rlim_t most) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const struct rlimit low = {most, saved_.rlim_max};
    setrlimit(RLIMIT_NOFILE, &low);
  }
  ~FewDescriptors() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  struct rlimit saved_ {};
};

// Batches of 16 copies.
constexpr rlim_t kDescriptorsForSmallBatches = 96;

class CrashStateTest : public EngineWorld {
 protected:
  void SetUp() override {
    const std::string why = LoggedDisk::WhyNot();
    if (!why.empty()) GTEST_SKIP() << why;
    for (int i = 0; i < kFiles; ++i) WriteFile(source_ / Name(i), Content("new", i));
    const std::string failed = disk_.Start([](const fs::path& root) {
      fs::create_directories(root / "QUELB");
      for (int i = 0; i < kFiles; ++i) WriteFile(root / "QUELB" / Name(i), Content("old", i));
      WriteFile(root / "QUELB" / "AP.exe", "old program");
    });
    if (!failed.empty()) GTEST_SKIP() << failed;
  }
  ~CrashStateTest() override { ForgetDialogs(); }

  RunOutcome Run() {
    const dialog::DialogHandle dialog =
        RunDialog(source_.string(), (disk_.Root() / "QUELB").string());
    return UpdateRun(dialog, errors_);
  }

  // Each file's state by name: "old", "new" or what else it holds.
  static std::map<std::string, std::string> Classes(const fs::path& root) {
    std::map<std::string, std::string> classes;
    for (int i = 0; i < kFiles; ++i) {
      const fs::path file = root / "QUELB" / Name(i);
      const std::string content = fs::exists(file) ? ReadFile(file) : "missing";
      classes[Name(i)] = content == Content("old", i) ? "old"
                         : content == Content("new", i)
                             ? "new"
                             : std::to_string(content.size()) + " bytes of neither";
    }
    return classes;
  }

  LoggedDisk disk_;
};

TEST_F(CrashStateTest, EveryFlushLeavesOldOrNewAndEveryBoxAllNew) {
  WriteArchive(source_ / "QUELBAP.EXE", {scratch_ / "archive.log", "AP.exe", "new program", 0, ""});
  operator_.OnBox([&](const ShownBox&) { disk_.Mark(); });
  {
    const FewDescriptors few(kDescriptorsForSmallBatches);
    EXPECT_EQ(Run(), RunOutcome::kCompleted);
  }
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].text, " 25 files copied or expanded.");
  disk_.Stop();

  int boxes = 0, mixed = 0;
  disk_.ForEachFlushState([&](const fs::path& root, bool atBox) {
    std::set<std::string> seen;
    for (const auto& [name, state] : Classes(root)) {
      seen.insert(state);
      if (atBox) {
        EXPECT_EQ(state, "new") << name << " at the box";
      } else {
        EXPECT_TRUE(state == "old" || state == "new") << name << ": " << state;
      }
    }
    if (!atBox) {
      mixed += seen.size() > 1;
      return;
    }
    ++boxes;
    EXPECT_EQ(ReadFile(root / "QUELB" / "AP.exe"), "new program") << "unpacked, at the box";
    // The run's lock on its target is still held while the box shows.
    std::vector<std::string> names = NamesIn(root / "QUELB");
    std::erase(names, std::string(kFolderLockName));
    EXPECT_EQ(names.size(), kFiles + 1u) << "hidden names left at the box";
  });
  EXPECT_EQ(boxes, 1);
  EXPECT_GT(mixed, 0) << "a batch of new files reached the disk before the run ended";
}

TEST_F(CrashStateTest, FailingDataWritesArePromptedWith72AndLeaveTheOldFiles) {
  disk_.FailWritesOutsideTheJournal();
  for (int i = 0; i < kFiles; ++i) operator_.Answer({kIgnore});
  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  disk_.Stop();

  ASSERT_EQ(operator_.Boxes().size(), kFiles + 1u);
  std::set<std::string> prompted;
  for (int i = 0; i < kFiles; ++i) {
    EXPECT_EQ(operator_.Boxes()[i].title, "error # 72 occurred");
    EXPECT_EQ(operator_.Boxes()[i].style, kFilePromptStyle);
    prompted.insert(operator_.Boxes()[i].text);
  }
  EXPECT_EQ(prompted.size(), size_t{kFiles}) << "each file is asked about once, by its name";
  EXPECT_EQ(operator_.Boxes().back().text, "NO files copied or expanded.");
  disk_.WithFinalState([&](const fs::path& root) {
    for (const auto& [name, state] : Classes(root)) EXPECT_EQ(state, "old") << name;
    EXPECT_EQ(NamesIn(root / "QUELB").size(), kFiles + 1u) << "hidden names left behind";
  });
}

TEST_F(CrashStateTest, FailingFlushesAreAskedAboutBeforeTheBox) {
  disk_.FailFlushes();
  for (int i = 0; i < 2 * kFiles; ++i) operator_.Answer({kIgnore});
  EXPECT_EQ(Run(), RunOutcome::kCompleted);
  disk_.Stop();

  // Each file's data failed to reach the disk, and then so did the folder's entries: both are
  // asked about before the box.
  ASSERT_EQ(operator_.Boxes().size(), kFiles + 2u);
  std::set<std::string> prompted;
  for (int i = 0; i < kFiles; ++i) {
    EXPECT_EQ(operator_.Boxes()[i].title, "error # 72 occurred");
    prompted.insert(operator_.Boxes()[i].text);
  }
  EXPECT_EQ(prompted.size(), size_t{kFiles});
  EXPECT_EQ(operator_.Boxes()[kFiles].style, kFilePromptStyle) << "the folder sync's failure";
  EXPECT_EQ(operator_.Boxes().back().text, "NO files copied or expanded.");
  disk_.WithFinalState([&](const fs::path& root) {
    for (const auto& [name, state] : Classes(root)) EXPECT_EQ(state, "old") << name;
  });
}

}  // namespace
}  // namespace quelb::testing

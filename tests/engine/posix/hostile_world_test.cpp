// Runs in small random worlds of files and links, fixed by their seeds, whose target folder a
// second hand swaps for a link while a box is up: a run changes nothing outside its target
// and download folders, and every file in the target is one whole version.
#include <map>
#include <random>

#include "dialog/dialog_double.h"
#include "engine/engine_world.h"

namespace quelb::testing {
namespace {

constexpr unsigned kWorlds = 24;
constexpr unsigned kMostFiles = 6;

class HostileWorldTest : public EngineWorld {
 protected:
  ~HostileWorldTest() override { ForgetDialogs(); }

  void StartWorld() {
    for (const fs::path& folder : {target_, moved_, outside_}) fs::remove_all(folder);
    for (const auto& name : NamesIn(source_)) fs::remove(source_ / name);
    fs::create_directories(target_);
    fs::create_directories(outside_);
    for (int i = 0; i < 3; ++i) WriteFile(outside_ / ("O" + std::to_string(i)), "outside");
    versions_.clear();
  }

  // O3 is missing, so that a link to it dangles.
  fs::path AnyOutside(std::mt19937& random) {
    return outside_ / ("O" + std::to_string(random() % 4));
  }

  void MakeWorld(std::mt19937& random) {
    StartWorld();
    const unsigned files = 1 + random() % kMostFiles;
    for (unsigned i = 0; i < files; ++i) {
      const std::string name = "F" + std::to_string(i) + ".TXT";
      WriteFile(source_ / name, "new " + name);
      versions_[name] = {"old " + name, "new " + name};
      const unsigned kind = random() % 4;
      if (kind == 3) {
        fs::create_symlink(AnyOutside(random), target_ / name);
        continue;
      }
      if (kind > 0) WriteFile(target_ / name, "old " + name);
      if (kind == 2) MakeReadOnly(target_ / name);
    }
  }

  std::map<std::string, std::string> Outside() {
    std::map<std::string, std::string> contents;
    for (const auto& name : NamesIn(outside_)) contents[name] = ReadFile(outside_ / name);
    return contents;
  }

  // Every regular file is one whole version; a link is one that was there before.
  void ExpectWholeVersions(const fs::path& folder) {
    for (const auto& name : NamesIn(folder)) {
      if (fs::is_symlink(folder / name)) continue;
      ASSERT_TRUE(versions_.count(name)) << "a stray file " << name;
      const std::string content = ReadFile(folder / name);
      EXPECT_TRUE(content == versions_[name].first || content == versions_[name].second)
          << name << " holds " << content;
    }
  }

  fs::path moved_ = scratch_ / "moved";
  fs::path outside_ = scratch_ / "outside";
  std::map<std::string, std::pair<std::string, std::string>> versions_;
};

TEST_F(HostileWorldTest, ARunChangesNothingOutsideAndLeavesWholeVersions) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  for (unsigned seed = 1; seed <= kWorlds; ++seed) {
    SCOPED_TRACE("world " + std::to_string(seed));
    std::mt19937 random(seed);
    MakeWorld(random);
    const auto before = Outside();
    const bool swap = random() % 2 == 0;
    ScriptedOperator world;
    world.Answer({IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDOK});
    world.OnBox([&](const ShownBox&) {
      if (!swap || fs::is_symlink(target_)) return;
      fs::rename(target_, moved_);
      fs::create_directory_symlink(outside_, target_);
    });

    UpdateRun(RunDialog(source_.string(), target_.string()), errors_);

    EXPECT_EQ(Outside(), before);
    const bool swapped = fs::is_symlink(target_);
    ExpectWholeVersions(swapped ? moved_ : target_);
    if (swapped) fs::remove(target_);
  }
}

}  // namespace
}  // namespace quelb::testing

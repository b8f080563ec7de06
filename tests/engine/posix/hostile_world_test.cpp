// Runs in small random worlds of files and links, fixed by their seeds, whose target folder a
// second hand swaps for a link while a box is up, or a second process swaps folders and links
// all the while the run works: a run changes nothing outside its target and download
// folders, and every file in the target is one whole version.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "dialog/dialog_double.h"
#include "engine/engine_world.h"
#include "services/folder_lock.h"

namespace quelb::testing {
namespace {

constexpr unsigned kWorlds = 24;
constexpr unsigned kSwappedWorlds = 8;
constexpr unsigned kMostFiles = 6;
constexpr const char* kFlipName = ".flip";

// A second process that, once the run has locked the target, swaps it in a loop for a link to
// the outside folder and back, and meanwhile turns one of the target's names into a dangling
// link or a file of its old version. A folder swapped before the lock is simply the one the
// operator named.
class Swapper {
 public:
  Swapper(const fs::path& target, const fs::path& moved, const fs::path& outside,
          const std::vector<std::string>& names)
      : target_(target), moved_(moved) {
    void* shared = mmap(nullptr, sizeof(std::atomic<unsigned>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) throw std::runtime_error("no shared page");
    swaps_ = new (shared) std::atomic<unsigned>(0);
    const std::string dangling = (outside / "O3").string();
    pid_ = fork();
    if (pid_ == 0) Swap(outside.string(), dangling, names);
  }
  ~Swapper() { Stop(); }

  unsigned Swaps() const { return swaps_->load(); }

  // The run goes on only once the folders have moved under it a few times more.
  void WaitForSwaps(unsigned more) const {
    const unsigned until = Swaps() + more;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (Swaps() < until && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }

  // Ends the process wherever it is and puts the real target back under its name.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    if (fs::is_symlink(target_)) fs::remove(target_);
    if (fs::exists(moved_)) fs::rename(moved_, target_);
    fs::remove(target_ / kFlipName);
    munmap(swaps_, sizeof(std::atomic<unsigned>));
  }

 private:
  [[noreturn]] void Swap(const std::string& outside, const std::string& dangling,
                         const std::vector<std::string>& names) {
    const int real = open(target_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    while (faccessat(real, kFolderLockName, F_OK, AT_SYMLINK_NOFOLLOW) != 0) usleep(50);
    for (unsigned i = 0;; ++i) {
      rename(target_.c_str(), moved_.c_str());
      symlink(outside.c_str(), target_.c_str());
      Flip(real, names[i % names.size()], dangling, i % 2 == 0);
      unlink(target_.c_str());
      rename(moved_.c_str(), target_.c_str());
      swaps_->fetch_add(1);
    }
  }

  static void Flip(int real, const std::string& name, const std::string& dangling, bool toLink) {
    if (toLink) {
      symlinkat(dangling.c_str(), real, kFlipName);
    } else {
      const int fd = openat(real, kFlipName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      const std::string old = "old " + name;
      if (fd >= 0) {
        const ssize_t written = write(fd, old.data(), old.size());
        (void)written;
        close(fd);
      }
    }
    renameat(real, kFlipName, real, name.c_str());
  }

  fs::path target_;
  fs::path moved_;
  pid_t pid_ = -1;
  std::atomic<unsigned>* swaps_ = nullptr;
};

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

  std::vector<std::string> TargetNames() const {
    std::vector<std::string> names;
    for (const auto& version : versions_) names.push_back(version.first);
    return names;
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

TEST_F(HostileWorldTest, ASecondProcessSwappingFoldersAndLinksRedirectsNothing) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  for (unsigned seed = 1; seed <= kSwappedWorlds; ++seed) {
    SCOPED_TRACE("world " + std::to_string(seed));
    std::mt19937 random(seed);
    MakeWorld(random);
    const auto before = Outside();
    ScriptedOperator world;
    world.Answer({IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDIGNORE, IDOK});
    Swapper swapper(target_, moved_, outside_, TargetNames());
    world.OnBox([&](const ShownBox&) { swapper.WaitForSwaps(3); });

    UpdateRun(RunDialog(source_.string(), target_.string()), errors_);
    const unsigned swaps = swapper.Swaps();
    swapper.Stop();

    EXPECT_GT(swaps, 0u) << "nothing was swapped while the run worked";
    EXPECT_EQ(Outside(), before);
    ExpectWholeVersions(target_);
  }
}

}  // namespace
}  // namespace quelb::testing

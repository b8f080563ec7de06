#include "support/logged_disk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "support/second_process.h"

extern char** environ;

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;

constexpr off_t kDiskSize = off_t{32} << 20;
constexpr off_t kBlockSize = 4096;
constexpr int kMountWaits = 1000;

// The record layout of the logging disk's log.
enum RecordKind : uint32_t { kWrite = 1, kFlush = 2, kMark = 3 };
struct RecordHead {
  uint32_t kind;
  uint32_t length;
  uint64_t offset;
};

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
    pclose(pipe);
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void WriteTo(const fs::path& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0) << path;
  EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string LoggedDisk::WhyNot() {
  if (geteuid() != 0) return "mounting a loop device needs root";
  if (access("/dev/fuse", R_OK | W_OK) != 0) return "no /dev/fuse here";
  if (access(TestProgram("logging_disk").c_str(), X_OK) != 0) {
    return "the logging disk was not built (libfuse3-dev missing)";
  }
  for (const char* tool : {"losetup", "mkfs.ext4", "debugfs", "fusermount3", "mount"}) {
    if (!Run(std::string("command -v ") + tool)) return std::string(tool) + " is missing";
  }
  return "";
}

std::string LoggedDisk::Start(const std::function<void(const fs::path&)>& prepare) {
  for (const fs::path& folder : {fuse_, mounted_}) fs::create_directories(folder);
  std::ofstream(base_).close();
  fs::resize_file(base_, kDiskSize);
  if (!Run("mkfs.ext4 -q -F -b 4096 " + base_.string())) return "mkfs.ext4 failed";
  if (!Run("mount -t ext4 -o loop " + base_.string() + " " + mounted_.string())) {
    return "cannot mount a loop device here";
  }
  prepare(mounted_);
  if (!Run("umount " + mounted_.string())) return "cannot unmount the prepared image";
  fs::copy_file(base_, served_, fs::copy_options::overwrite_existing);

  std::vector<std::string> words = {TestProgram("logging_disk"), served_.string(), log_.string(),
                                    fuse_.string()};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  if (posix_spawn(&daemon_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    daemon_ = -1;
    return "cannot start the logging disk";
  }
  // The file system is there once its disk file is; a daemon that failed has ended.
  for (int wait = 0; !fs::exists(fuse_ / "disk"); ++wait) {
    if (wait == kMountWaits || waitpid(daemon_, nullptr, WNOHANG) != 0) {
      return "the logging disk did not mount";
    }
    usleep(10000);
  }
  loop_ = Output("losetup -f --show " + (fuse_ / "disk").string());
  if (loop_.empty()) return "losetup cannot attach the logging disk";
  if (!Run("mount -t ext4 " + loop_ + " " + mounted_.string())) {
    return "cannot mount the logging disk";
  }
  diskMounted_ = true;
  return "";
}

void LoggedDisk::Mark() {
  WriteTo(fuse_ / "mark", "box");
}

// The journal's blocks as debugfs lists its extents: "(0-9):11-20, (10-24):22-36".
std::vector<std::pair<off_t, off_t>> LoggedDisk::JournalRanges() const {
  const std::string listing = Output("debugfs -R 'stat <8>' " + base_.string());
  const std::regex extent(R"(\(\d+-\d+\):(\d+)-(\d+))");
  std::vector<std::pair<off_t, off_t>> ranges;
  for (auto match = std::sregex_iterator(listing.begin(), listing.end(), extent);
       match != std::sregex_iterator(); ++match) {
    ranges.emplace_back(std::stoll((*match)[1]) * kBlockSize,
                        (std::stoll((*match)[2]) + 1) * kBlockSize);
  }
  return ranges;
}

void LoggedDisk::FailWritesOutsideTheJournal() {
  const auto ranges = JournalRanges();
  ASSERT_FALSE(ranges.empty()) << "debugfs listed no journal";
  std::ostringstream order;
  for (const auto& [from, to] : ranges) order << from << " " << to << " ";
  WriteTo(fuse_ / "fail", order.str());
}

void LoggedDisk::FailFlushes() {
  WriteTo(fuse_ / "fail", "flushes");
}

// A completed run leaves its target current, which would keep the disk busy.
void LoggedDisk::LeaveMountedFolder() const {
  if (fs::current_path().string().starts_with(mounted_.string())) fs::current_path(folder_.Path());
}

void LoggedDisk::Stop() {
  if (daemon_ < 0) return;
  LeaveMountedFolder();
  if (diskMounted_) {
    EXPECT_TRUE(Run("umount " + mounted_.string())) << "the disk stays busy";
  }
  diskMounted_ = false;
  if (!loop_.empty()) {
    EXPECT_TRUE(Run("losetup -d " + loop_));
  }
  loop_.clear();
  if (!Run("fusermount3 -u " + fuse_.string())) kill(daemon_, SIGTERM);
  waitpid(daemon_, nullptr, 0);
  daemon_ = -1;
}

LoggedDisk::~LoggedDisk() {
  Stop();
}

void LoggedDisk::WithImageMounted(const fs::path& image,
                                  const std::function<void(const fs::path&)>& check) {
  // Mounting replays the journal, as the first mount after a power cut does.
  ASSERT_FALSE(diskMounted_) << "crash states are mounted once the disk is stopped";
  ASSERT_TRUE(Run("mount -t ext4 -o loop " + image.string() + " " + mounted_.string()))
      << "a crash state does not mount";
  check(mounted_);
  LeaveMountedFolder();
  ASSERT_TRUE(Run("umount " + mounted_.string()));
}

// After a power cut a disk may come back under another device number, as one found in
// another order at start-up does: while the crash states are mounted, the loop device that
// the disk had (the first free one) is held by a placeholder, so that they get another.
LoggedDisk::OtherDevice::OtherDevice(const fs::path& placeholder) {
  std::ofstream(placeholder).close();
  fs::resize_file(placeholder, kBlockSize);
  loop_ = Output("losetup -f --show " + placeholder.string());
}

LoggedDisk::OtherDevice::~OtherDevice() {
  if (!loop_.empty()) Run("losetup -d " + loop_);
}

void LoggedDisk::ForEachFlushState(const std::function<void(const fs::path&, bool)>& check) {
  const OtherDevice other(folder_ / "placeholder.img");
  const std::string log = ReadAll(log_);
  const fs::path state = folder_ / "state.img";
  const fs::path flushed = folder_ / "flushed.img";
  fs::copy_file(base_, state, fs::copy_options::overwrite_existing);
  fs::copy_file(base_, flushed, fs::copy_options::overwrite_existing);
  const int fd = open(state.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  bool changed = false;
  for (size_t at = 0; at + sizeof(RecordHead) <= log.size();) {
    RecordHead head;
    std::memcpy(&head, log.data() + at, sizeof head);
    at += sizeof head;
    if (head.kind == kWrite) {
      ASSERT_EQ(pwrite(fd, log.data() + at, head.length, static_cast<off_t>(head.offset)),
                static_cast<ssize_t>(head.length));
      at += head.length;
      changed = true;
    } else if (head.kind == kFlush && changed) {
      fs::copy_file(state, flushed, fs::copy_options::overwrite_existing);
      WithImageMounted(flushed, [&](const fs::path& root) { check(root, false); });
      changed = false;
    } else if (head.kind == kMark) {
      WithImageMounted(flushed, [&](const fs::path& root) { check(root, true); });
    }
  }
  close(fd);
}

void LoggedDisk::WithFinalState(const std::function<void(const fs::path&)>& check) {
  const OtherDevice other(folder_ / "placeholder.img");
  fs::copy_file(served_, folder_ / "final.img", fs::copy_options::overwrite_existing);
  WithImageMounted(folder_ / "final.img", check);
}

}  // namespace quelb::testing

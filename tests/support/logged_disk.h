// A small ext4 disk whose every write and cache flush is logged: an image file served by the
// logging disk (a FUSE file system) under a loop device. The disk can be rebuilt as a power
// cut at each flush would have left it, and can be made to fail writes as a failing disk
// does. Only root may set it up, and only where FUSE and loop devices work (on POSIX only).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

namespace quelb::testing {

class LoggedDisk {
 public:
  // Why no logged disk can be made here, or "" when one can.
  static std::string WhyNot();

  // Makes the file system, lets prepare write its first files into it, and mounts it through
  // the logging disk; from then on every write is logged. Returns "" or why it failed.
  std::string Start(const std::function<void(const std::filesystem::path&)>& prepare);
  // The mounted file system.
  const std::filesystem::path& Root() const { return mounted_; }
  // Logs a mark: the state at the flush before it is what a power cut then leaves.
  void Mark();
  // Every write outside the journal fails with EIO from now on.
  void FailWritesOutsideTheJournal();
  // Every cache flush fails with EIO from now on.
  void FailFlushes();
  // Unmounts everything and ends the logging disk.
  void Stop();
  ~LoggedDisk();

  // Mounts the disk as a power cut at each flush would have left it, in log order, and calls
  // check with that state's root and false; at each mark, calls it once more for the state
  // of the flush before the mark, with true. Each state is mounted where the disk was, so that
  // the paths a run wrote into its files name the same files there.
  void ForEachFlushState(const std::function<void(const std::filesystem::path&, bool)>& check);
  // Mounts the disk as it is now, after Stop, and calls check with its root.
  void WithFinalState(const std::function<void(const std::filesystem::path&)>& check);

 private:
  void WithImageMounted(const std::filesystem::path& image,
                        const std::function<void(const std::filesystem::path&)>& check);
  std::vector<std::pair<off_t, off_t>> JournalRanges() const;
  void LeaveMountedFolder() const;
  class OtherDevice {
   public:
    explicit OtherDevice(const std::filesystem::path& placeholder);
    ~OtherDevice();

   private:
    std::string loop_;
  };

  TempFolder folder_;
  std::filesystem::path base_ = folder_ / "base.img";
  std::filesystem::path served_ = folder_ / "served.img";
  std::filesystem::path log_ = folder_ / "log";
  std::filesystem::path fuse_ = folder_ / "fuse";
  std::filesystem::path mounted_ = folder_ / "mounted";
  pid_t daemon_ = -1;
  std::string loop_;
  bool diskMounted_ = false;
};

}  // namespace quelb::testing

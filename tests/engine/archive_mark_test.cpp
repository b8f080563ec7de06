// The archive test on real files: the mark is found however far inside the archive it lies,
// in bounded memory.
#ifndef _WIN32
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "engine_world.h"
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

#include <fstream>
#endif

namespace quelb::testing {
namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

#ifdef _WIN32
int64_t PeakMemoryInMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<int64_t>(counters.PeakWorkingSetSize / kMiB);
}

// Bytes never written read as zeros; the file system keeps no blocks for them where it can.
bool WriteSparse(const fs::path& path, int64_t size, int64_t offset, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.seekp(offset);
  out << text;
  out.seekp(size - 1);
  out.put('\0');
  return static_cast<bool>(out);
}
#else
int64_t PageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

int64_t PeakMemoryInMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// A file of the given size that holds nothing but the text at the offset; false when the
// file system cannot make it.
bool WriteSparse(const fs::path& path, int64_t size, int64_t offset, const std::string& text) {
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0) return false;
  const bool made = ftruncate(file, size) == 0 && pwrite(file, text.data(), text.size(), offset) ==
                                                      static_cast<ssize_t>(text.size());
  close(file);
  return made;
}
#endif

class ArchiveMarkTest : public EngineWorld {
 protected:
  int64_t MarkIn(const fs::path& archive) {
    UpdateRunState run = RunFor(archive.filename().string());
    PkwareTest(run, errors_, archive.string());
    EXPECT_EQ(errors_.number, 0);
    return run.PkwarePos;
  }
};

TEST_F(ArchiveMarkTest, TheMarkIsFoundBeyondFourGibibytesInBoundedMemory) {
  const int64_t offset = (int64_t{4} << 30) + 1234;
  const fs::path archive = source_ / "QUELBBIG.EXE";
  if (!WriteSparse(archive, offset + kMiB, offset, "PKWARE")) {
    GTEST_SKIP() << "the file system holds no file this large";
  }
  const int64_t peakBefore = PeakMemoryInMiB();

  EXPECT_EQ(MarkIn(archive), offset + 1);
#ifndef __SANITIZE_ADDRESS__
  // The address sanitizer keeps freed pieces in quarantine, so only a plain build shows the
  // bound.
  EXPECT_LT(PeakMemoryInMiB() - peakBefore, 64);
#else
  (void)peakBefore;
#endif
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)
// With a fixed allocation threshold, as a tuned environment sets one, every large buffer comes
// fresh from the system and is faulted in page by page. The search must not take a new one for
// each piece it reads. The sanitizer has an allocator of its own, and the threshold is glibc's,
// so only a plain Linux build shows it.
TEST_F(ArchiveMarkTest, TheSearchFaultsInItsBufferOnceNotForEveryPiece) {
  const fs::path archive = source_ / "QUELBAP.EXE";
  ASSERT_TRUE(WriteSparse(archive, 64 * kMiB, 64 * kMiB - 10, "PKWARE"));
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
  const int64_t faultsBefore = PageFaults();

  EXPECT_EQ(MarkIn(archive), 64 * kMiB - 9);
  // Faulting in a new buffer for each of the pieces of 64 MiB would take 16384 pages.
  EXPECT_LT(PageFaults() - faultsBefore, 2048);
}
#endif

TEST_F(ArchiveMarkTest, AMarkAcrossTheReadPiecesIsFound) {
  const fs::path archive = source_ / "QUELBAP.EXE";
  const int64_t offset = (256 << 10) - 3;
  ASSERT_TRUE(WriteSparse(archive, 3 * kMiB, offset, "PKWARE"));
  EXPECT_EQ(MarkIn(archive), offset + 1);
}

TEST_F(ArchiveMarkTest, OnlyTheUpperCaseMarkCounts) {
  WriteFile(source_ / "QUELBAP.EXE", std::string(3 * kMiB, 'x') + "pkware Pkware PKWAR");
  EXPECT_EQ(MarkIn(source_ / "QUELBAP.EXE"), 0);
  WriteFile(source_ / "QUELBGL.EXE", "PKWARE at the first byte");
  EXPECT_EQ(MarkIn(source_ / "QUELBGL.EXE"), 1);
}

}  // namespace
}  // namespace quelb::testing

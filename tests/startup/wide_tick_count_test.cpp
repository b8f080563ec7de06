#include "startup/main/wide_tick_count.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace quelb {
namespace {

constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;

// Reads the count once from a source that says `now`.
std::uint64_t ReadAt(WideTickCount& count, std::uint32_t now) {
  return count.Read([now] { return now; });
}

TEST(WideTickCount, StartsAtTheSourceAndFollowsIt) {
  WideTickCount count;
  EXPECT_EQ(ReadAt(count, 1000), 1000u);
  EXPECT_EQ(ReadAt(count, 1000), 1000u) << "a count seen twice is the same";
  EXPECT_EQ(ReadAt(count, 0xFFFFFFFF), 0xFFFFFFFFu);
}

TEST(WideTickCount, EachWrapOfTheSourceCarriesIntoTheHighPart) {
  WideTickCount count;
  constexpr std::uint32_t start = 0xF0000000;
  constexpr std::uint64_t step = 0x70000000;
  ASSERT_EQ(ReadAt(count, start), start);
  // Twelve steps of 7/16 of a wrap from 1/16 below one: six wraps crossed.
  for (std::uint64_t steps = 1; steps <= 12; ++steps) {
    const std::uint64_t expected = start + steps * step;
    ASSERT_EQ(ReadAt(count, static_cast<std::uint32_t>(expected)), expected) << steps;
  }
}

TEST(WideTickCount, ALowerReadingIsAWrapNeverAStepBack) {
  WideTickCount count;
  ReadAt(count, 200);
  EXPECT_EQ(ReadAt(count, 100), kWrap + 100);
  EXPECT_EQ(ReadAt(count, 100), kWrap + 100);
}

// A timed wait of the thread library reads the count, then waits until it reaches the start
// plus the pause: one that begins 2 ms before the source wraps still ends after 5 ms.
TEST(WideTickCount, APauseAcrossTheWrapEndsOnTime) {
  WideTickCount count;
  std::uint32_t now = 0xFFFFFFFE;
  const std::uint64_t end = ReadAt(count, now) + 5;
  int milliseconds = 0;
  while (ReadAt(count, now) < end) {
    ++now;
    ASSERT_LE(++milliseconds, 5) << "the pause did not end when its time was up";
  }
  EXPECT_EQ(milliseconds, 5);
}

// Threads that read one source, which moves on by one with each reading, across a wrap: a
// thread that reads the source and then finds that another has moved the count past its
// reading must not take that for a wrap, nor set the count back.
TEST(WideTickCount, ThreadsThatReadAtOnceNeverSetItBack) {
  constexpr std::uint32_t kStart = 0xFFFF0000;
  constexpr int kThreads = 4, kReadings = 1000000;
  WideTickCount count;
  std::atomic<std::uint32_t> source{kStart};
  const auto read = [&source] { return source.fetch_add(1); };
  std::atomic<int> faults{0};
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&] {
      std::uint64_t previous = 0;
      for (int reading = 0; reading < kReadings; ++reading) {
        const std::uint64_t now = count.Read(read);
        const std::uint32_t readings_so_far = source.load() - kStart;
        if (now < previous || now >= std::uint64_t{kStart} + readings_so_far) ++faults;
        previous = now;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(faults, 0);
  const std::uint32_t last_reading = source.load();
  EXPECT_EQ(count.Read(read), kWrap + last_reading)
      << "the count is the source's last reading, carried past its wrap";
}

}  // namespace
}  // namespace quelb

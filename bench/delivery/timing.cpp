// The timing of the delivery bench: medians of the ratios of alternating pairs.
#include <algorithm>
#include <chrono>

#include "harness.h"

namespace delivery {

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Timing MedianRatio(int pairs, const std::function<double()>& ours,
                   const std::function<double()>& reference) {
  std::vector<double> ratios, oursTimes, referenceTimes;
  for (int pair = 0; pair < pairs; ++pair) {
    double a = 0, b = 0;
    if (pair % 2 == 0) {
      a = ours();
      b = reference();
    } else {
      b = reference();
      a = ours();
    }
    ratios.push_back(a / b);
    oursTimes.push_back(a);
    referenceTimes.push_back(b);
  }
  return {Median(ratios), Median(oursTimes), Median(referenceTimes)};
}

Timing MedianRatio(int pairs, const Side& ours, const Side& reference) {
  auto time = [](const Side& side) {
    return [&side] {
      side.prepare();
      return Seconds(side.work);
    };
  };
  return MedianRatio(pairs, time(ours), time(reference));
}

Timing MedianRatio(int pairs, const std::function<void()>& prepare,
                   const std::function<void()>& ours, const std::function<void()>& reference) {
  return MedianRatio(pairs, Side{prepare, ours}, Side{prepare, reference});
}

}  // namespace delivery

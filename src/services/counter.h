// The counter: a signed 64-bit fixed-point value with four decimal places, so that whole
// counts read back exactly.
#pragma once

#include <cstdint>

namespace quelb {

class Counter {
 public:
  static constexpr int64_t kScale = 10000;

  Counter() = default;
  explicit Counter(double value) { Store(value); }

  void Store(double value);
  double Value() const { return static_cast<double>(scaled_) / kScale; }
  int64_t Scaled() const { return scaled_; }

  void Add(double amount) { Store(Value() + amount); }

 private:
  int64_t scaled_ = 0;
};

}  // namespace quelb

// What each digest backend defines: one SHA-256 being made by the platform's library, fed
// its bytes in pieces.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "services/error.h"

namespace quelb::digest {

using Sha256Bytes = std::array<uint8_t, 32>;

class Sha256 {
 public:
  // A library that cannot start a digest stores its error, and Add and Finish then fail.
  explicit Sha256(ErrorState& state);
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Each returns false, with the error stored, when the library fails.
  bool Add(ErrorState& state, std::string_view bytes);
  bool Finish(ErrorState& state, Sha256Bytes& digest);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quelb::digest

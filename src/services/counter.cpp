#include "services/counter.h"

#include <cmath>

namespace quelb {

// std::nearbyint rounds in the current rounding mode, which is to nearest with ties to even.
void Counter::Store(double value) {
  scaled_ = static_cast<int64_t>(std::nearbyint(value * kScale));
}

}  // namespace quelb

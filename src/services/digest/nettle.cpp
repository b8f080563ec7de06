// SHA-256 by nettle, which cannot fail once it has its context.
#include <nettle/sha2.h>

#include "services/digest/sha256.h"

namespace quelb::digest {

struct Sha256::State {
  sha256_ctx context;
};

Sha256::Sha256(ErrorState& /*state*/) : state_(std::make_unique<State>()) {
  sha256_init(&state_->context);
}

Sha256::~Sha256() = default;

bool Sha256::Add(ErrorState& /*state*/, std::string_view bytes) {
  sha256_update(&state_->context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  return true;
}

bool Sha256::Finish(ErrorState& /*state*/, Sha256Bytes& digest) {
  sha256_digest(&state_->context, digest.size(), digest.data());
  return true;
}

}  // namespace quelb::digest

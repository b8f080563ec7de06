// SHA-256 by the CryptoAPI of advapi32. Only a provider of the type PROV_RSA_AES makes
// CALG_SHA_256; no provider is named, as XP SP3 names its own of that type otherwise than
// later Windows do, and none of its keys are wanted (CRYPT_VERIFYCONTEXT).
#include "services/digest/sha256.h"
#include "services/win32/internal/call.h"

// After <windows.h>, which call.h includes without it.
#include <wincrypt.h>

namespace quelb::digest {
namespace {

// The CryptoAPI's calls say whether they succeeded, and may leave a last error all the same.
bool Made(ErrorState& state, BOOL made, DWORD error) {
  return made || win32::Succeeded(state, false, error);
}

}  // namespace

struct Sha256::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
};

Sha256::Sha256(ErrorState& state) : state_(std::make_unique<State>()) {
  BOOL acquired = FALSE;
  DWORD error = win32::Call([&] {
    acquired = CryptAcquireContextA(&state_->provider, nullptr, nullptr, PROV_RSA_AES,
                                    CRYPT_VERIFYCONTEXT);
  });
  if (!Made(state, acquired, error)) {
    state_->provider = 0;
    return;
  }
  BOOL created = FALSE;
  error = win32::Call(
      [&] { created = CryptCreateHash(state_->provider, CALG_SHA_256, 0, 0, &state_->hash); });
  if (!Made(state, created, error)) state_->hash = 0;
}

Sha256::~Sha256() {
  win32::Call([&] {
    if (state_->hash != 0) CryptDestroyHash(state_->hash);
    if (state_->provider != 0) CryptReleaseContext(state_->provider, 0);
  });
}

// A hash that never started has stored its error already.
bool Sha256::Add(ErrorState& state, std::string_view bytes) {
  if (state_->hash == 0) return false;
  BOOL hashed = FALSE;
  const DWORD error = win32::Call([&] {
    hashed = CryptHashData(state_->hash, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size()), 0);
  });
  return Made(state, hashed, error);
}

bool Sha256::Finish(ErrorState& state, Sha256Bytes& digest) {
  if (state_->hash == 0) return false;
  DWORD length = static_cast<DWORD>(digest.size());
  BOOL got = FALSE;
  const DWORD error = win32::Call(
      [&] { got = CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &length, 0); });
  return Made(state, got && length == digest.size(), error);
}

}  // namespace quelb::digest

// The hasher's state checks, the one-shot digest and the constant-time comparison, shared by
// both builds; the hash calls are in sha256_cng.cpp (Windows) and sha256_openssl.cpp (elsewhere).
#include "engine/core/sha256.h"

#include <utility>

#include "engine/core/sha256_platform.h"

namespace tolzeb {

Sha256::Sha256() : state_(detail::makeSha256State()) {}

Sha256::~Sha256() { detail::destroySha256State(state_); }

Sha256::Sha256(Sha256&& other) noexcept
    : state_(std::exchange(other.state_, nullptr)), finalized_(std::exchange(other.finalized_, false)) {}

Sha256& Sha256::operator=(Sha256&& other) noexcept {
  if (this != &other) {
    detail::destroySha256State(state_);
    state_ = std::exchange(other.state_, nullptr);
    finalized_ = std::exchange(other.finalized_, false);
  }
  return *this;
}

Status Sha256::update(const void* data, size_t length) {
  if (state_ == nullptr) return Status(StatusCode::general, L"SHA-256 context is not initialized");
  if (finalized_) return Status(StatusCode::general, L"SHA-256 context already finalized");
  if (length == 0) return {};
  return detail::hashData(*state_, static_cast<const uint8_t*>(data), length);
}

Result<Sha256Digest> Sha256::finish() {
  if (state_ == nullptr) return Failure{StatusCode::general, L"SHA-256 context is not initialized"};
  if (finalized_) return Failure{StatusCode::general, L"SHA-256 already finalized"};
  finalized_ = true;
  Sha256Digest digest{};
  TOLZEB_TRY(detail::finishHash(*state_, digest.data()));
  return digest;
}

Result<Sha256Digest> sha256(const void* data, size_t length) {
  Sha256 hasher;
  if (!hasher.isValid()) return Failure{StatusCode::general, L"SHA-256 provider unavailable"};
  TOLZEB_TRY(hasher.update(data, length));
  return hasher.finish();
}

bool constantTimeEqual(const uint8_t* a, const uint8_t* b, size_t length) {
  // volatile keeps the compiler from turning the loop into an early-exit comparison.
  volatile uint8_t difference = 0;
  for (size_t i = 0; i < length; ++i) difference = difference | uint8_t(a[i] ^ b[i]);
  return difference == 0;
}

}  // namespace tolzeb

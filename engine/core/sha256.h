// SHA-256 (FIPS 180-4) through the system's cryptographic library: an incremental hasher and a
// one-shot digest, plus the comparison used wherever a stored digest is checked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/core/status.h"

namespace tolzeb {

inline constexpr size_t kSha256DigestLength = 32;
using Sha256Digest = std::array<uint8_t, kSha256DigestLength>;

namespace detail {
struct Sha256State;  // the library's hash object; defined by the platform's implementation
}

// Hashes data that arrives in pieces. Goes from fresh to finalized by `finish` and cannot be
// reset. A hasher whose state could not be made reports false from isValid and fails every call.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(Sha256&& other) noexcept;
  Sha256& operator=(Sha256&& other) noexcept;
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  bool isValid() const { return state_ != nullptr; }
  Status update(const void* data, size_t length);
  // The hasher is finalized afterwards, whether this succeeds or not.
  Result<Sha256Digest> finish();

 private:
  detail::Sha256State* state_ = nullptr;
  bool finalized_ = false;
};

// The digest of one byte range.
Result<Sha256Digest> sha256(const void* data, size_t length);

// Whether the ranges are equal, looking at every byte whatever it finds. Length 0 gives true.
bool constantTimeEqual(const uint8_t* a, const uint8_t* b, size_t length);

}  // namespace tolzeb

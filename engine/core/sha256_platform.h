// The hash calls each platform's cryptographic library makes for sha256.cpp, which owns the
// state checks and their messages. Not for use outside the SHA-256 files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/sha256.h"
#include "engine/core/status.h"

namespace tolzeb::detail {

// A fresh hash object, or null when the service is unusable or the library refuses one.
Sha256State* makeSha256State();
// Null does nothing.
void destroySha256State(Sha256State* state);

// Both fail with code 1 "<the failing call> failed".
Status hashData(Sha256State& state, const uint8_t* data, size_t length);
Status finishHash(Sha256State& state, uint8_t digest[32]);

}  // namespace tolzeb::detail

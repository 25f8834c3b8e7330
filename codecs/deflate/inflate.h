// Decoding of a raw DEFLATE stream (RFC 1951) held wholly in memory, under an output cap set by
// the caller. Malformed data fails with code 3, the cap with code 8, bad arguments with code 2.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Strict mode: the whole stream up to its final block. A declaredSize of 0 declares nothing;
// otherwise the output must have exactly that length. Output beyond `cap` bytes fails.
Result<Bytes> inflateExact(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap);

// Prefix mode: the leading bytes of the decoded data. Running out of input, reaching the cap, an
// invalid literal/length code or a bad dynamic block header end decoding with the output so far;
// other malformations fail as in strict mode.
Result<Bytes> inflatePrefix(const uint8_t* data, size_t size, uint64_t cap);

// The shared core of both modes.
Result<Bytes> inflate(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap, bool prefix);

}  // namespace tolzeb

// VELT_HUFF: a VELT payload whose token, literal and extra streams are each stored raw or as a
// Huffman block, whichever is smaller.
#pragma once

#include <cstdint>
#include <span>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Section flags: bit i set means stream i is stored as a Huffman block.
inline constexpr uint8_t kVeltHuffFlagLimit = 8;

struct VeltSections {
  std::span<const uint8_t> token;
  std::span<const uint8_t> literal;
  std::span<const uint8_t> extra;
};

// The three streams of a VELT payload; code 3 when its section header does not fit it.
Result<VeltSections> splitVeltSections(std::span<const uint8_t> payload);

// A VELT_HUFF payload strictly shorter than `payload`, or empty when the stage does not pay.
Result<Bytes> encodeVeltHuff(std::span<const uint8_t> payload);

// The wrapped VELT payload; its three streams together hold at most `bound` bytes.
Result<Bytes> decodeVeltHuff(std::span<const uint8_t> payload, uint64_t bound);

// The same into the front of `out`, which grows as needed and never shrinks, so a buffer kept
// across blocks is neither reallocated nor zero-filled again; returns that front part, a view of
// `out`. On failure the contents of `out` are unspecified.
Result<std::span<const uint8_t>> decodeVeltHuffInto(std::span<const uint8_t> payload, uint64_t bound, Bytes& out);

}  // namespace tolzeb

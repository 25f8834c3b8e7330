// VELT, the container's block codec: one block of 1 byte to 4 MiB as a token stream, a literal
// stream and an extra stream, optionally copying from a preset dictionary.
#pragma once

#include <cstdint>
#include <span>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Decodes exactly declaredSize bytes, or fails with code 3 (corrupt_archive). `dictionary` is
// empty when the block has none. Keeps no state between calls.
Result<Bytes> decodeVeltBlock(std::span<const uint8_t> payload, uint32_t declaredSize,
                              std::span<const uint8_t> dictionary);

// The same into `output`, resized to the declared size: a caller that keeps one buffer across
// blocks of one size skips the zero fill of a new one. On failure its contents are unspecified.
Status decodeVeltBlockInto(std::span<const uint8_t> payload, uint32_t declaredSize,
                           std::span<const uint8_t> dictionary, Bytes& output);

// The same into `output`, whose size is the declared size; every byte of it is written on
// success, so it need not be initialised. On failure its contents are unspecified.
Status decodeVeltBlockTo(std::span<const uint8_t> payload, std::span<uint8_t> output,
                         std::span<const uint8_t> dictionary);

// Appends `length` bytes, each a copy of the byte `distance` positions before it; an overlapping
// copy repeats the last `distance` bytes. The caller keeps 1 <= distance <= output.size().
void appendCopy(Bytes& output, uint64_t distance, uint64_t length);

// Levels: 0 lightning, 1 balanced, 2 compact; 3 and above are treated as 1.
// The result is a payload strictly shorter than the block, or empty meaning "store it raw".
// Fails with code 2 on an empty block or a block or dictionary above 4 MiB.
Result<Bytes> veltEncodeWithDictionary(std::span<const uint8_t> block, uint8_t level,
                                       std::span<const uint8_t> dictionary);
Result<Bytes> veltEncode(std::span<const uint8_t> block, uint8_t level);

}  // namespace tolzeb

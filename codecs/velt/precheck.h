// A cheap guess, before a full parse, at whether a block will compress at all.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tolzeb {

// The first 256 SplitMix64 outputs seeded with its own increment; drives the rolling hash.
extern const std::array<uint64_t, 256> gearTable;

// True when the block should be VELT-encoded. Blocks under 128 KiB always pass.
bool isWorthEncoding(std::span<const uint8_t> block, uint8_t level, std::span<const uint8_t> dictionary);

// True when enough 64-byte windows reappear 128 KiB to 640 KiB further on.
bool hasLongRepeats(std::span<const uint8_t> block);

// Shannon entropy of a sample in bits per byte, computed with exactly rounded arithmetic only,
// so every build reaches the same decision.
double sampleEntropy(std::span<const uint8_t> sample);

}  // namespace tolzeb

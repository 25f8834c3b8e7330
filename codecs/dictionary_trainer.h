// Trains a preset dictionary for VELT from samples of the data being archived.
//
// The dictionary is a concatenation of 1 KiB pieces of the samples, chosen greedily by how many
// of their 8-byte grams also occur in other samples. Training never fails: any input that cannot
// or should not give a dictionary gives an empty vector, and the caller archives without one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tolzeb {

inline constexpr uint32_t kMaxDictionarySize = 4u << 20;
inline constexpr uint32_t kMinDictionaryTarget = 1024;

struct DictionaryTrainingOptions {
  uint32_t targetSize = 256u << 10;  // largest dictionary; capped at kMaxDictionarySize
  uint32_t minRatio = 8;             // bytes of data per dictionary byte at least; 0 = no test
  uint64_t inputBytes = 0;           // size of the data the dictionary is for; 0 = the samples' total
  uint32_t minSampleCount = 2;       // a gram scores only when this many samples hold it (at least 2)
};

// The dictionary (8 bytes to the target size), or empty.
std::vector<uint8_t> trainVeltDictionary(const std::vector<std::span<const uint8_t>>& samples,
                                         const DictionaryTrainingOptions& options);

namespace detail {

// A candidate piece of one sample.
struct TrainingSegment {
  uint32_t sample = 0;
  uint32_t offset = 0;
  uint32_t length = 0;
};

// Open table of gram hashes without chaining: the first gram to reach a slot owns it, and any
// other gram that lands there later is ignored everywhere, so counting is one probe per gram.
struct GramTable {
  static constexpr uint16_t kMaxCount = 60000;
  static constexpr uint32_t kNoSample = 0xFFFFFFFF;

  uint32_t log = 12;
  std::vector<uint32_t> key;         // 0 = free
  std::vector<uint32_t> lastSample;  // the last sample that counted this slot
  std::vector<uint16_t> count;       // distinct samples holding the gram; 0 once a chosen piece covers it

  // Table of 2^log slots for the given number of grams (log 12 to 21).
  explicit GramTable(uint64_t gramCount);

  uint32_t slotOf(uint64_t hash) const { return uint32_t(hash >> (64 - log)); }

  // Sum of 4 x count - 4 over the piece's grams that own their slot and reach minSampleCount.
  uint64_t scoreSegment(std::span<const uint8_t> sample, const TrainingSegment& piece, uint32_t minSampleCount) const;
};

// MurmurHash3's 64-bit finalisation mix of the little-endian 8 bytes at `p`.
uint64_t gramHash(const uint8_t* p);

}  // namespace detail
}  // namespace tolzeb

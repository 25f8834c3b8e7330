// The LZMA symbol encoder behind lzma2Encode: greedy parse with one step of look-ahead over a
// hash-chain match finder, coding into one LZMA2 chunk at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/lzma/lzma_match_finder.h"
#include "codecs/lzma/lzma_model.h"
#include "codecs/lzma/range_encoder.h"
#include "engine/core/bytes.h"

namespace tolzeb {

struct LzmaSearchLimits {
  uint32_t chainDepth;
  uint32_t niceLength;
  uint32_t maxDictionarySize;
};

// Search depth, nice length and largest dictionary of a compression level.
LzmaSearchLimits lzmaSearchLimits(int32_t level);

// The level's largest dictionary, halved while above the input size, never below 4 KiB.
uint32_t lzmaDictionarySizeFor(int32_t level, size_t inputSize);

class LzmaLengthEncoder {
 public:
  // Codes `lengthMinus2` (0 to 271) under the position state.
  static void encode(RangeEncoder& range, LzmaLengthCoder& coder, uint32_t lengthMinus2, uint32_t positionState);
};

class LzmaEncoder {
 public:
  // lc and lp of `properties` must be 3 and 0 or smaller; pb at most 4.
  LzmaEncoder(const uint8_t* data, size_t size, const LzmaProperties& properties, int32_t level);

  // Fresh probabilities, state 0 and recent distances 0; the match finder keeps its tables.
  void resetState();

  // Codes symbols from the current position until `chunkEnd`, or until `output` holds `packedLimit`
  // bytes, and flushes the range coder. Returns the number of input bytes covered.
  size_t encodeChunk(Bytes& output, size_t chunkEnd, size_t packedLimit);

 private:
  uint32_t longestRepeat(uint32_t remaining, uint32_t& index) const;
  uint32_t lookAheadLength(size_t chunkEnd);
  uint32_t mainMatch(uint32_t& distance);
  void encodeLiteral(RangeEncoder& range);
  void encodeMatch(RangeEncoder& range, uint32_t length, uint32_t distance);
  void encodeRepeat(RangeEncoder& range, uint32_t length, uint32_t index);

  const uint8_t* data_;
  size_t size_;
  LzmaProperties properties_;
  uint32_t chainDepth_;
  uint32_t niceLength_;
  LzmaMatchFinder matchFinder_;
  uint32_t position_ = 0;
  uint32_t windowStart_ = 0;  // one dictionary reset, at the start
  LzmaModel model_{};
  LzmaProbability literals_[kLzmaLiteralCoderSize << 3];
  uint32_t state_ = 0;
  uint32_t reps_[4] = {0, 0, 0, 0};  // distance minus 1
  // The last look-ahead search, uncapped. When a literal follows it, the next search is at that
  // same position with one more position inserted, and gives the same answer unless that position
  // shares a head-table slot with it.
  uint32_t lookAheadPosition_ = UINT32_MAX;
  uint32_t lookAheadLength_ = 0;
  uint32_t lookAheadDistance_ = 0;
};

}  // namespace tolzeb

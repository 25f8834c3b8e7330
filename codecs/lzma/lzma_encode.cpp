#include <algorithm>
#include <bit>

#include "codecs/lzma/lzma_encoder.h"

namespace tolzeb {

namespace {

constexpr uint32_t kMinDictionarySize = 4096;

// Slot of a distance minus 1: the values below 4 are their own slot, then two slots per power of two.
uint32_t positionSlot(uint32_t distanceMinus1) {
  if (distanceMinus1 < kLzmaStartPositionModelSlot) return distanceMinus1;
  const uint32_t topBit = uint32_t(std::bit_width(distanceMinus1)) - 1;
  return topBit * 2 + ((distanceMinus1 >> (topBit - 1)) & 1);
}

}  // namespace

LzmaSearchLimits lzmaSearchLimits(int32_t level) {
  if (level <= 1) return {8, 16, 1u << 20};
  if (level <= 3) return {24, 32, 8u << 20};
  if (level <= 5) return {48, 48, 8u << 20};
  if (level <= 7) return {96, 64, 64u << 20};
  return {256, 128, 64u << 20};
}

uint32_t lzmaDictionarySizeFor(int32_t level, size_t inputSize) {
  uint32_t dictionary = lzmaSearchLimits(level).maxDictionarySize;
  while (dictionary > inputSize && dictionary > kMinDictionarySize) dictionary >>= 1;
  return std::max(dictionary, kMinDictionarySize);
}

void LzmaLengthEncoder::encode(RangeEncoder& range, LzmaLengthCoder& coder, uint32_t lengthMinus2,
                               uint32_t positionState) {
  if (lengthMinus2 < kLzmaLengthLowSymbols) {
    range.encodeBit(coder.choice, 0);
    range.encodeBitTree(coder.low[positionState], kLzmaLengthLowBits, lengthMinus2);
    return;
  }
  range.encodeBit(coder.choice, 1);
  lengthMinus2 -= kLzmaLengthLowSymbols;
  if (lengthMinus2 < kLzmaLengthMidSymbols) {
    range.encodeBit(coder.choice2, 0);
    range.encodeBitTree(coder.mid[positionState], kLzmaLengthMidBits, lengthMinus2);
    return;
  }
  range.encodeBit(coder.choice2, 1);
  range.encodeBitTree(coder.high, kLzmaLengthHighBits, lengthMinus2 - kLzmaLengthMidSymbols);
}

LzmaEncoder::LzmaEncoder(const uint8_t* data, size_t size, const LzmaProperties& properties, int32_t level)
    : data_(data),
      size_(size),
      properties_(properties),
      chainDepth_(lzmaSearchLimits(level).chainDepth),
      niceLength_(lzmaSearchLimits(level).niceLength),
      matchFinder_(data, size, properties.dictionarySize) {
  resetState();
}

void LzmaEncoder::resetState() {
  model_.reset();
  std::fill_n(literals_, kLzmaLiteralCoderSize << (properties_.lc + properties_.lp), kLzmaProbabilityInit);
  state_ = 0;
  std::fill_n(reps_, 4, 0);
}

uint32_t LzmaEncoder::longestRepeat(uint32_t remaining, uint32_t& index) const {
  const uint32_t maxLength = uint32_t(std::min<size_t>(kLzmaMaxMatchLength, size_ - position_));
  const uint8_t* p = data_ + position_;
  uint32_t best = 0;
  for (uint32_t i = 0; i < 4; ++i) {
    const uint32_t distance = reps_[i] + 1;
    if (distance > position_ - windowStart_) continue;
    const uint8_t* earlier = p - distance;
    uint32_t length = 0;
    while (length < maxLength && earlier[length] == p[length]) ++length;
    length = std::min(length, remaining);
    if (length > best) {
      best = length;
      index = i;
    }
  }
  return best;
}

void LzmaEncoder::encodeLiteral(RangeEncoder& range) {
  const uint32_t positionState = position_ & ((1u << properties_.pb) - 1);
  range.encodeBit(model_.isMatch[state_][positionState], 0);
  const uint32_t previous = position_ > windowStart_ ? data_[position_ - 1] : 0;
  const uint32_t context =
      (previous >> (8 - properties_.lc)) + ((position_ & ((1u << properties_.lp) - 1)) << properties_.lc);
  LzmaProbability* coder = literals_ + context * kLzmaLiteralCoderSize;
  const uint32_t byte = data_[position_];
  uint32_t symbol = 1;
  int bitIndex = 7;
  if (state_ >= kLzmaFirstMatchState) {
    // A matched literal: while its bits agree with the byte at rep0 the match byte selects the tree.
    const uint32_t matchByte = data_[position_ - reps_[0] - 1];
    for (; bitIndex >= 0; --bitIndex) {
      const uint32_t matchBit = (matchByte >> bitIndex) & 1;
      const uint32_t bit = (byte >> bitIndex) & 1;
      range.encodeBit(coder[((1 + matchBit) << 8) + symbol], bit);
      symbol = symbol << 1 | bit;
      if (bit != matchBit) {
        --bitIndex;
        break;
      }
    }
  }
  for (; bitIndex >= 0; --bitIndex) {
    const uint32_t bit = (byte >> bitIndex) & 1;
    range.encodeBit(coder[symbol], bit);
    symbol = symbol << 1 | bit;
  }
  state_ = stateAfterLiteral(state_);
}

void LzmaEncoder::encodeMatch(RangeEncoder& range, uint32_t length, uint32_t distance) {
  const uint32_t positionState = position_ & ((1u << properties_.pb) - 1);
  range.encodeBit(model_.isMatch[state_][positionState], 1);
  range.encodeBit(model_.isRep[state_], 0);
  const uint32_t lengthMinus2 = length - kLzmaMinMatchLength;
  LzmaLengthEncoder::encode(range, model_.matchLength, lengthMinus2, positionState);

  const uint32_t distanceMinus1 = distance - 1;
  const uint32_t slot = positionSlot(distanceMinus1);
  range.encodeBitTree(model_.positionSlot[lengthState(lengthMinus2)], kLzmaPositionSlotBits, slot);
  if (slot >= kLzmaStartPositionModelSlot) {
    const unsigned footerBits = (slot >> 1) - 1;
    const uint32_t base = (2 | (slot & 1)) << footerBits;
    const uint32_t footer = distanceMinus1 - base;
    if (slot < kLzmaEndPositionModelSlot) {
      range.encodeReverseBitTree(model_.specialPosition + footerTreeOffset(slot, base), footerBits, footer);
    } else {
      range.encodeDirectBits(footer >> kLzmaAlignBits, footerBits - kLzmaAlignBits);
      range.encodeReverseBitTree(model_.align, kLzmaAlignBits, footer & ((1u << kLzmaAlignBits) - 1));
    }
  }
  reps_[3] = reps_[2];
  reps_[2] = reps_[1];
  reps_[1] = reps_[0];
  reps_[0] = distanceMinus1;
  state_ = stateAfterMatch(state_);
}

void LzmaEncoder::encodeRepeat(RangeEncoder& range, uint32_t length, uint32_t index) {
  const uint32_t positionState = position_ & ((1u << properties_.pb) - 1);
  range.encodeBit(model_.isMatch[state_][positionState], 1);
  range.encodeBit(model_.isRep[state_], 1);
  if (index == 0) {
    range.encodeBit(model_.isRepG0[state_], 0);
    range.encodeBit(model_.isRep0Long[state_][positionState], 1);
  } else {
    range.encodeBit(model_.isRepG0[state_], 1);
    if (index == 1) {
      range.encodeBit(model_.isRepG1[state_], 0);
    } else {
      range.encodeBit(model_.isRepG1[state_], 1);
      range.encodeBit(model_.isRepG2[state_], index - 2);
    }
    const uint32_t chosen = reps_[index];
    for (uint32_t i = index; i > 0; --i) reps_[i] = reps_[i - 1];
    reps_[0] = chosen;
  }
  LzmaLengthEncoder::encode(range, model_.repeatLength, length - kLzmaMinMatchLength, positionState);
  state_ = stateAfterRepeat(state_);
}

// The match length at the next byte, which, when longer, is worth a literal here.
uint32_t LzmaEncoder::lookAheadLength(size_t chunkEnd) {
  const uint32_t next = position_ + 1;
  if (next == chunkEnd) return 0;
  lookAheadPosition_ = next;
  lookAheadLength_ = matchFinder_.find(next, windowStart_, chainDepth_, niceLength_, lookAheadDistance_);
  return std::min(lookAheadLength_, uint32_t(chunkEnd - next));
}

// The match finder's answer at the current position, reusing the look-ahead when it still holds.
uint32_t LzmaEncoder::mainMatch(uint32_t& distance) {
  if (lookAheadPosition_ == position_ && !matchFinder_.sharesHeads(position_ - 1, position_)) {
    distance = lookAheadDistance_;
    return lookAheadLength_;
  }
  return matchFinder_.find(position_, windowStart_, chainDepth_, niceLength_, distance);
}

size_t LzmaEncoder::encodeChunk(Bytes& output, size_t chunkEnd, size_t packedLimit) {
  RangeEncoder range(output);
  const uint32_t chunkStart = position_;
  while (position_ < chunkEnd) {
    if (output.size() >= packedLimit) break;
    const uint32_t remaining = uint32_t(chunkEnd - position_);
    matchFinder_.prefetch(position_ + 1);

    uint32_t repLength = 0, repIndex = 0;
    if (remaining >= 2) repLength = longestRepeat(remaining, repIndex);
    uint32_t mainLength = 0, mainDistance = 0;
    if (remaining >= kLzmaShortestFind) {
      mainLength = std::min(mainMatch(mainDistance), remaining);
      if (mainLength < kLzmaShortestFind) mainLength = 0;
    }

    uint32_t covered;
    if (repLength >= 2 && repLength + 1 >= mainLength) {
      encodeRepeat(range, repLength, repIndex);
      covered = repLength;
    } else if (mainLength >= kLzmaShortestFind &&
               (mainLength >= niceLength_ || lookAheadLength(chunkEnd) <= mainLength)) {
      encodeMatch(range, mainLength, mainDistance);
      covered = mainLength;
    } else if (repLength >= 2) {
      encodeRepeat(range, repLength, repIndex);
      covered = repLength;
    } else {
      encodeLiteral(range);
      covered = 1;
    }
    for (uint32_t i = 0; i < covered; ++i) matchFinder_.insert(position_ + i);
    position_ += covered;
  }
  range.flush();
  return position_ - chunkStart;
}

}  // namespace tolzeb

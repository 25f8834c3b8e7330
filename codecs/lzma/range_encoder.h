// The LZMA range encoder: bits under adaptive probabilities, bit trees and direct bits.
#pragma once

#include <cstdint>

#include "codecs/lzma/lzma_model.h"
#include "engine/core/bytes.h"

namespace tolzeb {

class RangeEncoder {
 public:
  // Starts a fresh coder that appends to `output`; the first byte it emits is always 0.
  explicit RangeEncoder(Bytes& output) : output_(output) {}

  void encodeBit(LzmaProbability& probability, uint32_t bit) {
    const uint32_t bound = (range_ >> kLzmaProbabilityBits) * probability;
    if (bit == 0) {
      range_ = bound;
      probability = LzmaProbability(probability + ((kLzmaProbabilityOne - probability) >> kLzmaAdaptShift));
    } else {
      low_ += bound;
      range_ -= bound;
      probability = LzmaProbability(probability - (probability >> kLzmaAdaptShift));
    }
    while (range_ < kLzmaRangeTop) {
      range_ <<= 8;
      shiftLow();
    }
  }

  // The `bitCount` low bits of `value`, most significant first, under a tree of 2^bitCount probabilities.
  void encodeBitTree(LzmaProbability* probabilities, unsigned bitCount, uint32_t value) {
    uint32_t node = 1;
    for (unsigned i = bitCount; i-- > 0;) {
      const uint32_t bit = (value >> i) & 1;
      encodeBit(probabilities[node], bit);
      node = node << 1 | bit;
    }
  }

  // The same tree walked least significant bit first.
  void encodeReverseBitTree(LzmaProbability* probabilities, unsigned bitCount, uint32_t value) {
    uint32_t node = 1;
    for (unsigned i = 0; i < bitCount; ++i) {
      const uint32_t bit = value & 1;
      value >>= 1;
      encodeBit(probabilities[node], bit);
      node = node << 1 | bit;
    }
  }

  // Bits at probability one half, most significant first.
  void encodeDirectBits(uint32_t value, unsigned bitCount) {
    for (unsigned i = bitCount; i-- > 0;) {
      range_ >>= 1;
      if ((value >> i) & 1) low_ += range_;
      while (range_ < kLzmaRangeTop) {
        range_ <<= 8;
        shiftLow();
      }
    }
  }

  void shiftLow();
  // Emits the remaining state; the output then holds the whole range-coded stream.
  void flush();

 private:
  Bytes& output_;
  uint64_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFF;
  uint8_t cache_ = 0;
  uint64_t pendingCount_ = 1;
};

}  // namespace tolzeb

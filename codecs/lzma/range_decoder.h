// The LZMA range decoder over one buffer. Past the end it shifts in zero bytes and raises a
// flag instead of failing, so the caller decides at a symbol boundary whether that matters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/lzma/lzma_model.h"

namespace tolzeb {

class RangeDecoder {
 public:
  // The caller has checked the 5-byte header: a zero byte, then the big-endian code.
  RangeDecoder(const uint8_t* data, size_t size) : data_(data), size_(size), position_(kLzmaRangeHeaderSize) {
    code_ = uint32_t(data[1]) << 24 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 8 | data[4];
  }

  // For a stream that arrives in pieces: the state carries on over the next piece of input.
  RangeDecoder() : data_(nullptr), size_(0), position_(0) {}
  void start(const uint8_t* data, size_t size) { *this = RangeDecoder(data, size); }
  void resume(const uint8_t* data, size_t size) {
    data_ = data;
    size_ = size;
    position_ = 0;
  }
  size_t position() const { return position_; }

  bool overran() const { return overran_; }

  uint32_t decodeBit(LzmaProbability& probability) {
    const uint32_t bound = (range_ >> kLzmaProbabilityBits) * probability;
    uint32_t bit;
    if (code_ < bound) {
      range_ = bound;
      probability = LzmaProbability(probability + ((kLzmaProbabilityOne - probability) >> kLzmaAdaptShift));
      bit = 0;
    } else {
      range_ -= bound;
      code_ -= bound;
      probability = LzmaProbability(probability - (probability >> kLzmaAdaptShift));
      bit = 1;
    }
    normalize();
    return bit;
  }

  uint32_t decodeBitTree(LzmaProbability* probabilities, unsigned bitCount) {
    uint32_t node = 1;
    for (unsigned i = 0; i < bitCount; ++i) node = node << 1 | decodeBit(probabilities[node]);
    return node - (1u << bitCount);
  }

  uint32_t decodeReverseBitTree(LzmaProbability* probabilities, unsigned bitCount) {
    uint32_t node = 1, value = 0;
    for (unsigned i = 0; i < bitCount; ++i) {
      const uint32_t bit = decodeBit(probabilities[node]);
      node = node << 1 | bit;
      value |= bit << i;
    }
    return value;
  }

  uint32_t decodeDirectBits(unsigned bitCount) {
    uint32_t value = 0;
    for (unsigned i = 0; i < bitCount; ++i) {
      range_ >>= 1;
      uint32_t bit = 0;
      if (code_ >= range_) {
        code_ -= range_;
        bit = 1;
      }
      value = value << 1 | bit;
      normalize();
    }
    return value;
  }

 private:
  void normalize() {
    if (range_ < kLzmaRangeTop) {
      range_ <<= 8;
      code_ <<= 8;
      if (position_ < size_)
        code_ |= data_[position_++];
      else
        overran_ = true;
    }
  }

  const uint8_t* data_;
  size_t size_;
  size_t position_;
  uint32_t range_ = 0xFFFFFFFF;
  uint32_t code_ = 0;
  bool overran_ = false;
};

}  // namespace tolzeb

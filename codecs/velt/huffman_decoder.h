// The Huffman block decoder as a stepping object, so that independent blocks (the three
// streams of a VELT_HUFF payload) can be decoded interleaved: each block's lookups form one
// chain of dependent loads, and running three chains side by side keeps the processor busy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "codecs/velt/huffman.h"
#include "engine/core/status.h"

namespace tolzeb {

class HuffmanBlockDecoder {
 public:
  // Reads the length prefix and the code table, with the checks and failures of huffmanDecode.
  Status open(std::span<const uint8_t> block, uint64_t bound);
  uint64_t symbolCount() const { return symbolCount_; }

  // Decoding writes symbolCount() bytes at `out`: fast steps while canStep(), then finish().
  void start(uint8_t* out) { out_ = out; }
  bool canStep() const { return decoded_ + 6 <= symbolCount_ && (bitPosition_ >> 3) + 8 <= dataSize_; }
  // With 8 whole bytes ahead one load gives at least 57 bits: three lookups' worth. Each lookup
  // writes two bytes, so canStep() keeps six symbols of room. Inline, so that interleaved
  // callers keep each block's position in a register.
  // Members are copied to locals first: a byte store may alias any of them, so they would be
  // reloaded after every symbol written.
  void step() {
    uint64_t bits = loadBits();
    uint64_t position = bitPosition_;
    uint8_t* const out = out_ + decoded_;
    const uint32_t* const pairs = pairs_;
    size_t written = 0;
    for (int k = 0; k < 3; ++k) {
      uint32_t entry = pairs[bits >> (64 - kPairTableBits)];
      unsigned length;
      if (entry != 0) [[likely]] {
        out[written] = uint8_t(entry >> 8);
        out[written + 1] = uint8_t(entry >> 16);
        written += (entry >> 5) & 3;
        length = entry & 31;
      } else {
        out[written++] = decodeOne(bits, length);
      }
      bits <<= length;
      position += length;
    }
    bitPosition_ = position;
    decoded_ += written;
  }
  Status finish();

 private:
  static constexpr unsigned kTableBits = 11;
  static constexpr unsigned kPairTableBits = 12;

  uint8_t decodeOne(uint64_t bits, unsigned& length) const;
  uint64_t loadBits() const {
    uint64_t v;
    std::memcpy(&v, data_ + (bitPosition_ >> 3), 8);
    return __builtin_bswap64(v) << (bitPosition_ & 7);
  }

  const uint8_t* data_ = nullptr;
  size_t dataSize_ = 0;
  uint64_t symbolCount_ = 0;
  uint8_t* out_ = nullptr;
  uint64_t decoded_ = 0;
  uint64_t bitPosition_ = 0;
  unsigned tableBits_ = 0;
  // Entry: symbol << 4 | length, or 0 when the code is longer than tableBits_.
  uint16_t table_[1u << kTableBits];
  // Up to two symbols per lookup of 12 bits. Entry: bits used (low 5 bits, so the shift needs
  // no unpacking), symbol count (2 bits; 0 for a code longer than the table), the symbols.
  uint32_t pairs_[1u << kPairTableBits];
  // Codes longer than the table, resolved length by length.
  uint32_t firstCode_[kHuffmanMaxCodeLength + 2] = {};
  uint32_t lengthCount_[kHuffmanMaxCodeLength + 2] = {};
  uint32_t firstIndex_[kHuffmanMaxCodeLength + 2] = {};
  uint8_t symbolsByLength_[kHuffmanSymbolCount];
};

}  // namespace tolzeb

// The Huffman block decoder as a stepping object, so that independent blocks (the three
// streams of a VELT_HUFF payload) can be decoded interleaved: each block's lookups form one
// chain of dependent loads, and running three chains side by side keeps the processor busy.
#pragma once

#include <algorithm>
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

  // Decoding writes symbolCount() bytes at `out`: the fast steps of decodeTogether, then finish().
  void start(uint8_t* out) { out_ = out; }

  // Runs the fast steps of up to three blocks side by side while every one of them can step.
  // Between batches of steps that surely stay inside each block's data and output, the blocks'
  // positions are held in locals: a byte store may alias any member, so members would be
  // reloaded after every symbol written.
  template <size_t Count>
  static void decodeTogether(HuffmanBlockDecoder* const (&decoders)[Count]) {
    static_assert(Count >= 1 && Count <= 3);
    for (;;) {
      size_t steps = decoders[0]->safeSteps();
      for (size_t k = 1; k < Count; ++k) steps = std::min(steps, decoders[k]->safeSteps());
      if (steps == 0) return;
      Cursor cursors[Count];
      for (size_t k = 0; k < Count; ++k) cursors[k] = decoders[k]->cursor();
      for (; steps > 0; --steps)
        for (size_t k = 0; k < Count; ++k) decoders[k]->step(cursors[k]);
      for (size_t k = 0; k < Count; ++k) decoders[k]->setCursor(cursors[k]);
    }
  }
  Status finish();

 private:
  static constexpr unsigned kTableBits = 11;
  static constexpr unsigned kPairTableBits = 12;

  uint8_t decodeOne(uint64_t bits, unsigned& length) const;

  // A step makes three lookups: at most 3 x 15 bits, fewer than the 57 that one load of 8 whole
  // bytes gives, and at most six symbols, each lookup writing two bytes.
  static constexpr size_t kStepMaxBytesRead = 6;
  static constexpr size_t kStepLoadBytes = 8;
  static constexpr size_t kStepMaxSymbols = 6;

  // Steps that surely keep their loads inside the data and their writes inside the output.
  size_t safeSteps() const {
    const size_t byteIndex = size_t(bitPosition_ >> 3);
    const uint64_t symbolsLeft = symbolCount_ - decoded_;
    if (symbolsLeft < kStepMaxSymbols || byteIndex + kStepLoadBytes > dataSize_) return 0;
    return size_t(std::min<uint64_t>(symbolsLeft / kStepMaxSymbols,
                                     (dataSize_ - byteIndex - kStepLoadBytes) / kStepMaxBytesRead + 1));
  }

  // The tables are copied in too, so that they stay in registers across the byte stores.
  struct Cursor {
    const uint8_t* data;
    const uint32_t* pairs;
    uint64_t bitPosition;
    uint8_t* out;
  };
  Cursor cursor() const { return {data_, pairs_, bitPosition_, out_ + decoded_}; }
  void setCursor(const Cursor& c) {
    bitPosition_ = c.bitPosition;
    decoded_ = uint64_t(c.out - out_);
  }

  [[gnu::always_inline]] void step(Cursor& c) const {
    uint64_t v;
    std::memcpy(&v, c.data + (c.bitPosition >> 3), 8);
    uint64_t bits = __builtin_bswap64(v) << (c.bitPosition & 7);
    uint64_t position = c.bitPosition;
    uint8_t* out = c.out;
    const uint32_t* const pairs = c.pairs;
    for (int k = 0; k < 3; ++k) {
      uint32_t entry = pairs[bits >> (64 - kPairTableBits)];
      unsigned length;
      if (entry != 0) [[likely]] {
        out[0] = uint8_t(entry >> 8);
        out[1] = uint8_t(entry >> 16);
        out += (entry >> 5) & 3;
        length = entry & 31;
      } else {
        *out++ = decodeOne(bits, length);
      }
      bits <<= length;
      position += length;
    }
    c.bitPosition = position;
    c.out = out;
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

// Hand-built DEFLATE streams for the decoder tests: a bit sink in RFC 1951 order and writers for
// fixed and dynamic block headers, so each malformed case is a few readable lines.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/core/bytes.h"

namespace tolzeb::deflatetest {

class BitSink {
 public:
  // Plain values (block header fields, extra bits): least significant bit first.
  BitSink& put(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) putBit((value >> i) & 1);
    return *this;
  }
  // Huffman codes: most significant bit first.
  BitSink& putCode(uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) putBit((code >> i) & 1);
    return *this;
  }
  BitSink& putByte(uint8_t byte) { return put(byte, 8); }
  size_t bitCount() const { return bitCount_; }
  Bytes bytes() const { return bytes_; }

 private:
  void putBit(unsigned bit) {
    if (bitCount_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() |= uint8_t(bit << (bitCount_ % 8));
    ++bitCount_;
  }
  Bytes bytes_;
  size_t bitCount_ = 0;
};

// Canonical codes of RFC 1951 3.2.2 for the given lengths.
inline std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths) {
  unsigned count[16] = {}, next[16] = {};
  for (uint8_t l : lengths) ++count[l];
  count[0] = 0;
  for (unsigned len = 1, code = 0; len < 16; ++len) next[len] = code = (code + count[len - 1]) << 1;
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

// The fixed code: literal/length and distance symbols.
inline void fixedLiteralLength(BitSink& sink, unsigned symbol) {
  if (symbol < 144)
    sink.putCode(0x30 + symbol, 8);
  else if (symbol < 256)
    sink.putCode(0x190 + symbol - 144, 9);
  else if (symbol < 280)
    sink.putCode(symbol - 256, 7);
  else
    sink.putCode(0xC0 + symbol - 280, 8);
}
inline void fixedDistance(BitSink& sink, unsigned symbol) { sink.putCode(symbol, 5); }

inline void blockHeader(BitSink& sink, bool final, unsigned type) { sink.put(final, 1).put(type, 2); }

// A complete code-length code over all 19 symbols: 0-12 get 4 bits, 13-18 get 5 bits.
inline std::vector<uint8_t> fullCodeLengthCode() {
  std::vector<uint8_t> lengths(19, 4);
  for (unsigned s = 13; s < 19; ++s) lengths[s] = 5;
  return lengths;
}

inline constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// HLIT, HDIST, HCLEN and the code-length code lengths (given by symbol), sent in full.
inline void dynamicPreamble(BitSink& sink, unsigned hlit, unsigned hdist, const std::vector<uint8_t>& codeLengthCode) {
  sink.put(hlit, 5).put(hdist, 5).put(15, 4);
  for (uint8_t symbol : kOrder) sink.put(codeLengthCode[symbol], 3);
}

// Code-length symbols (with their extra bits) in a given code-length code.
inline void codeLengthSymbols(BitSink& sink, const std::vector<uint8_t>& codeLengthCode,
                              const std::vector<std::pair<unsigned, unsigned>>& symbols) {
  const std::vector<uint32_t> codes = canonicalCodes(codeLengthCode);
  for (auto [symbol, extra] : symbols) {
    sink.putCode(codes[symbol], codeLengthCode[symbol]);
    if (symbol == 16) sink.put(extra, 2);
    if (symbol == 17) sink.put(extra, 3);
    if (symbol == 18) sink.put(extra, 7);
  }
}

// A whole dynamic header whose lengths are sent one by one.
struct DynamicCodes {
  std::vector<uint8_t> literalLength;  // 257 to 286 lengths
  std::vector<uint8_t> distance;       // 1 to 30 lengths
};

inline void dynamicHeader(BitSink& sink, bool final, const DynamicCodes& codes) {
  blockHeader(sink, final, 2);
  const std::vector<uint8_t> clc = fullCodeLengthCode();
  dynamicPreamble(sink, unsigned(codes.literalLength.size() - 257), unsigned(codes.distance.size() - 1), clc);
  std::vector<std::pair<unsigned, unsigned>> symbols;
  for (uint8_t l : codes.literalLength) symbols.push_back({l, 0});
  for (uint8_t l : codes.distance) symbols.push_back({l, 0});
  codeLengthSymbols(sink, clc, symbols);
}

}  // namespace tolzeb::deflatetest

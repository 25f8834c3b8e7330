// Order-0 Huffman coding of a byte stream with canonical, length-limited codes (RFC 1951 3.2.2
// ordering), and the package-merge code builder it shares with the DEFLATE encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

inline constexpr unsigned kHuffmanMaxCodeLength = 15;
inline constexpr size_t kHuffmanSymbolCount = 256;

// Lengths of a length-limited Huffman code for the non-zero weights (zero weights get 0).
// Needs limit >= 1 and at most 2^limit non-zero weights. The result is exact: ties are broken
// by symbol, so every caller gets the same code for the same weights.
void buildHuffmanCodeLengths(const uint64_t* weights, size_t count, unsigned limit, uint8_t* lengths);

struct CanonicalCode {
  uint16_t code[kHuffmanSymbolCount] = {};
  uint8_t length[kHuffmanSymbolCount] = {};
  uint32_t longestLength = 0;
};

// Needs every length at most 15.
CanonicalCode canonicalHuffmanCodes(const uint8_t lengths[kHuffmanSymbolCount]);

// A Huffman block (varint n, 256 code lengths, MSB-first code bits), or empty when coding would
// not pay. An empty stream fails with code 2.
Result<Bytes> huffmanEncode(std::span<const uint8_t> stream);

// The n decoded bytes of a Huffman block, n at most `bound`; code 3 on any malformation.
Result<Bytes> huffmanDecode(std::span<const uint8_t> block, uint64_t bound);

// As huffmanDecode, appending the decoded bytes to `output` (left unspecified on failure).
Status huffmanDecodeAppend(std::span<const uint8_t> block, uint64_t bound, Bytes& output);

}  // namespace tolzeb

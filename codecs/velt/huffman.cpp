#include "codecs/velt/huffman.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tolzeb {
namespace {

Failure corrupt(const wchar_t* message) { return Failure{StatusCode::corrupt_archive, message}; }

constexpr size_t kCodeTableSize = kHuffmanSymbolCount;
// Estimated block size beyond the code bits: the code table and a generous length prefix.
constexpr uint64_t kBlockOverhead = 266;
constexpr unsigned kFastTableBits = 11;
// The decode loop's table of symbol pairs is a bit wider, so that more pairs of codes fit.
constexpr unsigned kPairTableBits = 12;

// A package-merge list item: a leaf (index into the sorted leaves) or the package formed from
// items 2k and 2k + 1 of the previous list.
struct MergeItem {
  uint64_t weight;
  int32_t leaf;  // -1 for a package
};

inline uint64_t loadBigEndian64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

}  // namespace

void buildHuffmanCodeLengths(const uint64_t* weights, size_t count, unsigned limit, uint8_t* lengths) {
  std::fill(lengths, lengths + count, uint8_t(0));
  struct Leaf {
    uint64_t weight;
    uint32_t symbol;
  };
  std::vector<Leaf> leaves;
  for (size_t s = 0; s < count; ++s)
    if (weights[s] != 0) leaves.push_back({weights[s], uint32_t(s)});
  if (leaves.empty()) return;
  if (leaves.size() == 1) {
    lengths[leaves[0].symbol] = 1;
    return;
  }
  // Collected in symbol order, so a stable sort orders equal weights by symbol.
  std::stable_sort(leaves.begin(), leaves.end(), [](const Leaf& a, const Leaf& b) { return a.weight < b.weight; });
  const size_t leafCount = leaves.size();

  std::vector<std::vector<MergeItem>> lists(limit);
  for (size_t k = 0; k < leafCount; ++k) lists[0].push_back({leaves[k].weight, int32_t(k)});
  for (unsigned level = 1; level < limit; ++level) {
    const std::vector<MergeItem>& previous = lists[level - 1];
    std::vector<MergeItem>& merged = lists[level];
    merged.reserve(leafCount + previous.size() / 2);
    size_t nextLeaf = 0, nextPackage = 0, packageCount = previous.size() / 2;
    while (nextLeaf < leafCount || nextPackage < packageCount) {
      bool takePackage = false;
      uint64_t packageWeight = 0;
      if (nextPackage < packageCount) {
        packageWeight = previous[2 * nextPackage].weight + previous[2 * nextPackage + 1].weight;
        // At equal weight the leaf goes first.
        takePackage = nextLeaf == leafCount || packageWeight < leaves[nextLeaf].weight;
      }
      if (takePackage) {
        merged.push_back({packageWeight, -1});
        ++nextPackage;
      } else {
        merged.push_back({leaves[nextLeaf].weight, int32_t(nextLeaf)});
        ++nextLeaf;
      }
    }
  }

  // A symbol's length is how often it occurs among the first 2n - 2 items of the final list.
  // The chosen packages of each list are a prefix of its packages, so the items they cover in
  // the list before form a prefix too.
  size_t chosen = 2 * leafCount - 2;
  for (unsigned level = limit; level-- > 0;) {
    const std::vector<MergeItem>& list = lists[level];
    size_t packagesChosen = 0;
    for (size_t k = 0; k < chosen; ++k) {
      if (list[k].leaf >= 0)
        ++lengths[leaves[size_t(list[k].leaf)].symbol];
      else
        ++packagesChosen;
    }
    chosen = 2 * packagesChosen;
  }
}

CanonicalCode canonicalHuffmanCodes(const uint8_t lengths[kHuffmanSymbolCount]) {
  CanonicalCode result;
  uint32_t lengthCount[kHuffmanMaxCodeLength + 1] = {};
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s) {
    ++lengthCount[lengths[s]];
    result.length[s] = lengths[s];
    result.longestLength = std::max<uint32_t>(result.longestLength, lengths[s]);
  }
  uint32_t nextCode[kHuffmanMaxCodeLength + 1] = {};
  uint32_t code = 0;
  lengthCount[0] = 0;
  for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
    code = (code + lengthCount[len - 1]) << 1;
    nextCode[len] = code;
  }
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s)
    if (lengths[s] != 0) result.code[s] = uint16_t(nextCode[lengths[s]]++);
  return result;
}

Result<Bytes> huffmanEncode(std::span<const uint8_t> stream) {
  if (stream.empty()) return Failure{StatusCode::invalid_argument, L"Huffman stage was given no input"};
  // Four interleaved histograms keep the counting loop free of store-to-load stalls.
  uint64_t partial[4][kHuffmanSymbolCount] = {};
  size_t i = 0;
  const uint8_t* data = stream.data();
  for (; i + 4 <= stream.size(); i += 4) {
    ++partial[0][data[i]];
    ++partial[1][data[i + 1]];
    ++partial[2][data[i + 2]];
    ++partial[3][data[i + 3]];
  }
  for (; i < stream.size(); ++i) ++partial[0][data[i]];
  uint64_t frequency[kHuffmanSymbolCount];
  unsigned used = 0;
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s) {
    frequency[s] = partial[0][s] + partial[1][s] + partial[2][s] + partial[3][s];
    used += frequency[s] != 0;
  }
  uint8_t lengths[kHuffmanSymbolCount];
  buildHuffmanCodeLengths(frequency, kHuffmanSymbolCount, kHuffmanMaxCodeLength, lengths);
  uint64_t bits = 0;
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s) bits += frequency[s] * lengths[s];
  uint64_t codeBytes = (bits + 7) / 8;
  if (used < 2 || codeBytes + kBlockOverhead >= stream.size()) return Bytes{};

  CanonicalCode code = canonicalHuffmanCodes(lengths);
  Bytes block;
  appendVarint(block, stream.size());
  block.insert(block.end(), lengths, lengths + kCodeTableSize);
  size_t bitsStart = block.size();
  // Four bytes of room for the last whole-word store.
  block.resize(bitsStart + codeBytes + 4);
  uint8_t* out = block.data() + bitsStart;
  uint64_t pending = 0;
  unsigned pendingBits = 0;
  for (uint8_t byte : stream) {
    pending = pending << code.length[byte] | code.code[byte];
    pendingBits += code.length[byte];
    if (pendingBits >= 32) {
      pendingBits -= 32;
      uint32_t word = __builtin_bswap32(uint32_t(pending >> pendingBits));
      std::memcpy(out, &word, 4);
      out += 4;
    }
  }
  while (pendingBits >= 8) {
    pendingBits -= 8;
    *out++ = uint8_t(pending >> pendingBits);
  }
  if (pendingBits > 0) *out++ = uint8_t(pending << (8 - pendingBits));
  block.resize(size_t(out - block.data()));
  if (block.size() >= stream.size()) return Bytes{};
  return block;
}

Status huffmanDecodeAppend(std::span<const uint8_t> block, uint64_t bound, Bytes& output) {
  ByteReader reader(block.data(), block.size());
  std::optional<uint64_t> declared = readVarint(reader);
  if (!declared) return corrupt(L"Huffman payload has no length prefix");
  if (*declared == 0) return corrupt(L"Huffman payload declares a zero length");
  if (*declared > bound) return corrupt(L"Huffman payload declares a length above the permitted bound");
  const uint8_t* lengths = reader.take(kCodeTableSize);
  if (!lengths) return corrupt(L"Huffman payload is missing its code table");
  for (size_t s = 0; s < kCodeTableSize; ++s)
    if (lengths[s] > kHuffmanMaxCodeLength) return corrupt(L"Huffman code table declares a code longer than 15 bits");
  unsigned present = 0;
  uint32_t kraftSum = 0;
  for (size_t s = 0; s < kCodeTableSize; ++s) {
    if (lengths[s] == 0) continue;
    ++present;
    kraftSum += 1u << (kHuffmanMaxCodeLength - lengths[s]);
  }
  if (present < 2) return corrupt(L"Huffman code table describes fewer than two symbols");
  if (kraftSum != 1u << kHuffmanMaxCodeLength) return corrupt(L"Huffman code table is not a complete prefix code");

  const uint8_t* data = block.data() + reader.pos;
  const size_t dataSize = reader.remaining();
  const uint64_t totalBits = uint64_t(dataSize) * 8;
  const uint64_t symbolCount = *declared;
  // Every code is at least one bit long, so more symbols than bits can only end truncated.
  if (symbolCount > totalBits) return corrupt(L"Huffman bitstream is truncated");

  CanonicalCode code = canonicalHuffmanCodes(lengths);
  const unsigned tableBits = std::min<unsigned>(code.longestLength, kFastTableBits);
  // Entry: symbol << 4 | length, or 0 when the code is longer than tableBits.
  uint16_t table[1u << kFastTableBits];
  std::memset(table, 0, sizeof(uint16_t) << tableBits);
  // Codes longer than tableBits, resolved length by length.
  uint32_t firstCode[kHuffmanMaxCodeLength + 2] = {};
  uint32_t lengthCount[kHuffmanMaxCodeLength + 2] = {};
  uint32_t firstIndex[kHuffmanMaxCodeLength + 2] = {};
  uint8_t symbolsByLength[kHuffmanSymbolCount];
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s) ++lengthCount[code.length[s]];
  {
    uint32_t index = 0;
    for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
      firstIndex[len] = index;
      index += lengthCount[len];
    }
    uint32_t fill[kHuffmanMaxCodeLength + 1];
    std::memcpy(fill, firstIndex, sizeof(fill));
    for (size_t s = 0; s < kHuffmanSymbolCount; ++s) {
      unsigned len = code.length[s];
      if (len == 0) continue;
      symbolsByLength[fill[len]++] = uint8_t(s);
      if (len <= tableBits) {
        uint32_t start = uint32_t(code.code[s]) << (tableBits - len);
        uint32_t span = 1u << (tableBits - len);
        for (uint32_t k = 0; k < span; ++k) table[start + k] = uint16_t(s << 4 | len);
      }
    }
    for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
      // The smallest code of this length: the symbol of lowest value among those of this length.
      firstCode[len] = lengthCount[len] ? code.code[symbolsByLength[firstIndex[len]]] : 0;
    }
  }

  // The symbol at the top of `bits` (MSB first); a complete code always matches.
  auto decodeOne = [&](uint64_t bits, unsigned& length) -> uint8_t {
    uint16_t entry = table[bits >> (64 - tableBits)];
    if (entry != 0) {
      length = entry & 15;
      return uint8_t(entry >> 4);
    }
    for (unsigned len = tableBits + 1;; ++len) {
      uint32_t prefix = uint32_t(bits >> (64 - len));
      if (lengthCount[len] != 0 && prefix - firstCode[len] < lengthCount[len]) {
        length = len;
        return symbolsByLength[firstIndex[len] + prefix - firstCode[len]];
      }
    }
  };

  // The fast loop looks up the next 12 bits in a table that yields up to two symbols at once
  // (when both codes fit), shortening the chain of dependent lookups on short codes. Entry:
  // bits used (low 5 bits, so the shift needs no unpacking), symbol count (2 bits; 0 for a code
  // longer than the single-symbol table), first symbol, second symbol.
  uint32_t pairs[1u << kPairTableBits];
  for (uint32_t index = 0; index < (1u << kPairTableBits); ++index) {
    uint16_t first = table[index >> (kPairTableBits - tableBits)];
    if (first == 0) {
      pairs[index] = 0;
      continue;
    }
    uint32_t firstLength = first & 15;
    uint32_t rest = (index << firstLength) & ((1u << kPairTableBits) - 1);
    uint16_t second = table[rest >> (kPairTableBits - tableBits)];
    uint32_t secondLength = second & 15;
    if (second != 0 && firstLength + secondLength <= kPairTableBits)
      pairs[index] = (firstLength + secondLength) | 2u << 5 | uint32_t(first >> 4) << 8 | uint32_t(second >> 4) << 16;
    else
      pairs[index] = firstLength | 1u << 5 | uint32_t(first >> 4) << 8;
  }

  size_t start = output.size();
  output.resize(start + size_t(symbolCount));
  uint8_t* out = output.data() + start;
  uint64_t decoded = 0;
  uint64_t bitPosition = 0;
  // While 8 whole bytes remain ahead, one load gives at least 57 bits: three lookups' worth.
  // Each lookup writes two bytes, so six symbols of room are kept.
  while (decoded + 6 <= symbolCount && (bitPosition >> 3) + 8 <= dataSize) {
    uint64_t bits = loadBigEndian64(data + (bitPosition >> 3)) << (bitPosition & 7);
    for (int k = 0; k < 3; ++k) {
      uint32_t entry = pairs[bits >> (64 - kPairTableBits)];
      unsigned length;
      if (entry != 0) {
        out[decoded] = uint8_t(entry >> 8);
        out[decoded + 1] = uint8_t(entry >> 16);
        decoded += (entry >> 5) & 3;
        length = entry & 31;
      } else {
        out[decoded++] = decodeOne(bits, length);
      }
      bits <<= length;
      bitPosition += length;
    }
  }
  // Near the end: past the data the reader sees zero bits, and every code is checked to fit.
  while (decoded < symbolCount) {
    uint64_t bits = 0;
    size_t byteIndex = size_t(bitPosition >> 3);
    for (size_t k = 0; k < 8 && byteIndex + k < dataSize; ++k) bits |= uint64_t(data[byteIndex + k]) << (56 - 8 * k);
    bits <<= bitPosition & 7;
    unsigned length;
    uint8_t symbol = decodeOne(bits, length);
    if (bitPosition + length > totalBits) return corrupt(L"Huffman bitstream is truncated");
    out[decoded++] = symbol;
    bitPosition += length;
  }
  uint64_t unread = totalBits - bitPosition;
  if (unread >= 8 || (unread > 0 && (data[dataSize - 1] & ((1u << unread) - 1)) != 0))
    return corrupt(L"Huffman bitstream has trailing data after the last symbol");
  return Status();
}

Result<Bytes> huffmanDecode(std::span<const uint8_t> block, uint64_t bound) {
  Bytes output;
  TOLZEB_TRY(huffmanDecodeAppend(block, bound, output));
  return output;
}

}  // namespace tolzeb

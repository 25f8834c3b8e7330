#include "codecs/velt/huffman.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/velt/huffman_decoder.h"

namespace tolzeb {
namespace {

constexpr size_t kCodeTableSize = kHuffmanSymbolCount;
// Estimated block size beyond the code bits: the code table and a generous length prefix.
constexpr uint64_t kBlockOverhead = 266;

// A package-merge list item: a leaf (index into the sorted leaves) or the package formed from
// items 2k and 2k + 1 of the previous list.
struct MergeItem {
  uint64_t weight;
  int32_t leaf;  // -1 for a package
};

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
  // Eight bytes of room for the last whole-word store.
  block.resize(bitsStart + codeBytes + 8);
  uint8_t* out = block.data() + bitsStart;
  uint64_t pending = 0;
  unsigned pendingBits = 0;
  // After a flush at most 7 bits wait, so three codes of up to 15 bits fit the 64-bit word; the
  // flush stores the whole word and keeps the bits short of a byte, without a branch.
  static_assert(7 + 3 * kHuffmanMaxCodeLength <= 64);
  auto put = [&](uint8_t byte) {
    pending = pending << code.length[byte] | code.code[byte];
    pendingBits += code.length[byte];
  };
  auto flush = [&] {
    const uint64_t word = __builtin_bswap64(pending << (64 - pendingBits));
    std::memcpy(out, &word, 8);
    out += pendingBits >> 3;
    pendingBits &= 7;
  };
  const uint8_t* next = stream.data();
  const uint8_t* const end = next + stream.size();
  for (; end - next >= 3; next += 3) {
    put(next[0]);
    put(next[1]);
    put(next[2]);
    flush();  // every code is at least one bit long, so at least three bits wait here
  }
  for (; next != end; ++next) put(*next);
  while (pendingBits >= 8) {
    pendingBits -= 8;
    *out++ = uint8_t(pending >> pendingBits);
  }
  if (pendingBits > 0) *out++ = uint8_t(pending << (8 - pendingBits));
  block.resize(size_t(out - block.data()));
  if (block.size() >= stream.size()) return Bytes{};
  return block;
}

Status HuffmanBlockDecoder::open(std::span<const uint8_t> block, uint64_t bound) {
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

  data_ = block.data() + reader.pos;
  dataSize_ = reader.remaining();
  symbolCount_ = *declared;
  // Every code is at least one bit long, so more symbols than bits can only end truncated.
  if (symbolCount_ > uint64_t(dataSize_) * 8) return corrupt(L"Huffman bitstream is truncated");

  CanonicalCode code = canonicalHuffmanCodes(lengths);
  tableBits_ = std::min<unsigned>(code.longestLength, kTableBits);
  std::memset(table_, 0, sizeof(uint16_t) << tableBits_);
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s) ++lengthCount_[code.length[s]];
  uint32_t index = 0;
  for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
    firstIndex_[len] = index;
    index += lengthCount_[len];
  }
  uint32_t fill[kHuffmanMaxCodeLength + 1];
  std::memcpy(fill, firstIndex_, sizeof(fill));
  for (size_t s = 0; s < kHuffmanSymbolCount; ++s) {
    unsigned len = code.length[s];
    if (len == 0) continue;
    symbolsByLength_[fill[len]++] = uint8_t(s);
    if (len <= tableBits_) {
      uint32_t start = uint32_t(code.code[s]) << (tableBits_ - len);
      uint32_t span = 1u << (tableBits_ - len);
      for (uint32_t k = 0; k < span; ++k) table_[start + k] = uint16_t(s << 4 | len);
    }
  }
  // The smallest code of each length: the symbol of lowest value among those of that length.
  for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len)
    firstCode_[len] = lengthCount_[len] ? code.code[symbolsByLength_[firstIndex_[len]]] : 0;

  for (uint32_t prefix = 0; prefix < (1u << kPairTableBits); ++prefix) {
    uint16_t first = table_[prefix >> (kPairTableBits - tableBits_)];
    if (first == 0) {
      pairs_[prefix] = 0;
      continue;
    }
    uint32_t firstLength = first & 15;
    uint32_t rest = (prefix << firstLength) & ((1u << kPairTableBits) - 1);
    uint16_t second = table_[rest >> (kPairTableBits - tableBits_)];
    uint32_t secondLength = second & 15;
    if (second != 0 && firstLength + secondLength <= kPairTableBits)
      pairs_[prefix] = (firstLength + secondLength) | 2u << 5 | uint32_t(first >> 4) << 8 | uint32_t(second >> 4) << 16;
    else
      pairs_[prefix] = firstLength | 1u << 5 | uint32_t(first >> 4) << 8;
  }
  return Status();
}

// The symbol at the top of `bits` (MSB first); a complete code always matches.
uint8_t HuffmanBlockDecoder::decodeOne(uint64_t bits, unsigned& length) const {
  uint16_t entry = table_[bits >> (64 - tableBits_)];
  if (entry != 0) {
    length = entry & 15;
    return uint8_t(entry >> 4);
  }
  for (unsigned len = tableBits_ + 1;; ++len) {
    uint32_t prefix = uint32_t(bits >> (64 - len));
    if (lengthCount_[len] != 0 && prefix - firstCode_[len] < lengthCount_[len]) {
      length = len;
      return symbolsByLength_[firstIndex_[len] + prefix - firstCode_[len]];
    }
  }
}

// Near the end: past the data the reader sees zero bits, and every code is checked to fit.
Status HuffmanBlockDecoder::finish() {
  const uint64_t totalBits = uint64_t(dataSize_) * 8;
  while (decoded_ < symbolCount_) {
    uint64_t bits = 0;
    size_t byteIndex = size_t(bitPosition_ >> 3);
    for (size_t k = 0; k < 8 && byteIndex + k < dataSize_; ++k) bits |= uint64_t(data_[byteIndex + k]) << (56 - 8 * k);
    bits <<= bitPosition_ & 7;
    unsigned length;
    uint8_t symbol = decodeOne(bits, length);
    if (bitPosition_ + length > totalBits) return corrupt(L"Huffman bitstream is truncated");
    out_[decoded_++] = symbol;
    bitPosition_ += length;
  }
  uint64_t unread = totalBits - bitPosition_;
  if (unread >= 8 || (unread > 0 && (data_[dataSize_ - 1] & ((1u << unread) - 1)) != 0))
    return corrupt(L"Huffman bitstream has trailing data after the last symbol");
  return Status();
}

Status huffmanDecodeAppend(std::span<const uint8_t> block, uint64_t bound, Bytes& output) {
  HuffmanBlockDecoder decoder;
  TOLZEB_TRY(decoder.open(block, bound));
  size_t start = output.size();
  output.resize(start + size_t(decoder.symbolCount()));
  decoder.start(output.data() + start);
  HuffmanBlockDecoder* const single[] = {&decoder};
  HuffmanBlockDecoder::decodeTogether(single);
  return decoder.finish();
}

Result<Bytes> huffmanDecode(std::span<const uint8_t> block, uint64_t bound) {
  Bytes output;
  TOLZEB_TRY(huffmanDecodeAppend(block, bound, output));
  return output;
}

}  // namespace tolzeb

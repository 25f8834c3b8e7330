#include "codecs/velt/huffman.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/codecs/velt/test_data.h"

namespace tolzeb {
namespace {

struct LengthCase {
  std::vector<uint64_t> weights;
  unsigned limit;
  std::vector<uint8_t> expected;
};

TEST(HuffmanCodeLengthsTest, PackageMergeTable) {
  std::vector<uint64_t> tieWeights(10, 0);
  tieWeights[7] = tieWeights[3] = tieWeights[9] = 5;
  std::vector<uint8_t> tieLengths(10, 0);
  tieLengths[9] = 1;
  tieLengths[3] = tieLengths[7] = 2;
  const LengthCase cases[] = {
      {{1, 1, 2, 4}, 15, {3, 3, 2, 1}},
      {{1, 1, 2, 4}, 2, {2, 2, 2, 2}},
      // Equal weights go by symbol, and the leaves ordered first are packaged first.
      {tieWeights, 15, tieLengths},
      {{0, 0, 0}, 15, {0, 0, 0}},
      {{0, 9, 0}, 15, {0, 1, 0}},
      {{3, 0, 3}, 1, {1, 0, 1}},
  };
  for (const LengthCase& c : cases) {
    std::vector<uint8_t> lengths(c.weights.size(), 0xFF);
    buildHuffmanCodeLengths(c.weights.data(), c.weights.size(), c.limit, lengths.data());
    EXPECT_EQ(lengths, c.expected) << ::testing::PrintToString(c.weights) << " limit " << c.limit;
  }
}

// Skewed weights over many symbols: every limit is kept and the code is exactly complete.
TEST(HuffmanCodeLengthsTest, LimitedCodesStayComplete) {
  for (unsigned limit : {7u, 9u, 15u}) {
    for (size_t count : {2u, 19u, 30u, 128u, 286u}) {
      if (count > (size_t(1) << limit)) continue;
      std::vector<uint64_t> weights(count);
      uint64_t w = 1;
      for (size_t s = 0; s < count; ++s) weights[s] = (w = w * 3 / 2 + 1) % 1000003 + 1;
      std::vector<uint8_t> lengths(count);
      buildHuffmanCodeLengths(weights.data(), count, limit, lengths.data());
      uint64_t kraft = 0;
      for (uint8_t len : lengths) {
        ASSERT_GE(len, 1);
        ASSERT_LE(len, limit);
        kraft += uint64_t(1) << (limit - len);
      }
      EXPECT_EQ(kraft, uint64_t(1) << limit) << "limit " << limit << " count " << count;
    }
  }
}

TEST(CanonicalHuffmanCodesTest, ShorterCodesPrecedeAndValuesAscendWithinALength) {
  uint8_t lengths[256] = {};
  lengths[uint8_t('A')] = 2;
  lengths[uint8_t('B')] = 1;
  lengths[uint8_t('C')] = 3;
  lengths[uint8_t('D')] = 3;
  CanonicalCode code = canonicalHuffmanCodes(lengths);
  EXPECT_EQ(code.code[uint8_t('B')], 0b0);
  EXPECT_EQ(code.code[uint8_t('A')], 0b10);
  EXPECT_EQ(code.code[uint8_t('C')], 0b110);
  EXPECT_EQ(code.code[uint8_t('D')], 0b111);
  EXPECT_EQ(code.longestLength, 3u);
}

// n, then 256 code lengths, then the given code bytes.
Bytes block(uint64_t n, std::initializer_list<std::pair<uint8_t, uint8_t>> lengths, std::initializer_list<uint8_t> bits) {
  Bytes out;
  appendVarint(out, n);
  size_t table = out.size();
  out.resize(table + 256, 0);
  for (auto [symbol, length] : lengths) out[table + symbol] = length;
  for (uint8_t b : bits) out.push_back(b);
  return out;
}

struct DecodeCase {
  const char* name;
  Bytes block;
  uint64_t bound;
  std::wstring message;  // empty: decodes to `expected`
  Bytes expected;
};

TEST(HuffmanDecodeTest, Table) {
  Bytes tooLong = block(1, {{0, 1}, {1, 1}}, {});
  tooLong[1 + 200] = 16;
  tooLong[1 + 5] = 0;
  const DecodeCase cases[] = {
      {"no prefix", {}, 10, L"Huffman payload has no length prefix", {}},
      {"non-minimal prefix", {0x80, 0x00}, 10, L"Huffman payload has no length prefix", {}},
      {"zero length", block(0, {{0, 1}, {1, 1}}, {0}), 10, L"Huffman payload declares a zero length", {}},
      {"above bound", block(11, {{0, 1}, {1, 1}}, {0, 0}), 10, L"Huffman payload declares a length above the permitted bound", {}},
      {"at the bound", block(10, {{'a', 1}, {'b', 1}}, {0b01000000, 0}), 10, L"", Bytes{'a', 'b', 'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a'}},
      {"short table", Bytes(200, 1), 10, L"Huffman payload is missing its code table", {}},
      {"code over 15 bits", tooLong, 10, L"Huffman code table declares a code longer than 15 bits", {}},
      {"single symbol", block(1, {{7, 1}}, {0}), 10, L"Huffman code table describes fewer than two symbols", {}},
      {"incomplete", block(1, {{1, 1}, {2, 2}}, {0}), 10, L"Huffman code table is not a complete prefix code", {}},
      {"oversubscribed", block(1, {{1, 1}, {2, 1}, {3, 1}}, {0}), 10, L"Huffman code table is not a complete prefix code", {}},
      {"complete 1,2,2", block(3, {{1, 1}, {2, 2}, {3, 2}}, {0b01011000}), 10, L"", Bytes{1, 2, 3}},
      {"seven padding bits", block(1, {{'x', 1}, {'y', 1}}, {0b10000000}), 10, L"", Bytes{'y'}},
      {"padding bit set", block(1, {{'x', 1}, {'y', 1}}, {0b10000001}), 10,
       L"Huffman bitstream has trailing data after the last symbol", {}},
      {"whole extra byte", block(1, {{'x', 1}, {'y', 1}}, {0b10000000, 0}), 10,
       L"Huffman bitstream has trailing data after the last symbol", {}},
      {"truncated", block(9, {{'x', 1}, {'y', 1}}, {0}), 10, L"Huffman bitstream is truncated", {}},
      {"truncated inside a code", block(8, {{1, 1}, {2, 2}, {3, 2}}, {0b00000001}), 10, L"Huffman bitstream is truncated", {}},
  };
  for (const DecodeCase& c : cases) {
    Result<Bytes> result = huffmanDecode(c.block, c.bound);
    if (c.message.empty()) {
      ASSERT_TRUE(result.hasValue()) << c.name;
      EXPECT_EQ(*result, c.expected) << c.name;
    } else {
      ASSERT_TRUE(result.failed()) << c.name;
      EXPECT_EQ(result.failure().code, StatusCode::corrupt_archive) << c.name;
      EXPECT_EQ(result.failure().message, c.message) << c.name;
    }
  }
}

TEST(HuffmanEncodeTest, OnlyCodesWhenItPays) {
  Result<Bytes> empty = huffmanEncode({});
  ASSERT_TRUE(empty.failed());
  EXPECT_EQ(empty.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(empty.failure().message, L"Huffman stage was given no input");

  Bytes oneValue(5000, 'q');
  Bytes shortText = testdata::text(200, 1);
  for (const Bytes& stream : {oneValue, shortText}) {
    Result<Bytes> coded = huffmanEncode(stream);
    ASSERT_TRUE(coded.hasValue());
    EXPECT_TRUE(coded->empty());
  }
}

// Long codes take the slow path past the 11-bit table; geometric weights force lengths up to 15.
TEST(HuffmanEncodeTest, RoundTripsIncludingLongCodes) {
  Bytes geometric;
  for (int symbol = 0; symbol < 18; ++symbol)
    geometric.insert(geometric.end(), size_t(1) << (17 - std::min(symbol, 17)), uint8_t(symbol * 13));
  testdata::Rng rng{5};
  Bytes shuffled = geometric;
  for (size_t k = shuffled.size() - 1; k > 0; --k) std::swap(shuffled[k], shuffled[rng.below(uint32_t(k + 1))]);
  for (const Bytes& stream : {testdata::text(100000, 2), testdata::records(70000, 3), shuffled}) {
    Result<Bytes> coded = huffmanEncode(stream);
    ASSERT_TRUE(coded.hasValue());
    ASSERT_FALSE(coded->empty());
    EXPECT_LT(coded->size(), stream.size());
    Result<Bytes> decoded = huffmanDecode(*coded, stream.size());
    ASSERT_TRUE(decoded.hasValue()) << std::string(decoded.failure().message.begin(), decoded.failure().message.end());
    EXPECT_EQ(*decoded, stream);
  }
}

}  // namespace
}  // namespace tolzeb

#include <gtest/gtest.h>

#include "codecs/lzma/lzma.h"
#include "support/hex_text.h"
#include "tests/codecs/lzma/lzma_test_data.h"

namespace tolzeb {
namespace {

using testdata::binaryBytes;
using testing::concat;
using testdata::noiseBytes;
using testdata::readChunks;
using testdata::textBytes;

struct Lzma2Input {
  const char* name;
  std::vector<uint8_t> data;
};

std::vector<Lzma2Input> lzma2Inputs() {
  const std::vector<uint8_t> random100k = noiseBytes(100 << 10, 7);
  return {
      {"empty", {}},
      {"one byte", {0x42}},
      {"two bytes", {0x00, 0x00}},
      {"run of zeros", std::vector<uint8_t>(300000, 0)},
      {"short text", textBytes(1000, 20)},
      {"alternating", [] {
         std::vector<uint8_t> v(70000);
         for (size_t i = 0; i < v.size(); ++i) v[i] = "ab"[i & 1];
         return v;
       }()},
      {"text", textBytes(200000, 1)},
      {"binary records", binaryBytes(300000, 2)},
      {"random, stored chunks", noiseBytes(150000, 3)},
      {"random then its repeat", concat({random100k, random100k})},
      {"text, random, text", concat({textBytes(90000, 4), noiseBytes(140000, 5), textBytes(90000, 4)})},
      {"exactly 2 MiB", textBytes(2 << 20, 6)},
      {"2 MiB and one byte", textBytes((2 << 20) + 1, 6)},
      {"several MiB mixed", concat({textBytes(2500000, 8), binaryBytes(1500000, 9), noiseBytes(300000, 10),
                                    textBytes(1000000, 8)})},
  };
}

// The stream's framing follows the encoder's rules: E0 or 01 first, C0 right after stored chunks,
// 80 or 02 otherwise, chunk sizes inside their header limits, one end byte.
void expectWellFramed(const std::vector<uint8_t>& stream, size_t inputSize) {
  bool ok = false;
  const auto chunks = readChunks(stream, ok);
  ASSERT_TRUE(ok);
  uint64_t covered = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const auto& c = chunks[i];
    const bool previousStored = i > 0 && chunks[i - 1].control < 0x80;
    if (c.control < 0x80) {
      EXPECT_EQ(c.control, i == 0 ? 1 : 2) << "chunk " << i;
      EXPECT_LE(c.unpackedSize, 0x10000u);
    } else {
      EXPECT_EQ(c.control, i == 0 ? 0xE0 : previousStored ? 0xC0 : 0x80) << "chunk " << i;
      EXPECT_LE(c.unpackedSize, 2u << 20);
      EXPECT_LE(c.packedSize, 0x10000u);
    }
    covered += c.unpackedSize;
  }
  EXPECT_EQ(covered, inputSize);
}

TEST(Lzma2EncodeTest, RoundTripsEveryShapeAtEveryLevel) {
  for (const Lzma2Input& shape : lzma2Inputs()) {
    for (int level : {1, 6, 9}) {
      SCOPED_TRACE(std::string(shape.name) + " at level " + std::to_string(level));
      uint32_t dictionarySize = 0;
      Result<Bytes> stream = lzma2Encode(shape.data.data(), shape.data.size(), level, dictionarySize);
      ASSERT_TRUE(stream.hasValue());
      expectWellFramed(*stream, shape.data.size());
      Result<Bytes> decoded = lzma2Decode(stream->data(), stream->size(), dictionarySize, shape.data.size() + 1);
      ASSERT_TRUE(decoded.hasValue()) << std::string(decoded.failure().message.begin(), decoded.failure().message.end());
      EXPECT_TRUE(*decoded == shape.data);
    }
  }
}

TEST(Lzma2EncodeTest, CompressesWhatRepeatsAndStoresWhatDoesNot) {
  uint32_t dictionarySize = 0;
  const auto text = textBytes(1 << 20, 11);
  Result<Bytes> packedText = lzma2Encode(text.data(), text.size(), 6, dictionarySize);
  ASSERT_TRUE(packedText.hasValue());
  EXPECT_LT(packedText->size(), text.size() / 3);

  // Random bytes: stored chunks only, each costing its 3-byte header.
  const auto random = noiseBytes(200000, 12);
  Result<Bytes> packedRandom = lzma2Encode(random.data(), random.size(), 6, dictionarySize);
  ASSERT_TRUE(packedRandom.hasValue());
  bool ok = false;
  const auto chunks = readChunks(*packedRandom, ok);
  for (const auto& c : chunks) EXPECT_LT(c.control, 0x80);
  EXPECT_EQ(packedRandom->size(), random.size() + 3 * chunks.size() + 1);

  // A repeat of stored bytes is coded by matches into them, under a C0 chunk.
  const auto repeated = concat({random, random});
  Result<Bytes> packedRepeat = lzma2Encode(repeated.data(), repeated.size(), 1, dictionarySize);
  ASSERT_TRUE(packedRepeat.hasValue());
  EXPECT_LT(packedRepeat->size(), random.size() + 2000);
  const auto repeatChunks = readChunks(*packedRepeat, ok);
  ASSERT_GE(repeatChunks.size(), 2u);
  EXPECT_EQ(repeatChunks.back().control, 0xC0);
}

TEST(Lzma2EncodeTest, KnownStreams) {
  // Made by an independent model of the encoder and checked with a peer decoder.
  struct Case {
    const char* name;
    std::vector<uint8_t> input;
    std::string streamHexPrefix;
    size_t streamSize;
  };
  const Case cases[] = {
      {"empty", {}, "00", 1},
      {"one byte", {'a'}, "0100006100", 5},
      {"ababab", {'a', 'b', 'a', 'b', 'a', 'b'}, "01000561626162616200", 10},
      {"5000 zeros", std::vector<uint8_t>(5000, 0), "e01387001e5d00", 38},
  };
  for (const Case& c : cases) {
    for (int level : {1, 6, 9}) {
      SCOPED_TRACE(std::string(c.name) + " at level " + std::to_string(level));
      uint32_t dictionarySize = 0;
      Result<Bytes> stream = lzma2Encode(c.input.data(), c.input.size(), level, dictionarySize);
      ASSERT_TRUE(stream.hasValue());
      EXPECT_EQ(stream->size(), c.streamSize);
      EXPECT_EQ(testing::toHex(*stream).substr(0, c.streamHexPrefix.size()), c.streamHexPrefix);
      EXPECT_EQ(stream->back(), 0);
    }
  }
}

TEST(Lzma2EncodeTest, ReportsTheDictionarySizeForTheInput) {
  struct Case {
    size_t size;
    int level;
    uint32_t dictionarySize;
  };
  const Case cases[] = {
      {0, 6, 4096},           {1, 1, 4096},           {4095, 9, 4096},        {4096, 6, 4096},
      {4097, 6, 4096},        {100000, 6, 65536},     {3 << 20, 1, 1u << 20}, {3 << 20, 6, 2u << 20},
      {3 << 20, 9, 2u << 20}, {3 << 20, 0, 1u << 20}, {3 << 20, 3, 2u << 20}, {3 << 20, 12, 2u << 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " bytes at level " + std::to_string(c.level));
    const std::vector<uint8_t> zeros(c.size, 0);
    uint32_t dictionarySize = 0;
    Result<Bytes> stream = lzma2Encode(zeros.data(), zeros.size(), c.level, dictionarySize);
    ASSERT_TRUE(stream.hasValue());
    EXPECT_EQ(dictionarySize, c.dictionarySize);
  }
}

TEST(Lzma2EncodeTest, RefusesBadArguments) {
  // The size guard runs before any byte is read, so a one-byte buffer can stand for a huge one.
  static const uint8_t stand_in = 0;
  struct Case {
    const uint8_t* data;
    size_t size;
    StatusCode code;
    std::wstring message;
  };
  const Case cases[] = {
      {nullptr, 1, StatusCode::invalid_argument, L"lzma2Encode: null input"},
      {&stand_in, size_t(0x80000001), StatusCode::resource_limit,
       L"lzma2Encode: block is larger than this encoder handles"},
  };
  for (const Case& c : cases) {
    uint32_t dictionarySize = 12345;
    Result<Bytes> stream = lzma2Encode(c.data, c.size, 6, dictionarySize);
    ASSERT_TRUE(stream.failed());
    EXPECT_EQ(stream.failure().code, c.code);
    EXPECT_EQ(stream.failure().message, c.message);
    EXPECT_EQ(dictionarySize, 12345u);
  }
  uint32_t dictionarySize = 0;
  Result<Bytes> empty = lzma2Encode(nullptr, 0, 6, dictionarySize);
  ASSERT_TRUE(empty.hasValue());
  EXPECT_EQ(*empty, Bytes{0x00});
  EXPECT_EQ(dictionarySize, 4096u);
}

TEST(Lzma2EncodeTest, SameInputGivesSameStream) {
  const auto data = concat({textBytes(300000, 13), binaryBytes(100000, 14)});
  uint32_t d1 = 0, d2 = 0;
  Result<Bytes> a = lzma2Encode(data.data(), data.size(), 9, d1);
  Result<Bytes> b = lzma2Encode(data.data(), data.size(), 9, d2);
  ASSERT_TRUE(a.hasValue() && b.hasValue());
  EXPECT_TRUE(*a == *b);
  EXPECT_EQ(d1, d2);
}

}  // namespace
}  // namespace tolzeb

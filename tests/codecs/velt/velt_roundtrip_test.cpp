#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"
#include "codecs/velt/velt_huff.h"
#include "tests/codecs/velt/test_data.h"

namespace tolzeb {
namespace {

struct Shape {
  const char* name;
  std::function<Bytes()> make;
  bool compressible;
};

// Decodes the payload both plain and through the Huffman stage, as chunk decoding would.
void expectRoundTrip(const Bytes& block, uint8_t level, const Bytes& dictionary, const char* name) {
  SCOPED_TRACE(::testing::Message() << name << " level " << int(level) << " dictionary " << dictionary.size());
  Result<Bytes> payload = veltEncodeWithDictionary(block, level, dictionary);
  ASSERT_TRUE(payload.hasValue());
  if (payload->empty()) return;
  EXPECT_LT(payload->size(), block.size());
  Result<Bytes> decoded = decodeVeltBlock(*payload, uint32_t(block.size()), dictionary);
  ASSERT_TRUE(decoded.hasValue());
  EXPECT_TRUE(*decoded == block);
  // A reused buffer holds the last block's bytes, not zeros: nothing may be left unwritten.
  Bytes reused(block.size() + 7, 0xA5);
  ASSERT_FALSE(decodeVeltBlockInto(*payload, uint32_t(block.size()), dictionary, reused).failed());
  EXPECT_TRUE(reused == block);
  Result<Bytes> wrapped = encodeVeltHuff(*payload);
  ASSERT_TRUE(wrapped.hasValue());
  if (wrapped->empty()) return;
  EXPECT_LT(wrapped->size(), payload->size());
  Result<Bytes> unwrapped = decodeVeltHuff(*wrapped, kVeltMaxBlockSize);
  ASSERT_TRUE(unwrapped.hasValue());
  EXPECT_TRUE(*unwrapped == *payload);
  // The same for the Huffman stage: a reused buffer, larger than the streams, is not cleared.
  Bytes streams(payload->size() + 64, 0x5A);
  Result<std::span<const uint8_t>> inPlace = decodeVeltHuffInto(*wrapped, kVeltMaxBlockSize, streams);
  ASSERT_TRUE(inPlace.hasValue());
  EXPECT_EQ(inPlace->data(), streams.data());
  EXPECT_TRUE(std::equal(inPlace->begin(), inPlace->end(), payload->begin(), payload->end()));
}

TEST(VeltRoundTripTest, EveryShapeLevelAndDictionary) {
  const Shape shapes[] = {
      {"1 byte", [] { return Bytes{42}; }, false},
      {"zeros", [] { return Bytes(10000, 0); }, true},
      {"runs", [] { return testdata::runs(200000, 1); }, true},
      {"text", [] { return testdata::text(300000, 2); }, true},
      {"records", [] { return testdata::records(250000, 3); }, true},
      {"mixed", [] { return testdata::mixed(400000, 4); }, true},
      {"random", [] { return testdata::randomBytes(300000, 5); }, false},
      {"random below the pre-check size", [] { return testdata::randomBytes(131071, 6); }, false},
      {"largest block of text", [] { return testdata::mixed(kVeltMaxBlockSize, 7); }, true},
      {"largest block of zeros", [] { return Bytes(kVeltMaxBlockSize, 0); }, true},
      {"largest block, random", [] { return testdata::randomBytes(kVeltMaxBlockSize, 8); }, false},
  };
  const Bytes dictionaries[] = {{}, testdata::text(65536, 9)};
  for (const Shape& shape : shapes) {
    Bytes block = shape.make();
    for (uint8_t level : {0, 1, 2}) {
      for (const Bytes& dictionary : dictionaries) {
        expectRoundTrip(block, level, dictionary, shape.name);
        Result<Bytes> payload = veltEncodeWithDictionary(block, level, dictionary);
        ASSERT_TRUE(payload.hasValue());
        EXPECT_EQ(payload->empty(), !shape.compressible) << shape.name << " level " << int(level);
      }
    }
  }
}

// A block copied out of the dictionary compresses to almost nothing, and fails without it.
TEST(VeltRoundTripTest, DictionaryIsRequiredToDecode) {
  Bytes dictionary = testdata::randomBytes(100000, 10);
  Bytes block(dictionary.begin() + 5000, dictionary.begin() + 55000);
  for (uint8_t level : {0, 1, 2}) {
    Result<Bytes> payload = veltEncodeWithDictionary(block, level, dictionary);
    ASSERT_TRUE(payload.hasValue());
    EXPECT_LT(payload->size(), 20u);
    Result<Bytes> without = decodeVeltBlock(*payload, uint32_t(block.size()), {});
    ASSERT_TRUE(without.failed());
    EXPECT_EQ(without.failure().message, L"VELT block references a dictionary the archive does not have");
  }
}

// Each thread keeps its own tables and dictionary index; whatever a thread encoded before,
// and whatever the others do meanwhile, a block's payload stays the same.
TEST(VeltRoundTripTest, ThreadsEncodeIndependently) {
  const Bytes dictionaries[] = {testdata::text(20000, 20), testdata::records(20000, 21)};
  std::vector<Bytes> blocks;
  for (uint64_t seed = 0; seed < 8; ++seed) blocks.push_back(testdata::mixed(150000 + 7000 * seed, 30 + seed));
  auto encodeAll = [&](size_t first, std::vector<Bytes>& out) {
    for (size_t k = 0; k < blocks.size(); ++k) {
      size_t b = (first + k) % blocks.size();
      Result<Bytes> payload = veltEncodeWithDictionary(blocks[b], uint8_t(b % 3), dictionaries[b % 2]);
      out[b] = payload.hasValue() ? *payload : Bytes{};
    }
  };
  std::vector<Bytes> expected(blocks.size());
  encodeAll(0, expected);
  std::vector<std::vector<Bytes>> results(4, std::vector<Bytes>(blocks.size()));
  std::vector<std::thread> threads;
  for (size_t t = 0; t < results.size(); ++t) threads.emplace_back([&, t] { encodeAll(t * 3, results[t]); });
  for (std::thread& thread : threads) thread.join();
  for (const std::vector<Bytes>& result : results) {
    for (size_t b = 0; b < blocks.size(); ++b) {
      ASSERT_FALSE(expected[b].empty());
      EXPECT_TRUE(result[b] == expected[b]) << b;
    }
  }
}

}  // namespace
}  // namespace tolzeb

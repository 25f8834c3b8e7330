#include "engine/create/block_compression.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_huff.h"
#include "engine/container/container_format.h"
#include "engine/core/crc32c.h"
#include "engine/core/sha256.h"
#include "engine/core/types.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::randomBytes;

// Log-like lines: repeats for VELT, skewed literals for the Huffman stage.
std::vector<uint8_t> logLines(size_t length, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < length) {
    text += "2026-12-10 request id=" + std::to_string(generator() % 100000) + " status=" +
            std::to_string(200 + generator() % 4) + " bytes=" + std::to_string(generator() % 65536) + "\n";
  }
  text.resize(length);
  return {text.begin(), text.end()};
}

// What a reader gets back from the stored form.
std::vector<uint8_t> decodeStored(const ChunkDescriptor& d, std::span<const uint8_t> input,
                                  const std::vector<uint8_t>& encoded, std::span<const uint8_t> dictionary) {
  if (d.codec == kCodecStored) return {input.begin(), input.end()};
  Bytes velt = encoded;
  if (d.codec == kCodecVeltHuff) velt = decodeVeltHuff(encoded, kMaxChunkSize).value();
  return decodeVeltBlock(velt, d.decodedSize, dictionary).value();
}

TEST(BlockCompressionTest, KeepsTheSmallestFormWithChecksumsOfTheInput) {
  const std::vector<uint8_t> random = randomBytes(300000, 1);
  const std::vector<uint8_t> text = logLines(300000, 2);
  const std::vector<uint8_t> dictionary = logLines(20000, 3);

  struct Case {
    const char* name;
    const std::vector<uint8_t>* input;
    uint8_t level;
    bool storeOnly;
    bool sha;
    bool withDictionary;
    bool expectStored;
  };
  const Case cases[] = {
      {"random, lightning", &random, 0, false, true, false, true},
      {"random, balanced", &random, 1, false, true, false, true},
      {"random, compact, with dictionary", &random, 2, false, false, true, true},
      {"text, lightning", &text, 0, false, true, false, false},
      {"text, balanced", &text, 1, false, true, false, false},
      {"text, compact", &text, 2, false, false, false, false},
      {"text, balanced, with dictionary", &text, 1, false, true, true, false},
      {"text, store only", &text, 2, true, true, true, true},
      {"random, store only, no hash", &random, 1, true, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t>& input = *c.input;
    const std::span<const uint8_t> dict =
        c.withDictionary ? std::span<const uint8_t>(dictionary) : std::span<const uint8_t>();
    ChunkDescriptor descriptor;
    std::vector<uint8_t> encoded = {0xEE};  // stale content must not survive
    ASSERT_TRUE(compressBlock(input, c.level, c.storeOnly, c.sha, dict, 1, descriptor, encoded).ok());

    EXPECT_EQ(descriptor.decodedSize, input.size());
    EXPECT_EQ(descriptor.crc32c, crc32c(0, input.data(), input.size()));
    EXPECT_EQ(descriptor.sha256, c.sha ? sha256(input.data(), input.size()).value() : Sha256Digest{});
    EXPECT_EQ(descriptor.dictionaryId, !c.storeOnly && c.withDictionary ? 1 : 0);

    if (c.expectStored) {
      EXPECT_EQ(descriptor.codec, kCodecStored);
      EXPECT_EQ(descriptor.storedSize, input.size());
      EXPECT_TRUE(encoded.empty());
      continue;
    }
    // The choice follows the sizes: VELT when shorter than the input, VELT_HUFF when shorter
    // still, and never the Huffman stage in lightning mode.
    const Bytes velt = veltEncodeWithDictionary(input, c.level, dict).value();
    ASSERT_FALSE(velt.empty());
    const Bytes huff = encodeVeltHuff(velt).value();
    const bool huffPays = c.level != 0 && !huff.empty() && huff.size() < velt.size();
    EXPECT_EQ(descriptor.codec, huffPays ? kCodecVeltHuff : kCodecVelt);
    EXPECT_EQ(encoded, huffPays ? huff : velt);
    EXPECT_EQ(descriptor.storedSize, encoded.size());
    EXPECT_LT(descriptor.storedSize, descriptor.decodedSize);
    EXPECT_EQ(decodeStored(descriptor, input, encoded, dict), input);
  }
}

TEST(BlockCompressionTest, TextPaysForTheHuffmanStageAboveLightning) {
  const std::vector<uint8_t> text = logLines(1 << 20, 4);
  for (uint8_t level : {0, 1, 2}) {
    ChunkDescriptor descriptor;
    std::vector<uint8_t> encoded;
    ASSERT_TRUE(compressBlock(text, level, false, false, {}, 1, descriptor, encoded).ok());
    EXPECT_EQ(descriptor.codec, level == 0 ? kCodecVelt : kCodecVeltHuff) << int(level);
  }
}

TEST(BlockCompressionTest, EncoderRefusalsPassThrough) {
  ChunkDescriptor descriptor;
  std::vector<uint8_t> encoded;
  const std::vector<uint8_t> tooLarge(kMaxChunkSize + 1, 'a');
  Status status = compressBlock(tooLarge, 1, false, false, {}, 1, descriptor, encoded);
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.code(), StatusCode::invalid_argument);
  EXPECT_EQ(status.message(), L"VELT encoder was given a block above the 4 MiB limit");
}

}  // namespace
}  // namespace tolzeb

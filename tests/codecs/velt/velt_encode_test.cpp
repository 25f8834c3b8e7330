#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_encoder.h"
#include "codecs/velt/velt_format.h"
#include "engine/core/crc32c.h"
#include "tests/codecs/velt/reference_encoder.h"
#include "tests/codecs/velt/test_data.h"

namespace tolzeb {
namespace {

std::string toHex(const Bytes& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

Bytes encodeOrDie(const Bytes& block, uint8_t level, const Bytes& dictionary = {}) {
  Result<Bytes> result = veltEncodeWithDictionary(block, level, dictionary);
  EXPECT_TRUE(result.hasValue());
  return result.hasValue() ? *result : Bytes{};
}

TEST(VeltEncodeTest, RefusesArgumentsOutsideTheLimits) {
  const Bytes empty;
  const Bytes largest(kVeltMaxBlockSize, 'a');
  const Bytes tooLarge(kVeltMaxBlockSize + 1, 'a');
  struct Case {
    const Bytes* block;
    const Bytes* dictionary;
    const wchar_t* message;
  } cases[] = {
      {&empty, &tooLarge, L"VELT encoder was given an empty block"},
      {&tooLarge, &tooLarge, L"VELT encoder was given a block above the 4 MiB limit"},
      {&largest, &tooLarge, L"VELT encoder was given a dictionary above the 4 MiB limit"},
  };
  for (const Case& c : cases) {
    Result<Bytes> result = veltEncodeWithDictionary(*c.block, 1, *c.dictionary);
    ASSERT_TRUE(result.failed()) << std::string(c.message, c.message + 20);
    EXPECT_EQ(result.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(result.failure().message, c.message);
  }
  EXPECT_TRUE(veltEncodeWithDictionary(largest, 1, largest).hasValue());
}

TEST(VeltEncodeTest, KnownPayloads) {
  struct Case {
    Bytes block;
    const char* payloadHex;
  } cases[] = {
      {Bytes(5, 0), "0100000E"},  // one zero run of 5
      {Bytes(4, 0), ""},          // 01 00 00 06 would not be shorter than the block
      {Bytes(100, 0), "020000FE41"},
      {Bytes(1, 'x'), ""},
      {Bytes(3, 'x'), ""},
      {{'a', 'b', 'c'}, ""},
  };
  for (const Case& c : cases) {
    for (uint8_t level : {0, 1, 2}) EXPECT_EQ(toHex(encodeOrDie(c.block, level)), c.payloadHex) << int(level);
  }
}

// Goldens pin the exact parse. The hex and checksums below were produced by the literal
// transcription in reference_encoder.h and matched this encoder when recorded; regenerate
// them only for a deliberate format change.
struct GoldenCase {
  const char* name;
  std::function<Bytes()> block;
  bool withDictionary;
  uint8_t level;
  uint32_t payloadSize;
  uint32_t payloadCrc32c;
  const char* payloadHex;  // for the small ones
};

Bytes goldenDictionary() { return testdata::text(4096, 99); }

TEST(VeltEncodeTest, GoldenPayloads) {
  const GoldenCase cases[] = {
#include "tests/codecs/velt/velt_golden.inc"
  };
  for (const GoldenCase& c : cases) {
    Bytes block = c.block();
    Bytes dictionary = c.withDictionary ? goldenDictionary() : Bytes{};
    Bytes payload = encodeOrDie(block, c.level, dictionary);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(payload.size(), c.payloadSize);
    EXPECT_EQ(crc32c(0, payload.data(), payload.size()), c.payloadCrc32c);
    if (c.payloadHex[0] != 0) {
      EXPECT_EQ(toHex(payload), c.payloadHex);
    }
    Result<Bytes> decoded = decodeVeltBlock(payload, uint32_t(block.size()), dictionary);
    ASSERT_TRUE(decoded.hasValue());
    EXPECT_EQ(*decoded, block);
  }
}

// The production parser against the literal one, below the size where the pre-check starts.
TEST(VeltEncodeTest, MatchesTheLiteralParse) {
  const std::function<Bytes(size_t, uint64_t)> shapes[] = {testdata::text, testdata::records, testdata::runs,
                                                           testdata::mixed, testdata::randomBytes};
  const size_t sizes[] = {4, 17, 100, 1000, 5000, 70000, 131071};
  const Bytes dictionaries[] = {{}, Bytes{1, 2, 3}, testdata::text(30000, 7), testdata::records(5000, 8)};
  uint64_t seed = 1;
  for (const auto& shape : shapes) {
    for (size_t size : sizes) {
      Bytes block = shape(size, seed++);
      for (uint8_t level : {0, 1, 2, 3}) {
        for (const Bytes& dictionary : dictionaries) {
          if (size > 5000 && dictionary.size() == 3) continue;
          VeltEncoder encoder(block, level, dictionary);
          Result<Bytes> ours = encoder.encode();
          ASSERT_TRUE(ours.hasValue());
          Bytes expected = reference::Encoder(block, level, dictionary).encode();
          ASSERT_EQ(*ours, expected) << "size " << size << " seed " << seed - 1 << " level " << int(level)
                                     << " dictionary " << dictionary.size();
        }
      }
    }
  }
}

// Another dictionary of the same length in the same buffer must not meet the old index.
TEST(VeltEncodeTest, DictionaryReusedInPlaceIsReindexed) {
  Bytes block = testdata::text(20000, 31);
  Bytes dictionary = testdata::text(8192, 32);
  Bytes other = testdata::text(8192, 33);
  ASSERT_FALSE(encodeOrDie(block, 1, dictionary).empty());
  std::copy(other.begin(), other.end(), dictionary.begin());
  Bytes expected = reference::Encoder(block, 1, other).encode();
  EXPECT_EQ(encodeOrDie(block, 1, dictionary), expected);
}

// Pipeline workers encode and exit all the time: their scratch must neither change a payload nor
// outlive the thread in a way that touches freed memory when the thread ends.
TEST(VeltEncodeTest, ShortLivedThreadsEncodeAsTheCallerDoes) {
  struct Job {
    Bytes block;
    Bytes dictionary;
    uint8_t level;
  };
  std::vector<Job> jobs;
  for (uint64_t k = 0; k < 4; ++k) {
    jobs.push_back(Job{testdata::text(12000 + 5000 * k, 40 + k), {}, uint8_t(k % 3)});
    jobs.push_back(Job{testdata::mixed(9000 + 3000 * k, 50 + k), testdata::text(4096, 60 + k), uint8_t(k % 3)});
  }
  std::vector<Bytes> expected;
  for (const Job& job : jobs) expected.push_back(encodeOrDie(job.block, job.level, job.dictionary));

  for (int round = 0; round < 25; ++round) {
    std::vector<Bytes> got(jobs.size());
    std::vector<std::thread> threads;
    for (size_t j = 0; j < jobs.size(); ++j) {
      threads.emplace_back([&, j] {
        Result<Bytes> encoded = veltEncodeWithDictionary(jobs[j].block, jobs[j].level, jobs[j].dictionary);
        if (encoded.hasValue()) got[j] = std::move(encoded).value();
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t j = 0; j < jobs.size(); ++j) ASSERT_EQ(got[j], expected[j]) << "round " << round << " job " << j;
  }
}

// Token kinds of a payload, in order.
std::vector<VeltTokenKind> tokenKinds(const Bytes& payload) {
  ByteReader reader(payload);
  uint64_t tokenSize = *readVarint(reader);
  readVarint(reader);
  readVarint(reader);
  ByteReader tokens(payload.data() + reader.pos, size_t(tokenSize));
  std::vector<VeltTokenKind> kinds;
  while (!tokens.atEnd()) {
    uint8_t byte = *tokens.readU8();
    VeltTokenKind kind = VeltTokenKind(byte & kVeltKindMask);
    kinds.push_back(kind);
    if ((byte >> kVeltKindBits) == kVeltExtendedLengthCode) readVarint(tokens);
    if (kind == VeltTokenKind::rep) tokens.readU8();
    if (kind == VeltTokenKind::patch) {
      uint64_t edits = *readVarint(tokens);
      for (uint64_t e = 0; e < edits; ++e) readVarint(tokens);
    }
  }
  return kinds;
}

TEST(VeltEncodeTest, ParseChoices) {
  using K = VeltTokenKind;
  // Where 4 equal bytes start, the run is taken although a 20-byte match starts there too.
  Bytes runFirst = {'x', 'y', 'z', 'w', 'Q', 'Q', 'Q', 'Q', 'Q', 'Q', 'r', 's', 't', 'u', 'v', 'w', 'a', 'b', 'c', 'd'};
  Bytes runBlock = runFirst;
  runBlock.insert(runBlock.end(), runFirst.begin(), runFirst.end());
  EXPECT_EQ(tokenKinds(encodeOrDie(runBlock, 0)), (std::vector<K>{K::literalRun, K::run, K::literalRun, K::match}));

  // Records with scattered single-byte differences call for patches, except at level 0.
  Bytes records = testdata::records(60000, 4);
  for (uint8_t level : {0, 1, 2}) {
    std::vector<K> kinds = tokenKinds(encodeOrDie(records, level));
    bool anyPatch = std::find(kinds.begin(), kinds.end(), K::patch) != kinds.end();
    EXPECT_EQ(anyPatch, level != 0) << int(level);
  }

  // A dictionary copy covers the block when the dictionary holds it.
  Bytes dictionary = testdata::randomBytes(10000, 5);
  Bytes fromDictionary(dictionary.begin() + 1000, dictionary.begin() + 1400);
  EXPECT_EQ(tokenKinds(encodeOrDie(fromDictionary, 1, dictionary)), std::vector<K>{K::dict});
}

}  // namespace
}  // namespace tolzeb

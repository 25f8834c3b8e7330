#include "codecs/velt/precheck.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/bytes.h"
#include "tests/codecs/velt/test_data.h"

namespace tolzeb {
namespace {

TEST(PrecheckTest, GearTableIsSplitMix64) {
  EXPECT_EQ(gearTable[0], 0x6E789E6AA1B965F4ULL);
  EXPECT_EQ(gearTable[1], 0x06C45D188009454FULL);
  EXPECT_EQ(gearTable[255], 0xCBDC6D34B7C7534DULL);
}

TEST(PrecheckTest, EntropyAgreesWithTheLibrary) {
  const Bytes samples[] = {Bytes(8192, 7), testdata::text(8192, 1), testdata::records(8192, 2),
                           testdata::randomBytes(8192, 3), testdata::randomBytes(100, 4)};
  for (const Bytes& sample : samples) {
    uint32_t counts[256] = {};
    for (uint8_t b : sample) ++counts[b];
    double expected = 0;
    for (uint32_t count : counts) {
      if (count == 0) continue;
      double p = double(count) / double(sample.size());
      expected -= p * std::log2(p);
    }
    EXPECT_NEAR(sampleEntropy(sample), expected, 1e-12);
  }
  EXPECT_EQ(sampleEntropy(Bytes(8192, 7)), 0.0);
  Bytes allValues(8192);
  for (size_t k = 0; k < allValues.size(); ++k) allValues[k] = uint8_t(k);
  EXPECT_EQ(sampleEntropy(allValues), 8.0);
}

// A random stretch of `stretch` bytes, then the same bytes again `gap` bytes after its start.
Bytes repeatedAt(size_t stretch, size_t gap, size_t total, uint64_t seed) {
  Bytes out = testdata::randomBytes(total, seed);
  std::copy(out.begin(), out.begin() + stretch, out.begin() + gap);
  return out;
}

TEST(PrecheckTest, LongRepeatsCountOnlyBetween128KiBAnd640KiB) {
  struct Case {
    size_t gap;
    bool counts;
  } cases[] = {{65536, false}, {131072, true}, {655360, true}, {1048576, false}};
  for (const Case& c : cases) {
    Bytes block = repeatedAt(60000, c.gap, c.gap + 60000, c.gap);
    EXPECT_EQ(hasLongRepeats(block), c.counts) << c.gap;
  }
  EXPECT_FALSE(hasLongRepeats(testdata::randomBytes(2 << 20, 12)));
}

TEST(PrecheckTest, Decisions) {
  Bytes twice = repeatedAt(300 << 10, 300 << 10, 600 << 10, 13);
  struct Case {
    const char* name;
    Bytes block;
    uint8_t level;
    bool worth;
  } cases[] = {
      {"random below 128 KiB", testdata::randomBytes(131071, 14), 1, true},
      {"one value", Bytes(131072, 0xC3), 1, true},
      {"random", testdata::randomBytes(1 << 20, 15), 1, false},
      {"random at level 2", testdata::randomBytes(1 << 20, 15), 2, false},
      {"random stretch twice, level 1", twice, 1, false},
      {"random stretch twice, level 2", twice, 2, true},
      {"random stretch twice, level 7 (as 1)", twice, 7, false},
      {"text", testdata::text(1 << 20, 16), 0, true},
  };
  for (const Case& c : cases) EXPECT_EQ(isWorthEncoding(c.block, c.level, {}), c.worth) << c.name;
}

// High entropy everywhere, but the middle 128 KiB repeats itself 4 KiB apart: the trial decides.
TEST(PrecheckTest, TrialEncodingDecidesHighEntropyBlocks) {
  Bytes block = testdata::randomBytes(1 << 20, 17);
  size_t middle = ((1 << 20) - 131072) / 2;
  for (size_t k = middle + 4096; k < middle + 131072; ++k) block[k] = block[k - 4096];
  EXPECT_TRUE(isWorthEncoding(block, 1, {}));
}

}  // namespace
}  // namespace tolzeb

#include "engine/core/bytes.h"

#include <gtest/gtest.h>

namespace tolzeb {
namespace {

struct VarintCase {
  Bytes input;
  std::optional<uint64_t> expected;
};

TEST(VarintTest, ReadsTable) {
  auto withTail = [](std::initializer_list<uint8_t> tail) {
    Bytes b(9 + tail.size(), 0xFF);
    std::copy(tail.begin(), tail.end(), b.begin() + 9);
    return b;
  };
  const VarintCase cases[] = {
      {{0x00}, 0},
      {{0x7F}, 127},
      {{0x80, 0x01}, 128},
      {{0x80, 0x00}, std::nullopt},  // non-minimal
      {withTail({0x01}), UINT64_MAX},
      {withTail({0x02}), std::nullopt},        // past 64 bits
      {withTail({0x81, 0x01}), std::nullopt},  // eleven bytes
      {{0x80}, std::nullopt},                  // truncated
      {{}, std::nullopt},
  };
  for (const VarintCase& c : cases) {
    ByteReader r(c.input);
    EXPECT_EQ(readVarint(r), c.expected) << ::testing::PrintToString(c.input);
  }
}

TEST(VarintTest, RoundTripsAtEveryWidth) {
  for (int bits = 0; bits <= 64; ++bits) {
    uint64_t v = bits == 64 ? UINT64_MAX : (uint64_t(1) << bits) - 1;
    Bytes b;
    appendVarint(b, v);
    EXPECT_EQ(b.size(), bits == 0 ? 1u : size_t((bits + 6) / 7));
    ByteReader r(b);
    EXPECT_EQ(readVarint(r), v);
    EXPECT_TRUE(r.atEnd());
  }
}

TEST(ByteReaderTest, TakeAndReadU64StayInBounds) {
  Bytes b = {1, 2, 3, 4, 5, 6, 7};
  ByteReader r(b);
  EXPECT_FALSE(r.readU64());
  EXPECT_EQ(r.pos, 0u);
  EXPECT_NE(r.take(0), nullptr);
  EXPECT_EQ(r.take(8), nullptr);
  EXPECT_EQ(r.take(7), b.data());
  EXPECT_EQ(r.take(1), nullptr);
  b.push_back(8);
  ByteReader s(b);
  EXPECT_EQ(s.readU64(), 0x0807060504030201ull);
}

TEST(RangeTest, Arithmetic) {
  EXPECT_FALSE(checkedAdd(UINT64_MAX, 1));
  EXPECT_EQ(checkedAdd(UINT64_MAX - 1, 1), UINT64_MAX);
  EXPECT_FALSE(rangeFits(UINT64_MAX, 1, UINT64_MAX));
  EXPECT_TRUE(rangeFits(10, 0, 10));
  EXPECT_FALSE(rangeFits(10, 1, 10));
  EXPECT_FALSE(rangesOverlap(0, 0, 0, 10));
  EXPECT_FALSE(rangesOverlap(0, 10, 10, 5));  // adjacent
  EXPECT_TRUE(rangesOverlap(0, 11, 10, 5));
  EXPECT_TRUE(rangesOverlap(UINT64_MAX - 1, 5, 0, UINT64_MAX));
  EXPECT_FALSE(rangesOverlap(UINT64_MAX - 1, 1, 0, UINT64_MAX - 1));
}

TEST(LittleEndianTest, FieldsRoundTrip) {
  Bytes b;
  appendU32le(b, 0x11223344);
  appendU64le(b, 0x0102030405060708ull);
  EXPECT_EQ(b[0], 0x44);
  EXPECT_EQ(readU32le(b.data()), 0x11223344u);
  EXPECT_EQ(readU64le(b.data() + 4), 0x0102030405060708ull);
}

TEST(DecimalTest, Extremes) {
  EXPECT_EQ(decimal(uint64_t(0)), L"0");
  EXPECT_EQ(decimal(UINT64_MAX), L"18446744073709551615");
  EXPECT_EQ(decimal(INT64_MIN), L"-9223372036854775808");
}

}  // namespace
}  // namespace tolzeb

#include "engine/recovery/reed_solomon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/recovery/gf256.h"

namespace tolzeb {
namespace {

std::string narrowText(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(GaloisFieldTest, KnownProductsAndTables) {
  const uint8_t* exp = gfTables();
  const uint8_t* log = gfTables() + kGfExpTableSize;
  EXPECT_EQ(exp[0], 1);
  EXPECT_EQ(exp[1], 2);
  EXPECT_EQ(exp[8], 0x1D);
  EXPECT_EQ(exp[255], exp[0]);
  EXPECT_EQ(log[0], 0);
  for (unsigned i = 0; i < 255; ++i) EXPECT_EQ(log[exp[i]], i);
  for (unsigned i = 255; i < kGfExpTableSize; ++i) EXPECT_EQ(exp[i], exp[i - 255]);

  struct Case {
    uint8_t a, b, product;
  };
  const Case cases[] = {
      {0, 0x57, 0}, {0x57, 0, 0}, {1, 0xC3, 0xC3}, {2, 0x80, 0x1D}, {0x80, 2, 0x1D}, {3, 3, 5}, {0xFF, 0xFF, 0xE2},
  };
  for (const Case& c : cases) EXPECT_EQ(gfMul(c.a, c.b), c.product) << int(c.a) << " x " << int(c.b);
}

TEST(GaloisFieldTest, MultiplicationIsAFieldOperation) {
  // Against carry-less multiplication reduced by 0x11d, which defines the field
  // independently of the tables.
  auto slowMul = [](unsigned a, unsigned b) {
    unsigned r = 0;
    for (; b; b >>= 1, a = (a << 1) ^ ((a & 0x80) ? 0x11d : 0))
      if (b & 1) r ^= a;
    return uint8_t(r);
  };
  for (unsigned a = 0; a < 256; ++a) {
    GfMulTable table = gfMulTable(uint8_t(a));
    for (unsigned b = 0; b < 256; ++b) {
      ASSERT_EQ(gfMul(uint8_t(a), uint8_t(b)), slowMul(a, b)) << a << " x " << b;
      ASSERT_EQ(table.product[b], gfMul(uint8_t(a), uint8_t(b)));
    }
    if (a != 0) {
      EXPECT_EQ(gfMul(uint8_t(a), gfInverse(uint8_t(a))), 1) << a;
    }
  }
}

TEST(GaloisFieldTest, MatrixInversion) {
  std::vector<uint8_t> identity = {1, 0, 0, 1};
  ASSERT_TRUE(invertMatrix(identity, 2));
  EXPECT_EQ(identity, (std::vector<uint8_t>{1, 0, 0, 1}));

  // Needs a row swap: the first pivot is zero.
  std::vector<uint8_t> swapped = {0, 1, 1, 0};
  ASSERT_TRUE(invertMatrix(swapped, 2));
  EXPECT_EQ(swapped, (std::vector<uint8_t>{0, 1, 1, 0}));

  Result<std::vector<uint8_t>> cauchy = ReedSolomon::parityMatrix(4, 4);
  ASSERT_TRUE(cauchy.hasValue());
  std::vector<uint8_t> inverse = *cauchy;
  ASSERT_TRUE(invertMatrix(inverse, 4));
  for (size_t r = 0; r < 4; ++r)
    for (size_t c = 0; c < 4; ++c) {
      uint8_t sum = 0;
      for (size_t k = 0; k < 4; ++k) sum ^= gfMul((*cauchy)[r * 4 + k], inverse[k * 4 + c]);
      EXPECT_EQ(sum, r == c ? 1 : 0);
    }

  std::vector<uint8_t> singular = {3, 6, 3, 6};
  EXPECT_FALSE(invertMatrix(singular, 2));
  std::vector<uint8_t> none;
  EXPECT_TRUE(invertMatrix(none, 0));
}

TEST(ReedSolomonTest, ParityMatrixLimits) {
  Result<std::vector<uint8_t>> single = ReedSolomon::parityMatrix(1, 1);
  ASSERT_TRUE(single.hasValue());
  EXPECT_EQ(*single, std::vector<uint8_t>{1});
  EXPECT_TRUE(ReedSolomon::parityMatrix(254, 1).hasValue());

  struct Case {
    size_t k, m;
    const wchar_t* message;
  };
  const Case cases[] = {
      {0, 5, L"Reed-Solomon needs at least one data shard"},
      {0, 0, L"Reed-Solomon needs at least one data shard"},
      {255, 0, L"Reed-Solomon with no parity shards would recover nothing"},
      {254, 2, L"Reed-Solomon over GF(2^8) holds at most 255 shards in one group"},
  };
  for (const Case& c : cases) {
    Result<std::vector<uint8_t>> matrix = ReedSolomon::parityMatrix(c.k, c.m);
    ASSERT_TRUE(matrix.failed()) << c.k << "+" << c.m;
    EXPECT_EQ(matrix.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(matrix.failure().message, c.message);
  }
}

TEST(ReedSolomonTest, EncodeRefusesBadBuffers) {
  uint8_t data[4] = {}, parity[4] = {};
  struct Case {
    const uint8_t* data;
    uint8_t* parity;
    size_t size;
    const wchar_t* message;
  };
  const Case cases[] = {
      {nullptr, parity, 4, L"Reed-Solomon: null shard buffer"},
      {data, nullptr, 4, L"Reed-Solomon: null shard buffer"},
      {data, parity, 0, L"Reed-Solomon: shards must not be empty"},
  };
  for (const Case& c : cases) {
    Status status = ReedSolomon::encode(c.data, 1, c.size, c.parity, 1);
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.code(), StatusCode::invalid_argument);
    EXPECT_EQ(status.message(), c.message);
  }
  Status reconstructNull = ReedSolomon::reconstruct(data, nullptr, 1, 1, 4);
  EXPECT_EQ(reconstructNull.message(), L"Reed-Solomon: null shard buffer");
}

TEST(ReedSolomonTest, SingleDataShardGivesScaledCopies) {
  const uint8_t data[3] = {1, 0x80, 0x57};
  uint8_t parity[9];
  ASSERT_TRUE(ReedSolomon::encode(data, 1, 3, parity, 3).ok());
  Result<std::vector<uint8_t>> matrix = ReedSolomon::parityMatrix(1, 3);
  for (size_t j = 0; j < 3; ++j)
    for (size_t b = 0; b < 3; ++b) EXPECT_EQ(parity[j * 3 + b], gfMul((*matrix)[j], data[b]));
}

// Every subset of lost shards up to m is rebuilt byte for byte; one more is
// refused untouched.
TEST(ReedSolomonTest, RebuildsEveryCombinationOfLostShards) {
  struct Geometry {
    size_t k, m, size;
  };
  const Geometry geometries[] = {{1, 1, 1}, {3, 2, 5}, {4, 3, 1}, {5, 4, 7}, {2, 6, 3}};
  for (const Geometry& g : geometries) {
    SCOPED_TRACE(std::to_string(g.k) + "+" + std::to_string(g.m));
    const size_t total = g.k + g.m;
    std::vector<uint8_t> original(total * g.size);
    for (size_t i = 0; i < g.k * g.size; ++i) original[i] = uint8_t(i * 37 + g.k * 11 + 1);
    ASSERT_TRUE(ReedSolomon::encode(original.data(), g.k, g.size, original.data() + g.k * g.size, g.m).ok());
    for (unsigned mask = 0; mask < (1u << total); ++mask) {
      size_t lost = size_t(__builtin_popcount(mask));
      std::vector<uint8_t> shards = original;
      std::vector<uint8_t> present(total);
      for (size_t s = 0; s < total; ++s) {
        present[s] = !(mask >> s & 1);
        if (!present[s]) std::memset(&shards[s * g.size], 0xEE, g.size);
      }
      const std::vector<uint8_t> damaged = shards;
      Status status = ReedSolomon::reconstruct(shards.data(), present.data(), g.k, g.m, g.size);
      if (lost > g.m) {
        ASSERT_TRUE(status.failed()) << mask;
        EXPECT_EQ(status.code(), StatusCode::corrupt_archive);
        EXPECT_EQ(status.message(),
                  L"Too much of this archive is damaged for "
                  L"its recovery record to rebuild");
        EXPECT_EQ(shards, damaged) << "a refused rebuild must write nothing";
        continue;
      }
      ASSERT_TRUE(status.ok()) << mask << " " << narrowText(status.message());
      bool onlyParityLost = (mask & ((1u << g.k) - 1)) == 0;
      EXPECT_EQ(shards, onlyParityLost ? damaged : original) << mask;
    }
  }
}

}  // namespace
}  // namespace tolzeb

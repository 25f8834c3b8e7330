#include "ui/foundation/qr_code.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/sha256.h"
#include "qr_test_support.h"
#include "support/hex_text.h"
#include "ui/foundation/qr_steps.h"

namespace tolzeb::ui {
namespace {

using testing::kAllQrLevels;
using testing::kQrByteCapacity;
using testing::qrTestInput;
using tolzeb::testing::fromHex;
using tolzeb::testing::toHex;

// The worked example of ISO/IEC 18004 (annex I): "01234567" in numeric mode at 1-M. The encoder
// itself writes byte mode only, but its padding and Reed-Solomon steps must reproduce the
// example's data and error-correction codewords exactly.
TEST(QrSteps, StandardsWorkedExample) {
  std::vector<uint8_t> bits;
  qrAppendBits(bits, 0b0001, 4);  // numeric mode
  qrAppendBits(bits, 8, 10);      // character count
  qrAppendBits(bits, 12, 10);     // "012"
  qrAppendBits(bits, 345, 10);    // "345"
  qrAppendBits(bits, 67, 7);      // "67"
  ASSERT_EQ(bits.size(), 41u);

  const std::vector<uint8_t> data = qrPadCodewords(bits, 16);
  EXPECT_EQ(toHex(data), "10200c566180ec11ec11ec11ec11ec11");
  EXPECT_EQ(toHex(qrEccBlock(data, 10)), "a524d4c1ed36c7872c55");
  // The example's symbol uses mask 010; its format information is 101111001111100.
  EXPECT_EQ(qrFormatWord(QrLevel::M, 2), 0b101111001111100u);
}

TEST(QrSteps, AppendBitsWritesTheLowBitsMostSignificantFirst) {
  std::vector<uint8_t> bits = {1};
  qrAppendBits(bits, 0b10110, 5);
  qrAppendBits(bits, 0xFF, 0);
  qrAppendBits(bits, 0b100, 2);  // only the low two bits
  EXPECT_EQ(bits, (std::vector<uint8_t>{1, 1, 0, 1, 1, 0, 0, 0}));
}

TEST(QrSteps, PaddingAddsAShortTerminatorWhenTheStreamAlmostFills) {
  struct Case {
    size_t bitCount;
    int dataCodewords;
    const char* expected;
  };
  const Case cases[] = {
      {0, 3, "00ec11"},    // a full terminator, then pads
      {14, 2, "fffc"},     // two bits of room: the terminator shrinks to them
      {16, 2, "ffff"},     // an exact fit has no terminator
      {5, 4, "f800ec11"},  // terminator and zero fill to the byte boundary
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> bits(c.bitCount, 1);
    EXPECT_EQ(toHex(qrPadCodewords(bits, c.dataCodewords)), c.expected) << c.bitCount;
  }
}

TEST(QrSteps, GeneratorPolynomials) {
  EXPECT_EQ(qrGenerator(7), (std::vector<uint8_t>{127, 122, 154, 164, 11, 68, 117}));
  EXPECT_EQ(qrGenerator(10), (std::vector<uint8_t>{216, 194, 159, 111, 199, 94, 95, 113, 157, 193}));
}

// Annexes C and D of the standard list every format and version word.
TEST(QrSteps, FormatAndVersionWords) {
  EXPECT_EQ(qrFormatWord(QrLevel::L, 0), 0x77C4u);
  EXPECT_EQ(qrFormatWord(QrLevel::M, 0), 0x5412u);
  EXPECT_EQ(qrFormatWord(QrLevel::Q, 0), 0x355Fu);
  EXPECT_EQ(qrFormatWord(QrLevel::H, 0), 0x1689u);
  EXPECT_EQ(qrFormatWord(QrLevel::H, 7), 0x083Bu);
  EXPECT_EQ(qrVersionWord(7), 0x07C94u);
  EXPECT_EQ(qrVersionWord(8), 0x085BCu);
  EXPECT_EQ(qrVersionWord(9), 0x09A99u);
}

TEST(QrSteps, EveryVersionHasItsTotalCodewords) {
  const size_t totals[] = {26, 44, 70, 100, 134, 172, 196, 242, 292};
  for (int version = 1; version <= 9; ++version) {
    for (QrLevel level : kAllQrLevels) {
      EXPECT_EQ(qrCodewords({}, version, level).size(), totals[version - 1]) << version;
    }
  }
}

// With two block lengths the data codewords alternate between blocks and the longer blocks'
// last codewords follow on their own: 5-Q has blocks of 15, 15, 16, 16 data codewords.
TEST(QrSteps, InterleavingOfUnequalBlocks) {
  const std::vector<uint8_t> input = qrTestInput(60);
  const std::vector<uint8_t> sequence = qrCodewords(input, 5, QrLevel::Q);
  std::vector<uint8_t> bits;
  qrAppendBits(bits, 0b0100, 4);
  qrAppendBits(bits, 60, 8);
  for (uint8_t byte : input) qrAppendBits(bits, byte, 8);
  const std::vector<uint8_t> data = qrPadCodewords(bits, 62);
  const size_t blockStart[] = {0, 15, 30, 46};
  for (size_t i = 0; i < 15; ++i) {
    for (size_t block = 0; block < 4; ++block) EXPECT_EQ(sequence[i * 4 + block], data[blockStart[block] + i]);
  }
  EXPECT_EQ(sequence[60], data[45]);
  EXPECT_EQ(sequence[61], data[61]);
  const std::vector<uint8_t> lastBlock(data.begin() + 46, data.end());
  EXPECT_EQ(sequence[62 + 3], qrEccBlock(lastBlock, 18)[0]);
}

TEST(QrCode, SmallestVersionThatHoldsTheInput) {
  for (int level = 0; level < 4; ++level) {
    EXPECT_EQ(encodeQr({}, kAllQrLevels[level]).version, 1);
    for (int version = 1; version <= 9; ++version) {
      const size_t capacity = kQrByteCapacity[version - 1][level];
      EXPECT_EQ(encodeQr(qrTestInput(capacity), kAllQrLevels[level]).version, version) << capacity;
      const int next = version < 9 ? version + 1 : 0;
      EXPECT_EQ(encodeQr(qrTestInput(capacity + 1), kAllQrLevels[level]).version, next) << capacity + 1;
    }
  }
}

TEST(QrCode, InputsThatFitNowhereGiveAnInvalidCode) {
  for (QrLevel level : kAllQrLevels) {
    for (size_t length : {256u, 1000u}) {
      const QrCode code = encodeQr(qrTestInput(length), level);
      EXPECT_FALSE(code.valid());
      EXPECT_EQ(code.version, 0);
      EXPECT_EQ(code.size, 0);
      EXPECT_TRUE(code.modules.empty());
    }
  }
  EXPECT_FALSE(encodeQr(qrTestInput(181), QrLevel::M).valid());
  EXPECT_TRUE(encodeQr(qrTestInput(180), QrLevel::M).valid());
}

TEST(QrCode, SizeAndModulesFollowTheVersion) {
  for (size_t length : {0u, 15u, 28u, 120u, 180u}) {
    const QrCode code = encodeQr(qrTestInput(length), QrLevel::M);
    ASSERT_TRUE(code.valid());
    EXPECT_EQ(code.size, 4 * code.version + 17);
    EXPECT_EQ(code.modules.size(), static_cast<size_t>(code.size * code.size));
  }
}

std::string picture(const QrCode& code) {
  std::string text;
  for (int row = 0; row < code.size; ++row) {
    for (int column = 0; column < code.size; ++column) text += code.dark(row, column) ? '#' : '.';
    text += '\n';
  }
  return text;
}

// Made by a separate model of the same algorithm, written from the standard; zbarimg reads the
// symbol as the empty text. The model's choice for this input is mask 3.
TEST(QrCode, EmptyInputAtLevelM) {
  const char* expected =
      "#######.###.#.#######\n"
      "#.....#.#####.#.....#\n"
      "#.###.#...#...#.###.#\n"
      "#.###.#.#...#.#.###.#\n"
      "#.###.#...#...#.###.#\n"
      "#.....#.......#.....#\n"
      "#######.#.#.#.#######\n"
      "........##...........\n"
      "#.##.###.##...#..#.##\n"
      "#.#......#..#..#..#..\n"
      "##.##.#..##.#####..#.\n"
      "###.##..#...##.....##\n"
      "#...###....#.#..#####\n"
      "........##...#.#..#.#\n"
      "#######.###..##.#.##.\n"
      "#.....#.##.####..#...\n"
      "#.###.#...##..#..#..#\n"
      "#.###.#.###..#..#..#.\n"
      "#.###.#.####.#..###..\n"
      "#.....#....##.#.##..#\n"
      "#######.#..##..#.#...\n";
  EXPECT_EQ(picture(encodeQr({}, QrLevel::M)), expected);
}

// A separate model of the algorithm chose mask 2 for this address; the hash is of its modules.
TEST(QrCode, AddressAtLevelM) {
  const std::string address = "https://example.org/donate";
  const QrCode code = encodeQr(std::vector<uint8_t>(address.begin(), address.end()), QrLevel::M);
  ASSERT_EQ(code.version, 2);
  Result<Sha256Digest> digest = sha256(code.modules.data(), code.modules.size());
  ASSERT_TRUE(digest.hasValue());
  EXPECT_EQ(toHex(*digest), "a951927f2deedcd3ee0f5f3a3049f2a3c23044c665541e670052f26c225cb24f");
}

// The kept grid has the lowest penalty of the eight, and the format bits name its mask.
TEST(QrCode, KeepsTheMaskWithTheLowestPenalty) {
  for (size_t length : {0u, 26u, 90u}) {
    const std::vector<uint8_t> input = qrTestInput(length);
    const QrCode code = encodeQr(input, QrLevel::Q);
    ASSERT_TRUE(code.valid());
    const std::vector<uint8_t> codewords = qrCodewords(input, code.version, QrLevel::Q);
    int chosen = -1;
    int64_t lowest = INT64_MAX;
    for (int mask = 0; mask < 8; ++mask) {
      const QrGrid grid = qrBuildSymbol(codewords, code.version, QrLevel::Q, mask);
      const int64_t penalty = qrPenalty(grid);
      if (penalty < lowest) {
        lowest = penalty;
        chosen = mask;
      }
    }
    EXPECT_EQ(code.modules, qrBuildSymbol(codewords, code.version, QrLevel::Q, chosen).modules) << length;
  }
}

TEST(QrPenalty, EachRuleOnASmallGrid) {
  // An all-light 21 x 21 grid: 21 runs of 21 per row and column, 400 blocks, 0% dark.
  QrGrid light(21);
  EXPECT_EQ(qrPenalty(light), 2 * 21 * (21 - 2) + 3 * 20 * 20 + 10 * 10);

  // A checkerboard: no runs, no blocks, 221 of 441 dark (50%), no finder-like windows.
  QrGrid board(21);
  for (int row = 0; row < 21; ++row) {
    for (int column = 0; column < 21; ++column) board.module(row, column) = (row + column) % 2 == 0;
  }
  EXPECT_EQ(qrPenalty(board), 0);
}

}  // namespace
}  // namespace tolzeb::ui

#include <gtest/gtest.h>

#include "codecs/velt/velt.h"
#include "support/byte_lists.h"
#include "tests/codecs/velt/payload_builder.h"
#include "tests/codecs/velt/reference_decoder.h"
#include "tests/codecs/velt/test_data.h"

namespace tolzeb {
namespace {

using testdata::PayloadBuilder;
using testdata::tokenByte;
using testing::concat;

constexpr uint8_t kLiteral = 0, kRun = 1, kMatch = 2, kRep = 3, kDict = 4, kPatch = 5, kZero = 6;

Bytes sequence(size_t count) {
  Bytes out(count);
  for (size_t k = 0; k < count; ++k) out[k] = uint8_t(k * 7 + 1);
  return out;
}

// 32 distinct literal bytes, then a patch of `length` from `distance` back with the given gaps.
PayloadBuilder patchAfterLiterals(uint32_t length, uint64_t distance, std::initializer_list<uint64_t> gaps) {
  PayloadBuilder b;
  b.tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 1), tokenByte(kPatch, length)}).litBytes(sequence(32)).ext(distance);
  b.tokVarint(gaps.size());
  for (uint64_t gap : gaps) {
    b.tokVarint(gap);
    b.lit({0xEE});
  }
  return b;
}

struct MalformedPayload {
  const char* name;
  Bytes payload;
  uint32_t declaredSize;
  Bytes dictionary;
  std::wstring message;
};

TEST(VeltDecodeTest, RefusesEachMalformationWithItsMessage) {
  const Bytes dict(64, 0x55);
  const Bytes oneLiteral = PayloadBuilder().tok({tokenByte(kLiteral, 1)}).lit({9}).build();
  auto afterOneLiteral = [] { return PayloadBuilder().tok({tokenByte(kLiteral, 1)}).lit({9}); };
  Bytes tooLongExtension = PayloadBuilder().tok({0xF8}).tokVarint(4194305).build();
  Bytes overflowingSections = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x01, 0x00, 0x00};

  const MalformedPayload cases[] = {
      {"zero size", oneLiteral, 0, {}, L"VELT block declares a zero decoded size"},
      {"size above limit", oneLiteral, 4194305, {}, L"VELT block declares a decoded size above the block limit"},
      {"empty payload", {}, 1, {}, L"VELT block has a malformed section header"},
      {"two varints", {0x00, 0x00}, 1, {}, L"VELT block has a malformed section header"},
      {"non-minimal varint", {0x80, 0x00, 0x00, 0x00}, 1, {}, L"VELT block has a malformed section header"},
      {"sections one more", {0x01, 0x00, 0x00}, 1, {}, L"VELT section lengths do not account for the block payload"},
      {"sections one less", {0x00, 0x00, 0x00, 0x00}, 1, {}, L"VELT section lengths do not account for the block payload"},
      {"sections overflow", overflowingSections, 1, {}, L"VELT section lengths do not account for the block payload"},
      {"no tokens", {0x00, 0x00, 0x00}, 1, {}, L"VELT stream ended before the block was complete"},
      {"tokens run out", oneLiteral, 2, {}, L"VELT stream ended before the block was complete"},
      {"reserved kind", PayloadBuilder().tok({0x07}).build(), 1, {}, L"VELT stream uses reserved opcode 7"},
      {"non-minimal length", PayloadBuilder().tok({0xF8, 0x80, 0x00}).build(), 100, {}, L"VELT token has a malformed length"},
      {"missing length", PayloadBuilder().tok({0xF8}).build(), 100, {}, L"VELT token has a malformed length"},
      {"length above limit", tooLongExtension, 4194304, {}, L"VELT token length exceeds the block limit"},
      {"past the end", PayloadBuilder().tok({tokenByte(kLiteral, 2)}).lit({1, 2}).build(), 1, {},
       L"VELT token would write past the end of the block"},
      {"short literals", PayloadBuilder().tok({tokenByte(kLiteral, 2)}).lit({1}).build(), 2, {},
       L"VELT literal run extends past the end of the stream"},
      {"run without value", PayloadBuilder().tok({tokenByte(kRun, 4)}).build(), 4, {}, L"VELT run token has no value"},
      {"match without distance", afterOneLiteral().tok({tokenByte(kMatch, 4)}).build(), 5, {},
       L"VELT match has no distance"},
      {"match distance 0", afterOneLiteral().tok({tokenByte(kMatch, 4)}).ext(0).build(), 5, {},
       L"VELT match distance points outside the decoded history"},
      {"match beyond history", afterOneLiteral().tok({tokenByte(kMatch, 4)}).ext(2).build(), 5, {},
       L"VELT match distance points outside the decoded history"},
      {"rep without slot", afterOneLiteral().tok({tokenByte(kRep, 4)}).build(), 5, {}, L"VELT rep token has no slot"},
      {"rep slot 4", afterOneLiteral().tok({tokenByte(kRep, 4), 4}).build(), 5, {},
       L"VELT rep token names slot 4, but only 0..3 exist"},
      {"rep slot 255", afterOneLiteral().tok({tokenByte(kRep, 4), 255}).build(), 5, {},
       L"VELT rep token names slot 255, but only 0..3 exist"},
      {"rep before any match", afterOneLiteral().tok({tokenByte(kRep, 4), 0}).build(), 5, {},
       L"VELT rep token uses a slot that was never set"},
      {"dict without offset", PayloadBuilder().tok({tokenByte(kDict, 4)}).build(), 4, dict, L"VELT dict token has no offset"},
      {"dict without dictionary", PayloadBuilder().tok({tokenByte(kDict, 4)}).ext(0).build(), 4, {},
       L"VELT block references a dictionary the archive does not have"},
      {"dict offset past end", PayloadBuilder().tok({tokenByte(kDict, 4)}).ext(65).build(), 4, dict,
       L"VELT dict reference lies outside the dictionary"},
      {"dict copy past end", PayloadBuilder().tok({tokenByte(kDict, 4)}).ext(61).build(), 4, dict,
       L"VELT dict reference lies outside the dictionary"},
      {"patch above 4096", PayloadBuilder().tok({0xFD}).tokVarint(4097 - 47).build(), 4097, {},
       L"VELT patch token exceeds the 4096 byte limit"},
      {"patch without distance", PayloadBuilder().tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 1), tokenByte(kPatch, 16)})
                                     .litBytes(sequence(32)).build(), 48, {}, L"VELT patch has no distance"},
      {"patch overlaps its source", patchAfterLiterals(16, 15, {0}).build(), 48, {},
       L"VELT patch distance is out of range for a disjoint copy"},
      {"patch beyond history", patchAfterLiterals(16, 33, {0}).build(), 48, {},
       L"VELT patch distance is out of range for a disjoint copy"},
      {"patch without edit count", PayloadBuilder().tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 1), tokenByte(kPatch, 16)})
                                       .litBytes(sequence(32)).ext(16).build(), 48, {}, L"VELT patch has no edit count"},
      {"patch with 0 edits", patchAfterLiterals(16, 16, {}).build(), 48, {}, L"VELT patch edit count is out of range"},
      {"patch with 17 edits", patchAfterLiterals(32, 32, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).build(), 64, {},
       L"VELT patch edit count is out of range"},
      {"edit at the length", patchAfterLiterals(16, 16, {16}).build(), 48, {}, L"VELT patch edit position is outside the token"},
      {"later edit past the length", patchAfterLiterals(16, 16, {3, 12}).build(), 48, {},
       L"VELT patch edit position is outside the token"},
      // A gap of 2^64 - 1 would bring the position back round to the previous one.
      {"gap wraps around", patchAfterLiterals(16, 16, {3, UINT64_MAX}).build(), 48, {},
       L"VELT patch edit position is outside the token"},
      {"trailing token", PayloadBuilder().tok({tokenByte(kLiteral, 1), 0}).lit({1}).build(), 1, {},
       L"VELT stream has trailing bytes after the last token"},
      {"trailing literal", PayloadBuilder().tok({tokenByte(kLiteral, 1)}).lit({1, 2}).build(), 1, {},
       L"VELT stream has trailing bytes after the last token"},
      {"trailing extra", PayloadBuilder().tok({tokenByte(kLiteral, 1)}).lit({1}).ext(5).build(), 1, {},
       L"VELT stream has trailing bytes after the last token"},
  };
  for (const MalformedPayload& c : cases) {
    Result<Bytes> result = decodeVeltBlock(c.payload, c.declaredSize, c.dictionary);
    ASSERT_TRUE(result.failed()) << c.name;
    EXPECT_EQ(result.failure().code, StatusCode::corrupt_archive) << c.name;
    EXPECT_EQ(result.failure().message, c.message) << c.name;
  }
}

TEST(VeltDecodeTest, PatchEditListIsTruncatedWhenGapOrByteIsMissing) {
  PayloadBuilder missingGap = patchAfterLiterals(16, 16, {});
  missingGap.token.back() = 1;  // announce one edit, give none
  PayloadBuilder missingByte = patchAfterLiterals(16, 16, {2});
  missingByte.literal.pop_back();
  for (const PayloadBuilder& b : {missingGap, missingByte}) {
    Result<Bytes> result = decodeVeltBlock(b.build(), 48, {});
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().message, L"VELT patch edit list is truncated");
  }
}

struct ValidCase {
  const char* name;
  Bytes payload;
  uint32_t declaredSize;
  Bytes dictionary;
  Bytes expected;
};

TEST(VeltDecodeTest, DecodesEachTokenKind) {
  Bytes seq32 = sequence(32);
  Bytes dict = sequence(100);
  Bytes patched = concat({seq32, seq32});
  patched[32] = patched[37] = patched[63] = 0xEE;
  Bytes sixteenEdits = concat({seq32, seq32});
  for (int k = 0; k < 16; ++k) sixteenEdits[32 + 2 * k + 1] = uint8_t(0xB0 + k);
  PayloadBuilder sixteen;
  sixteen.tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 1), tokenByte(kPatch, 32)}).litBytes(seq32).ext(32);
  sixteen.tokVarint(16).tokVarint(1);
  sixteen.lit({0xB0});
  for (int k = 1; k < 16; ++k) {
    sixteen.tokVarint(1);
    sixteen.lit({uint8_t(0xB0 + k)});
  }

  const ValidCase cases[] = {
      {"literal run of 1 (0x00)", PayloadBuilder().tok({0x00}).lit({7}).build(), 1, {}, {7}},
      {"literal run of 31 (0xF0)", PayloadBuilder().tok({0xF0}).litBytes(sequence(31)).build(), 31, {}, sequence(31)},
      {"literal run of 32 (0xF8 00)", PayloadBuilder().tok({0xF8, 0x00}).litBytes(seq32).build(), 32, {}, seq32},
      {"match of 35 (0xFA 00)", PayloadBuilder().tok({0x00, 0xFA, 0x00}).lit({3}).ext(1).build(), 36, {}, Bytes(36, 3)},
      {"distance 1 repeats the last byte", PayloadBuilder().tok({0x00, 0xFA}).tokVarint(100 - 35).lit({4}).ext(1).build(), 101,
       {}, Bytes(101, 4)},
      {"distance equal to the history", PayloadBuilder().tok({tokenByte(kLiteral, 5), tokenByte(kMatch, 5)})
                                             .lit({1, 2, 3, 4, 5}).ext(5).build(), 10, {}, {1, 2, 3, 4, 5, 1, 2, 3, 4, 5}},
      {"run", PayloadBuilder().tok({tokenByte(kRun, 6)}).lit({0xAB}).build(), 6, {}, Bytes(6, 0xAB)},
      {"zero run after a wide copy", PayloadBuilder().tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 1), tokenByte(kMatch, 17),
                                                           tokenByte(kZero, 20), tokenByte(kLiteral, 1)})
                                          .litBytes(seq32).lit({9}).ext(32).build(), 70, {},
       concat({seq32, Bytes(seq32.begin(), seq32.begin() + 17), Bytes(20, 0), {9}})},
      {"dict copy from offset 0, even with the dictionary's last byte",
       PayloadBuilder().tok({tokenByte(kDict, 4), tokenByte(kDict, 4)}).ext(0).ext(96).build(), 8, dict,
       concat({Bytes(dict.begin(), dict.begin() + 4), Bytes(dict.end() - 4, dict.end())})},
      {"patch with distance equal to length and an edit on its last byte",
       patchAfterLiterals(32, 32, {0, 4, 25}).build(), 64, {}, patched},
      {"patch with 16 edits", sixteen.build(), 64, {}, sixteenEdits},
      {"largest block", PayloadBuilder().tok({0xFE}).tokVarint(4194304 - 35).build(), 4194304, {}, Bytes(4194304, 0)},
  };
  for (const ValidCase& c : cases) {
    Result<Bytes> result = decodeVeltBlock(c.payload, c.declaredSize, c.dictionary);
    ASSERT_TRUE(result.hasValue()) << c.name << ": " << std::string(result.failure().message.begin(), result.failure().message.end());
    EXPECT_EQ(*result, c.expected) << c.name;
  }
}

// Distances 10..50 fill the list with 50, 40, 30, 20; match 30 gives 30, 50, 40, 20; rep slot 3
// copies from 20 and gives 20, 30, 50, 40; rep slot 3 again copies from 40.
TEST(VeltDecodeTest, RecentDistancesMoveToFront) {
  PayloadBuilder b;
  b.tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 29)}).litBytes(sequence(60));
  Bytes expected = sequence(60);
  auto copy = [&](uint64_t distance) { appendCopy(expected, distance, 4); };
  for (uint64_t d : {10, 20, 30, 40, 50, 30}) {
    b.tok({tokenByte(kMatch, 4)}).ext(d);
    copy(d);
  }
  b.tok({tokenByte(kRep, 4), 3, tokenByte(kRep, 4), 3, tokenByte(kRep, 4), 0});
  copy(20);
  copy(40);
  copy(40);
  Result<Bytes> result = decodeVeltBlock(b.build(), uint32_t(expected.size()), {});
  ASSERT_TRUE(result.hasValue());
  EXPECT_EQ(*result, expected);
}

TEST(VeltDecodeTest, AppendCopyRepeatsOverlappingSources) {
  Bytes out = {1, 2, 3};
  appendCopy(out, 3, 7);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1}));
  appendCopy(out, 10, 2);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 1, 2}));
}

// A match distance of every varint width, and refused non-minimal forms, met by the fast loop
// (deep in a block, with room in every stream): same bytes or same message as the plain decoder.
TEST(VeltDecodeTest, MatchDistancesOfEveryVarintWidthInTheFastLoop) {
  const uint32_t leadLength = 2200000;  // history for a distance of four varint bytes
  const struct {
    const char* name;
    Bytes distanceBytes;
    bool valid;
  } cases[] = {
      {"one byte", {100}, true},
      {"two bytes", {0xE8, 0x07}, true},                     // 1000
      {"three bytes", {0xA0, 0x8D, 0x06}, true},             // 100000
      {"four bytes", {0xC0, 0x9D, 0x86, 0x01}, true},        // 2,199,232
      {"two bytes, non-minimal", {0x85, 0x00}, false},
      {"three bytes, non-minimal", {0x85, 0x80, 0x00}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PayloadBuilder b;
    b.tok({0xF8}).tokVarint(leadLength - 32).litBytes(Bytes(leadLength, 0x3C));
    for (size_t k = 0; k < leadLength; k += 4099) b.literal[k] = uint8_t(k >> 3);
    b.tok({tokenByte(kLiteral, 1), tokenByte(kMatch, 4)}).lit({0x11});
    b.extra.insert(b.extra.end(), c.distanceBytes.begin(), c.distanceBytes.end());
    for (int k = 0; k < 10; ++k) b.tok({tokenByte(kLiteral, 1), tokenByte(kMatch, 4)}).lit({uint8_t(k)}).ext(5);
    b.tok({tokenByte(kLiteral, 31), tokenByte(kLiteral, 31)}).litBytes(Bytes(62, 0x22));
    const uint32_t size = leadLength + 5 + 10 * 5 + 62;
    const Bytes payload = b.build();
    Result<Bytes> fast = decodeVeltBlock(payload, size, {});
    Result<Bytes> plain = reference::decodeBlock(payload, size, {});
    ASSERT_EQ(fast.hasValue(), c.valid);
    ASSERT_EQ(plain.hasValue(), c.valid);
    if (c.valid)
      EXPECT_TRUE(*fast == *plain);
    else
      EXPECT_EQ(fast.failure().message, plain.failure().message);
  }
}

// Damaged encoder output, bytes flipped at deterministic places: the fast decoder gives the
// same bytes or the same message as the plain one, whichever path each token takes.
TEST(VeltDecodeTest, AgreesWithThePlainDecoderOnDamagedPayloads) {
  const Bytes dictionary = testdata::text(3000, 41);
  const Bytes blocks[] = {testdata::mixed(20000, 42), testdata::records(9000, 43), testdata::runs(7000, 44)};
  testdata::Rng rng{45};
  int compared = 0;
  for (const Bytes& block : blocks) {
    for (uint8_t level : {0, 1, 2}) {
      Result<Bytes> payload = veltEncodeWithDictionary(block, level, dictionary);
      ASSERT_TRUE(payload.hasValue());
      ASSERT_FALSE(payload->empty());
      for (int trial = 0; trial < 300; ++trial) {
        Bytes damaged = *payload;
        int flips = 1 + int(rng.below(3));
        for (int f = 0; f < flips; ++f) damaged[3 + rng.below(uint32_t(damaged.size() - 3))] ^= uint8_t(1 + rng.below(255));
        uint32_t size = trial % 10 == 0 ? uint32_t(block.size()) - rng.below(50) : uint32_t(block.size());
        Result<Bytes> fast = decodeVeltBlock(damaged, size, dictionary);
        Result<Bytes> plain = reference::decodeBlock(damaged, size, dictionary);
        ASSERT_EQ(fast.hasValue(), plain.hasValue()) << trial;
        if (fast.hasValue())
          ASSERT_TRUE(*fast == *plain) << trial;
        else
          ASSERT_EQ(fast.failure().message, plain.failure().message) << trial;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 2700);
}

}  // namespace
}  // namespace tolzeb

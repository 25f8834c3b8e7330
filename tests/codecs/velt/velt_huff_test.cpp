#include "codecs/velt/velt_huff.h"

#include <gtest/gtest.h>

#include "codecs/velt/huffman.h"
#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"
#include "tests/codecs/velt/reference_decoder.h"
#include "tests/codecs/velt/test_data.h"

namespace tolzeb {
namespace {

struct SplitCase {
  const char* name;
  Bytes payload;
  std::wstring message;
};

TEST(SplitVeltSectionsTest, Table) {
  const SplitCase cases[] = {
      {"empty", {}, L"VELT payload has a malformed section header"},
      {"two varints", {0x00, 0x00}, L"VELT payload has a malformed section header"},
      {"one length too long", {0x02, 0x00, 0x00, 0x01}, L"VELT section length exceeds the payload"},
      {"sum too large", {0x01, 0x01, 0x00, 0x01}, L"VELT section lengths do not account for the payload"},
      {"sum too small", {0x01, 0x00, 0x00, 0x01, 0x02}, L"VELT section lengths do not account for the payload"},
  };
  for (const SplitCase& c : cases) {
    Result<VeltSections> result = splitVeltSections(c.payload);
    ASSERT_TRUE(result.failed()) << c.name;
    EXPECT_EQ(result.failure().code, StatusCode::corrupt_archive) << c.name;
    EXPECT_EQ(result.failure().message, c.message) << c.name;
  }
  Bytes good = {0x01, 0x02, 0x00, 0xAA, 0xBB, 0xCC};
  Result<VeltSections> split = splitVeltSections(good);
  ASSERT_TRUE(split.hasValue());
  EXPECT_EQ(Bytes(split->token.begin(), split->token.end()), Bytes{0xAA});
  EXPECT_EQ(Bytes(split->literal.begin(), split->literal.end()), (Bytes{0xBB, 0xCC}));
  EXPECT_TRUE(split->extra.empty());
}

// A Huffman block of n one-bit codes for 'x' and 'y', all 'x'.
Bytes tinyHuffmanBlock(uint64_t n) {
  Bytes out;
  appendVarint(out, n);
  size_t table = out.size();
  out.resize(table + 256, 0);
  out[table + 'x'] = out[table + 'y'] = 1;
  out.resize(out.size() + (n + 7) / 8, 0);
  return out;
}

Bytes veltHuff(uint8_t flags, std::initializer_list<Bytes> streams) {
  Bytes out = {flags};
  for (const Bytes& s : streams) appendVarint(out, s.size());
  for (const Bytes& s : streams) out.insert(out.end(), s.begin(), s.end());
  return out;
}

struct HuffCase {
  const char* name;
  Bytes payload;
  uint64_t bound;
  std::wstring message;
};

TEST(DecodeVeltHuffTest, RefusesEachMalformation) {
  Bytes truncated = veltHuff(0, {{1}, {2}, {3}});
  truncated.pop_back();
  Bytes trailing = veltHuff(0, {{1}, {2}, {3}});
  trailing.push_back(0);
  const HuffCase cases[] = {
      {"empty", {}, 100, L"VELT_HUFF payload has no section flags"},
      {"flag 8", {0x08, 0, 0, 0}, 100, L"VELT_HUFF payload sets unknown section flags"},
      {"missing length", {0x00, 0x00, 0x00}, 100, L"VELT_HUFF payload has a malformed section length"},
      {"non-minimal length", {0x00, 0x80, 0x00, 0x00, 0x00}, 100, L"VELT_HUFF payload has a malformed section length"},
      {"length beyond payload", {0x00, 0x07, 0x00, 0x00, 0, 0}, 100, L"VELT_HUFF section length exceeds the payload"},
      {"truncated", truncated, 100, L"VELT_HUFF payload is truncated"},
      {"huffman failure passes through", veltHuff(1, {{0x00}, {}, {}}), 100, L"Huffman payload declares a zero length"},
      {"over the bound", veltHuff(0, {Bytes(3, 1), Bytes(3, 2), Bytes(3, 3)}), 8,
       L"VELT_HUFF sections exceed the permitted block size"},
      {"huffman stream over the bound", veltHuff(2, {Bytes(3, 1), tinyHuffmanBlock(9), {}}), 8,
       L"Huffman payload declares a length above the permitted bound"},
      {"trailing", trailing, 100, L"VELT_HUFF payload has trailing bytes after the last section"},
  };
  for (const HuffCase& c : cases) {
    Result<Bytes> result = decodeVeltHuff(c.payload, c.bound);
    ASSERT_TRUE(result.failed()) << c.name;
    EXPECT_EQ(result.failure().code, StatusCode::corrupt_archive) << c.name;
    EXPECT_EQ(result.failure().message, c.message) << c.name;
  }
}

TEST(DecodeVeltHuffTest, UnwrapsRawAndCodedStreams) {
  // Flags 0 is legal for the decoder although the encoder never writes it.
  Result<Bytes> raw = decodeVeltHuff(veltHuff(0, {{0x00}, {0x41}, {}}), 100);
  ASSERT_TRUE(raw.hasValue());
  EXPECT_EQ(*raw, (Bytes{0x01, 0x01, 0x00, 0x00, 0x41}));

  Result<Bytes> coded = decodeVeltHuff(veltHuff(2, {{0x38}, tinyHuffmanBlock(8), {}}), 9);
  ASSERT_TRUE(coded.hasValue());
  Bytes expected(12, 'x');
  const uint8_t header[] = {0x01, 0x08, 0x00, 0x38};
  std::copy(std::begin(header), std::end(header), expected.begin());
  EXPECT_EQ(*coded, expected);
}

TEST(EncodeVeltHuffTest, WrapsOnlyWhenItPaysAndRoundTrips) {
  // Three streams of one repeated value each: nothing can be coded.
  Bytes flat = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 'a', 'a', 'a'};
  Result<Bytes> none = encodeVeltHuff(flat);
  ASSERT_TRUE(none.hasValue());
  EXPECT_TRUE(none->empty());

  Result<Bytes> bad = encodeVeltHuff(Bytes{0x05});
  ASSERT_TRUE(bad.failed());
  EXPECT_EQ(bad.failure().message, L"VELT payload has a malformed section header");

  for (uint8_t level : {1, 2}) {
    Bytes block = testdata::mixed(300000, 11);
    Result<Bytes> payload = veltEncode(block, level);
    ASSERT_TRUE(payload.hasValue());
    ASSERT_FALSE(payload->empty());
    Result<Bytes> wrapped = encodeVeltHuff(*payload);
    ASSERT_TRUE(wrapped.hasValue());
    ASSERT_FALSE(wrapped->empty());
    EXPECT_LT(wrapped->size(), payload->size());
    Result<Bytes> unwrapped = decodeVeltHuff(*wrapped, kVeltMaxBlockSize);
    ASSERT_TRUE(unwrapped.hasValue());
    EXPECT_EQ(*unwrapped, *payload);
  }
}

// The streams are decoded side by side, but failures must come out in storage order: damaged
// payloads give the same bytes or the same message as a one-stream-at-a-time decoder.
TEST(DecodeVeltHuffTest, AgreesWithInOrderDecodingOnDamagedPayloads) {
  testdata::Rng rng{51};
  int compared = 0;
  for (uint8_t level : {1, 2}) {
    for (const Bytes& block : {testdata::mixed(120000, 52), testdata::records(90000, 53)}) {
      Result<Bytes> payload = veltEncode(block, level);
      ASSERT_TRUE(payload.hasValue());
      Result<Bytes> wrapped = encodeVeltHuff(*payload);
      ASSERT_TRUE(wrapped.hasValue());
      ASSERT_FALSE(wrapped->empty());
      for (int trial = 0; trial < 400; ++trial) {
        Bytes damaged = *wrapped;
        int flips = 1 + int(rng.below(3));
        for (int f = 0; f < flips; ++f) damaged[rng.below(uint32_t(damaged.size()))] ^= uint8_t(1 + rng.below(255));
        if (trial % 7 == 0) damaged.resize(damaged.size() - 1 - rng.below(300));
        uint64_t bound = trial % 5 == 0 ? payload->size() - rng.below(2000) : kVeltMaxBlockSize;
        Result<Bytes> ours = decodeVeltHuff(damaged, bound);
        Result<Bytes> inOrder = reference::decodeVeltHuff(damaged, bound);
        ASSERT_EQ(ours.hasValue(), inOrder.hasValue()) << trial;
        if (ours.hasValue())
          ASSERT_TRUE(*ours == *inOrder) << trial;
        else
          ASSERT_EQ(ours.failure().message, inOrder.failure().message) << trial;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 1600);
}

}  // namespace
}  // namespace tolzeb

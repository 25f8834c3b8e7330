#include <gtest/gtest.h>

#include <functional>

#include "codecs/lzma/lzma.h"
#include "tests/codecs/lzma/lzma_stream_builder.h"
#include "tests/codecs/lzma/lzma_test_data.h"

namespace tolzeb {
namespace {

using testdata::LzmaStreamBuilder;
using testdata::noiseBytes;

const LzmaProperties kDefault{3, 0, 2, 1u << 20};

TEST(ParseLzmaPropertiesTest, SplitsTheByteAndRefusesOutOfRange) {
  struct Case {
    uint8_t byte;
    uint32_t lc, lp, pb;
  };
  const Case cases[] = {{0x5D, 3, 0, 2}, {0, 0, 0, 0}, {224, 8, 4, 4}, {8, 8, 0, 0}, {9, 0, 1, 0}, {45, 0, 0, 1}};
  for (const Case& c : cases) {
    Result<LzmaProperties> p = parseLzmaProperties(c.byte, 65536);
    ASSERT_TRUE(p.hasValue());
    EXPECT_EQ(p->lc, c.lc);
    EXPECT_EQ(p->lp, c.lp);
    EXPECT_EQ(p->pb, c.pb);
    EXPECT_EQ(p->dictionarySize, 65536u);
  }
  for (int byte : {225, 255}) {
    Result<LzmaProperties> p = parseLzmaProperties(uint8_t(byte), 65536);
    ASSERT_TRUE(p.failed());
    EXPECT_EQ(p.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(p.failure().message, L"LZMA: properties byte is out of range");
  }
}

struct MalformedCase {
  const char* name;
  std::vector<uint8_t> stream;
  uint32_t dictionarySize;
  uint64_t declaredSize;
  uint64_t cap;
  StatusCode code;
  std::wstring message;
};

std::vector<uint8_t> literalsThen(size_t count, const std::function<void(LzmaStreamBuilder&)>& more) {
  LzmaStreamBuilder b;
  b.literals(noiseBytes(count, 31));
  more(b);
  return b.finish();
}

TEST(LzmaDecodeTest, RefusesEachMalformationWithItsMessage) {
  const auto abc = LzmaStreamBuilder().literals({'a', 'b', 'c'}).finish();
  auto truncated = LzmaStreamBuilder().literals(noiseBytes(200, 32)).finish();
  truncated.resize(truncated.size() / 2);
  const StatusCode corrupt = StatusCode::corrupt_archive, limit = StatusCode::resource_limit;
  const std::wstring overLimit = L"Decompressed data exceeds the limit for this operation";

  const MalformedCase cases[] = {
      {"four bytes", {0, 0, 0, 0}, 0, 1, 10, corrupt, L"LZMA: stream does not begin with a valid range coder header"},
      {"nonzero first byte", {1, 0, 0, 0, 0, 0}, 0, 1, 10, corrupt,
       L"LZMA: stream does not begin with a valid range coder header"},
      {"declared above cap", abc, 0, 3, 2, limit, L"LZMA: declared size exceeds the limit for this operation"},
      {"repeat first", LzmaStreamBuilder().repeat(0, 2).finish(), 0, 2, 10, corrupt,
       L"LZMA: repeat match with nothing behind it"},
      {"short repeat first", LzmaStreamBuilder().shortRepeat().finish(), 0, 1, 10, corrupt,
       L"LZMA: repeat match with nothing behind it"},
      {"match as far back as the output", LzmaStreamBuilder().literal('a').match(2, 1).finish(), 0, 3, 10, corrupt,
       L"LZMA: match reaches before the start of the window"},
      {"match beyond the dictionary", literalsThen(4097, [](auto& b) { b.match(2, 4096); }), 4096, 4099, 5000,
       corrupt, L"LZMA: match distance is outside the declared dictionary (rep0=4096 dict=4096 at=4097)"},
      {"end marker before declared end", LzmaStreamBuilder().literals({'a', 'b'}).endMarker().finish(), 0, 5, 10,
       corrupt, L"LZMA: end marker in a stream with a declared length"},
      {"match past declared length", LzmaStreamBuilder().literal('a').match(5, 0).finish(), 0, 4, 100, corrupt,
       L"LZMA: match runs past the declared length"},
      {"match past the cap", LzmaStreamBuilder().literal('a').match(5, 0).finish(), 0, 4, 4, limit, overLimit},
      {"truncated", truncated, 0, 200, 200, corrupt, L"LZMA: stream ended in the middle of a symbol"},
      {"unknown size, stream ends at the cap", abc, 0, kLzmaUnknownSize, 3, corrupt,
       L"LZMA: stream has neither a declared length nor an end marker"},
      {"unknown size, match beyond the cap", LzmaStreamBuilder().literal('a').match(9, 0).endMarker().finish(), 0,
       kLzmaUnknownSize, 5, limit, overLimit},
      {"unknown size, literal beyond the cap",
       LzmaStreamBuilder().literals(noiseBytes(50, 33)).endMarker().finish(), 0, kLzmaUnknownSize, 49, limit,
       overLimit},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    LzmaProperties properties = kDefault;
    properties.dictionarySize = c.dictionarySize;
    Result<Bytes> out = lzmaDecode(c.stream.data(), c.stream.size(), properties, c.declaredSize, c.cap);
    ASSERT_TRUE(out.failed());
    EXPECT_EQ(out.failure().code, c.code);
    EXPECT_EQ(out.failure().message, c.message);
  }
}

TEST(LzmaDecodeTest, RefusesBadArguments) {
  const uint8_t header[5] = {};
  struct Case {
    const uint8_t* data;
    size_t size;
    LzmaProperties properties;
    uint64_t cap;
    std::wstring message;
  };
  const Case cases[] = {
      {nullptr, 5, kDefault, 10, L"lzmaDecode: null input"},
      {header, 5, kDefault, 0, L"lzmaDecode: output cap must not be zero"},
      {header, 5, LzmaProperties{9, 0, 2, 0}, 10, L"lzmaDecode: properties are out of range"},
  };
  for (const Case& c : cases) {
    Result<Bytes> out = lzmaDecode(c.data, c.size, c.properties, 1, c.cap);
    ASSERT_TRUE(out.failed());
    EXPECT_EQ(out.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(out.failure().message, c.message);
  }
}

TEST(LzmaDecodeTest, DecodesWhatIsValidAtTheLimits) {
  struct ValidCase {
    const char* name;
    LzmaStreamBuilder::Built built;
    uint32_t dictionarySize;
    uint64_t declaredSize;
    uint64_t cap;
  };
  auto distance = [](uint32_t dictionarySize, uint32_t distanceMinus1) {
    LzmaStreamBuilder b;
    b.literals(noiseBytes(4097, 31)).match(3, distanceMinus1);
    return ValidCase{"dictionary", b.build(), dictionarySize, 4100, 4100};
  };
  const ValidCase cases[] = {
      {"match as far back as the output minus one", LzmaStreamBuilder().literals({'a', 'b'}).match(2, 1).build(), 0, 4, 4},
      {"every kind of symbol",
       LzmaStreamBuilder().literals({'x', 'y', 'z', 'w'}).match(3, 2).match(4, 3).literal('q').repeat(1, 2).repeat(0, 5)
           .shortRepeat().match(6, 0).repeat(2, 3).repeat(3, 2).literal('e').build(),
       0, 32, 32},
      distance(4096, 4095),
      distance(0, 4096),
      {"long distances", LzmaStreamBuilder().literals(noiseBytes(70000, 34)).match(273, 69999).match(100, 65535)
           .match(2, 20000).build(), 0, 70375, 70375},
      {"lc 0 lp 4 pb 4", LzmaStreamBuilder(0, 4, 4).literals(noiseBytes(40, 35)).match(20, 7).literal(1).build(), 0, 61, 61},
      {"lc 8 lp 4 pb 0", LzmaStreamBuilder(8, 4, 0).literals(noiseBytes(40, 36)).match(20, 7).literal(1).build(), 0, 61, 61},
  };
  for (const ValidCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.built.output.size(), c.declaredSize);
    LzmaProperties properties{c.built.lc, c.built.lp, c.built.pb, c.dictionarySize};
    Result<Bytes> out = lzmaDecode(c.built.stream.data(), c.built.stream.size(), properties, c.declaredSize, c.cap);
    ASSERT_TRUE(out.hasValue()) << std::string(out.failure().message.begin(), out.failure().message.end());
    EXPECT_TRUE(*out == c.built.output);
  }
}

TEST(LzmaDecodeTest, EndMarkerEndsAnUnknownSize) {
  LzmaStreamBuilder b;
  b.literals(noiseBytes(300, 37)).match(40, 100).repeat(0, 7).endMarker();
  const std::vector<uint8_t> expected = b.output();
  std::vector<uint8_t> stream = b.finish();
  stream.insert(stream.end(), {0xDE, 0xAD});  // input after the last symbol is not looked at
  for (uint64_t cap : {uint64_t(expected.size()), uint64_t(expected.size()) + 1, uint64_t(1) << 30}) {
    Result<Bytes> out = lzmaDecode(stream.data(), stream.size(), kDefault, kLzmaUnknownSize, cap);
    ASSERT_TRUE(out.hasValue()) << cap;
    EXPECT_TRUE(*out == expected);
  }
}

TEST(LzmaDecodeTest, DeclaredSizeAgainstTheCap) {
  LzmaStreamBuilder b;
  b.literals(noiseBytes(100, 38));
  const std::vector<uint8_t> stream = b.finish();
  Result<Bytes> below = lzmaDecode(stream.data(), stream.size(), kDefault, 100, 99);
  ASSERT_TRUE(below.failed());
  EXPECT_EQ(below.failure().code, StatusCode::resource_limit);
  Result<Bytes> equal = lzmaDecode(stream.data(), stream.size(), kDefault, 100, 100);
  ASSERT_TRUE(equal.hasValue());
  EXPECT_EQ(equal->size(), 100u);
  // A huge declared size reserves nothing up front; the stream simply ends too early.
  Result<Bytes> huge = lzmaDecode(stream.data(), stream.size(), kDefault, uint64_t(1) << 31, uint64_t(1) << 33);
  ASSERT_TRUE(huge.failed());
  EXPECT_EQ(huge.failure().message, L"LZMA: stream ended in the middle of a symbol");
}

}  // namespace
}  // namespace tolzeb

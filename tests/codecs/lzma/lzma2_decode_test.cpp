#include <gtest/gtest.h>

#include <chrono>

#include "codecs/lzma/lzma.h"
#include "tests/codecs/lzma/lzma_stream_builder.h"
#include "tests/codecs/lzma/lzma_test_data.h"

namespace tolzeb {
namespace {

using testdata::LzmaStreamBuilder;
using testdata::noiseBytes;
using testdata::textBytes;
using testing::concat;

constexpr uint8_t kProps = 0x5D;
const std::vector<uint8_t> kEnd = {0x00};

std::vector<uint8_t> storedChunk(uint8_t control, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  out.reserve(3 + data.size());
  out.push_back(control);
  out.push_back(uint8_t((data.size() - 1) >> 8));
  out.push_back(uint8_t(data.size() - 1));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// An LZMA chunk header and its packed bytes; a properties byte for controls from 0xC0.
std::vector<uint8_t> lzmaChunk(uint8_t control, size_t unpacked, const std::vector<uint8_t>& packed,
                               uint8_t properties = kProps) {
  std::vector<uint8_t> out = {uint8_t(control | (unpacked - 1) >> 16), uint8_t((unpacked - 1) >> 8),
                              uint8_t(unpacked - 1), uint8_t((packed.size() - 1) >> 8), uint8_t(packed.size() - 1)};
  if (control >= 0xC0) out.push_back(properties);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

struct MalformedStream {
  const char* name;
  std::vector<uint8_t> stream;
  uint64_t cap;
  StatusCode code;
  std::wstring message;
};

TEST(Lzma2DecodeTest, RefusesEachMalformationWithItsMessage) {
  const std::vector<uint8_t> abc = {'a', 'b', 'c'};
  const auto abcChunk = lzmaChunk(0xE0, 3, LzmaStreamBuilder().literals(abc).finish());
  const auto fiveBytes = LzmaStreamBuilder().literals({1, 2, 3, 4, 5}).finish();
  auto headerOnly = [](std::vector<uint8_t> chunk, size_t keep) {
    chunk.resize(keep);
    return chunk;
  };
  auto withFirstByte = [](std::vector<uint8_t> chunk, size_t at, uint8_t value) {
    chunk[at] = value;
    return chunk;
  };
  // After "abc", a chunk that continues the same model with a match three back.
  LzmaStreamBuilder continued;
  continued.literals(abc);
  const auto first = continued.finish();
  continued.match(3, 2);
  const auto matchThreeBack = continued.finish();

  const StatusCode corrupt = StatusCode::corrupt_archive, limit = StatusCode::resource_limit;
  const std::wstring overLimit = L"Decompressed data exceeds the limit for this operation";
  const MalformedStream cases[] = {
      {"reserved 03", {0x03}, 100, corrupt, L"LZMA2: reserved control byte"},
      {"reserved 7F", concat({storedChunk(1, abc), {0x7F}}), 100, corrupt, L"LZMA2: reserved control byte"},
      {"stored header cut", {0x01, 0x00}, 100, corrupt, L"LZMA2: truncated stored chunk"},
      {"stored data cut", {0x01, 0x00, 0x05, 'a', 'b'}, 100, corrupt, L"LZMA2: stored chunk runs past the end"},
      {"stored above cap", storedChunk(1, abc), 2, limit, overLimit},
      {"second stored above cap", concat({storedChunk(1, abc), storedChunk(2, abc)}), 5, limit, overLimit},
      {"80 first", lzmaChunk(0x80, 5, fiveBytes), 100, corrupt, L"LZMA2: chunk uses properties that were never sent"},
      {"A0 first", lzmaChunk(0xA0, 5, fiveBytes), 100, corrupt, L"LZMA2: chunk uses properties that were never sent"},
      {"80 after stored", concat({storedChunk(1, abc), lzmaChunk(0x80, 5, fiveBytes)}), 100, corrupt,
       L"LZMA2: chunk uses properties that were never sent"},
      {"header cut", headerOnly(abcChunk, 4), 100, corrupt, L"LZMA2: truncated chunk header"},
      {"properties byte missing", headerOnly(abcChunk, 5), 100, corrupt, L"LZMA2: missing properties byte"},
      {"properties byte 225", withFirstByte(abcChunk, 5, 225), 100, corrupt, L"LZMA: properties byte is out of range"},
      {"packed bytes cut", headerOnly(abcChunk, abcChunk.size() - 1), 100, corrupt, L"LZMA2: chunk runs past the end"},
      {"unpacked above cap", abcChunk, 2, limit, overLimit},
      {"packed size 4", lzmaChunk(0xE0, 3, {0, 0, 0, 0}), 100, corrupt, L"LZMA2: bad range coder header"},
      {"packed first byte 1", withFirstByte(abcChunk, 6, 1), 100, corrupt, L"LZMA2: bad range coder header"},
      {"match across a dictionary reset",
       concat({lzmaChunk(0xE0, 3, first), lzmaChunk(0xE0, 3, matchThreeBack)}), 100, corrupt,
       L"LZMA: match reaches before the start of the window"},
      {"match into stored bytes before a reset",
       concat({storedChunk(1, abc), storedChunk(1, {'d'}), lzmaChunk(0xC0, 3, LzmaStreamBuilder(3, 0, 2, {'d'}).match(3, 1).finish())}),
       100, corrupt, L"LZMA: match reaches before the start of the window"},
      {"match past the chunk's end", concat({abcChunk, lzmaChunk(0x80, 2, matchThreeBack)}), 100, corrupt,
       L"LZMA: match runs past the declared length"},
      {"match distance beyond dictionary",
       concat({storedChunk(1, noiseBytes(5000, 41)),
               lzmaChunk(0xC0, 2, LzmaStreamBuilder(3, 0, 2, noiseBytes(5000, 41)).match(2, 4096).finish())}),
       100000, corrupt, L"LZMA: match distance is outside the declared dictionary (rep0=4096 dict=4096 at=5000)"},
      {"packed shorter than its symbols",
       [] {
         auto packed = LzmaStreamBuilder().literals(noiseBytes(300, 42)).finish();
         packed.resize(packed.size() - 40);
         return lzmaChunk(0xE0, 300, packed);
       }(),
       1000, corrupt, L"LZMA: stream ended in the middle of a symbol"},
      {"end marker in a chunk", lzmaChunk(0xE0, 5, LzmaStreamBuilder().literals(abc).endMarker().finish()), 100,
       corrupt, L"LZMA: end marker in a stream with a declared length"},
  };
  for (const MalformedStream& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Bytes> out = lzma2Decode(c.stream.data(), c.stream.size(), 4096, c.cap);
    ASSERT_TRUE(out.failed());
    EXPECT_EQ(out.failure().code, c.code);
    EXPECT_EQ(out.failure().message, c.message);
  }
  Result<Bytes> null = lzma2Decode(nullptr, 1, 4096, 100);
  ASSERT_TRUE(null.failed());
  EXPECT_EQ(null.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(null.failure().message, L"lzma2Decode: null input");
}

TEST(Lzma2DecodeTest, AcceptsTheFramingsThePeersAndWeWrite) {
  const std::vector<uint8_t> abc = {'a', 'b', 'c'};
  LzmaStreamBuilder continued;
  continued.literals(abc);
  const auto first = continued.finish();
  continued.match(3, 2);
  const auto matchThreeBack = continued.finish();
  LzmaStreamBuilder afterStored(3, 0, 2, abc);
  afterStored.match(3, 2).literal('z');
  const auto afterStoredBytes = afterStored.finish();
  // A0: fresh probabilities and recent distances, same window.
  LzmaStreamBuilder stateReset(3, 0, 2, abc);
  stateReset.repeat(0, 2).match(2, 2);
  const auto stateResetOutput = stateReset.output();
  const auto stateResetBytes = stateReset.finish();

  struct ValidCase {
    const char* name;
    std::vector<uint8_t> stream;
    std::vector<uint8_t> output;
  };
  const ValidCase cases[] = {
      {"empty input", {}, {}},
      {"end byte alone", {0x00}, {}},
      {"bytes after the end byte", {0x00, 0x7F, 0xFF}, {}},
      {"no end byte", storedChunk(1, abc), abc},
      {"stored 02 first", concat({storedChunk(2, abc), kEnd}), abc},
      {"two stored", concat({storedChunk(1, abc), storedChunk(2, {'d'}), kEnd}), {'a', 'b', 'c', 'd'}},
      {"80 continues the state", concat({lzmaChunk(0xE0, 3, first), lzmaChunk(0x80, 3, matchThreeBack), kEnd}),
       {'a', 'b', 'c', 'a', 'b', 'c'}},
      {"C0 matches into stored bytes", concat({storedChunk(1, abc), lzmaChunk(0xC0, 4, afterStoredBytes), kEnd}),
       {'a', 'b', 'c', 'a', 'b', 'c', 'z'}},
      {"A0 resets the state only", concat({lzmaChunk(0xE0, 3, first), lzmaChunk(0xA0, 4, stateResetBytes), kEnd}),
       stateResetOutput},
      {"E0 later resets the window",
       concat({lzmaChunk(0xE0, 3, first), lzmaChunk(0xE0, 3, LzmaStreamBuilder().literals({'x', 'y', 'z'}).finish()),
               kEnd}),
       {'a', 'b', 'c', 'x', 'y', 'z'}},
      {"trailing packed bytes", concat({lzmaChunk(0xE0, 3, concat({first, {9, 9, 9}})), kEnd}), abc},
  };
  for (const ValidCase& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Bytes> out = lzma2Decode(c.stream.data(), c.stream.size(), 4096, 100);
    ASSERT_TRUE(out.hasValue()) << std::string(out.failure().message.begin(), out.failure().message.end());
    EXPECT_TRUE(*out == c.output);
  }

  // With a dictionary size of 0 no distance is refused on that account.
  const auto far = noiseBytes(5000, 41);
  const auto farStream = concat(
      {storedChunk(1, far), lzmaChunk(0xC0, 2, LzmaStreamBuilder(3, 0, 2, far).match(2, 4999).finish()), kEnd});
  Result<Bytes> unbounded = lzma2Decode(farStream.data(), farStream.size(), 0, 100000);
  ASSERT_TRUE(unbounded.hasValue());
  EXPECT_EQ(unbounded->size(), 5002u);
}

TEST(Lzma2DecodeTest, TruncationFailsOrYieldsAPrefix) {
  const auto data = concat({textBytes(150000, 43), noiseBytes(70000, 44), textBytes(50000, 45)});
  uint32_t dictionarySize = 0;
  Result<Bytes> stream = lzma2Encode(data.data(), data.size(), 6, dictionarySize);
  ASSERT_TRUE(stream.hasValue());
  for (size_t cut = 0; cut < stream->size(); cut += 1 + cut / 7) {
    Result<Bytes> out = lzma2Decode(stream->data(), cut, dictionarySize, data.size());
    if (out.hasValue()) {
      // Only a cut right after a whole chunk decodes, to the chunks before it.
      ASSERT_LE(out->size(), data.size());
      EXPECT_TRUE(std::equal(out->begin(), out->end(), data.begin())) << cut;
    } else {
      EXPECT_EQ(out.failure().code, StatusCode::corrupt_archive) << cut;
    }
  }
}

TEST(Lzma2DecodeTest, RespectsTheCap) {
  const std::vector<uint8_t> zeros(1 << 20, 0);
  uint32_t dictionarySize = 0;
  Result<Bytes> stream = lzma2Encode(zeros.data(), zeros.size(), 1, dictionarySize);
  ASSERT_TRUE(stream.hasValue());
  for (uint64_t cap : {uint64_t(0), uint64_t(1000), uint64_t(zeros.size() - 1)}) {
    Result<Bytes> out = lzma2Decode(stream->data(), stream->size(), dictionarySize, cap);
    ASSERT_TRUE(out.failed());
    EXPECT_EQ(out.failure().code, StatusCode::resource_limit);
    EXPECT_EQ(out.failure().message, L"Decompressed data exceeds the limit for this operation");
  }
  Result<Bytes> exact = lzma2Decode(stream->data(), stream->size(), dictionarySize, zeros.size());
  ASSERT_TRUE(exact.hasValue());
  EXPECT_EQ(exact->size(), zeros.size());
}

TEST(Lzma2DecodeTest, ManyPropertyResetsStayCheap) {
  // Each tiny chunk sets lc 8, lp 4 (the largest literal table) and resets the state; the cost
  // must follow the bytes decoded, not the table size times the chunk count.
  const auto chunk = lzmaChunk(0xE0, 1, LzmaStreamBuilder(8, 4, 0).literal('x').finish(), 224);
  std::vector<uint8_t> stream;
  const size_t chunks = 50000;
  for (size_t i = 0; i < chunks; ++i) stream.insert(stream.end(), chunk.begin(), chunk.end());
  const auto started = std::chrono::steady_clock::now();
  Result<Bytes> out = lzma2Decode(stream.data(), stream.size(), 4096, chunks);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(out.hasValue());
  EXPECT_EQ(out->size(), chunks);
  // Resetting the whole table per chunk would take minutes here.
  EXPECT_LT(seconds, 20.0);
}

}  // namespace
}  // namespace tolzeb

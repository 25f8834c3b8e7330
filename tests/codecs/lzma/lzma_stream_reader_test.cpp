// The streaming LZMA and LZMA2 readers give the whole-buffer decoders' bytes and failures, however
// the input arrives and however small the pieces asked for.
#include "codecs/lzma/lzma_stream_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codecs/lzma/lzma.h"
#include "tests/codecs/lzma/lzma_stream_builder.h"
#include "tests/codecs/lzma/lzma_test_data.h"

namespace tolzeb {
namespace {

using testdata::LzmaStreamBuilder;
using testdata::noiseBytes;
using testdata::textBytes;

constexpr uint64_t kNoLimit = uint64_t(1) << 40;

// Hands the stream over at most `piece` bytes at a time.
InflateInput inPieces(const Bytes& stream, size_t piece) {
  return InflateInput([&stream, piece, offset = size_t(0)](uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
    const size_t n = std::min({capacity, piece, stream.size() - offset});
    std::memcpy(buffer, stream.data() + offset, n);
    offset += n;
    return n;
  });
}

Result<Bytes> readAll(LzmaStreamReader& reader, size_t piece) {
  Bytes out, buffer(piece);
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader.read(buffer.data(), piece));
    if (got == 0) return out;
    out.insert(out.end(), buffer.begin(), buffer.begin() + ptrdiff_t(got));
  }
}

Result<Bytes> streamLzma(const Bytes& stream, const LzmaProperties& properties, uint64_t declared, size_t inputPiece,
                         size_t outputPiece) {
  InflateInput input = inPieces(stream, inputPiece);
  TOLZEB_ASSIGN_OR_RETURN(LzmaStreamReader reader, LzmaStreamReader::lzma(input, properties, declared, kNoLimit));
  return readAll(reader, outputPiece);
}

Result<Bytes> streamLzma2(const Bytes& stream, uint32_t dictionarySize, uint64_t cap, size_t inputPiece,
                          size_t outputPiece) {
  InflateInput input = inPieces(stream, inputPiece);
  TOLZEB_ASSIGN_OR_RETURN(LzmaStreamReader reader, LzmaStreamReader::lzma2(input, dictionarySize, cap, kNoLimit));
  return readAll(reader, outputPiece);
}

struct Pieces {
  size_t input, output;
};
const Pieces kPieces[] = {{1, 1}, {7, 4093}, {70000, 300}, {1 << 20, 1 << 20}};

TEST(LzmaStreamReaderTest, Lzma2GivesTheEncodedBytesInAnyPieces) {
  // Text spans several 2 MiB chunks; random bytes become stored chunks.
  const Bytes inputs[] = {textBytes(5 << 20, 1), noiseBytes(200000, 2), Bytes{}};
  for (const Bytes& data : inputs) {
    uint32_t dictionarySize = 0;
    const Bytes packed = *lzma2Encode(data.data(), data.size(), 1, dictionarySize);
    for (const Pieces& p : kPieces) {
      if (p.output == 1 && data.size() > 300000) continue;  // a byte at a time only where it is quick
      SCOPED_TRACE(::testing::Message() << data.size() << " in " << p.input << ", out " << p.output);
      Result<Bytes> out = streamLzma2(packed, dictionarySize, data.size(), p.input, p.output);
      ASSERT_TRUE(out.hasValue()) << std::string(out.failure().message.begin(), out.failure().message.end());
      EXPECT_TRUE(*out == data);
    }
  }
}

// A dictionary far smaller than the output: matches reach back across the window's wrap.
TEST(LzmaStreamReaderTest, LzmaWrapsAWindowSmallerThanTheOutput) {
  LzmaStreamBuilder builder;
  builder.literals(noiseBytes(4096, 3));
  for (int i = 0; i < 60; ++i)
    builder.match(273, 4095).literal(uint8_t(i)).match(100 + i, uint32_t(i * 61)).repeat(1, 5);
  const LzmaStreamBuilder::Built built = builder.build();
  const LzmaProperties properties{3, 0, 2, 4096};
  const Bytes whole =
      *lzmaDecode(built.stream.data(), built.stream.size(), properties, built.output.size(), built.output.size());
  ASSERT_TRUE(whole == built.output);
  for (const Pieces& p : kPieces) {
    Result<Bytes> out = streamLzma(built.stream, properties, built.output.size(), p.input, p.output);
    ASSERT_TRUE(out.hasValue());
    EXPECT_TRUE(*out == built.output) << p.input << " " << p.output;
  }
}

// Each malformed stream fails as the whole-buffer decoder fails it.
TEST(LzmaStreamReaderTest, MalformedLzmaFailsAsTheWholeDecoderDoes) {
  auto truncated = LzmaStreamBuilder().literals(noiseBytes(2000, 32)).finish();
  truncated.resize(truncated.size() / 2);
  LzmaStreamBuilder farBack;
  farBack.literals(noiseBytes(4097, 31)).match(2, 4096);
  struct Case {
    const char* name;
    Bytes stream;
    uint32_t dictionarySize;
    uint64_t declaredSize;
  };
  const Case cases[] = {
      {"four bytes", {0, 0, 0, 0}, 0, 1},
      {"nonzero first byte", {1, 0, 0, 0, 0, 0}, 0, 1},
      {"repeat first", LzmaStreamBuilder().repeat(0, 2).finish(), 0, 2},
      {"short repeat first", LzmaStreamBuilder().shortRepeat().finish(), 0, 1},
      {"match as far back as the output", LzmaStreamBuilder().literal('a').match(2, 1).finish(), 0, 3},
      {"match beyond the dictionary", farBack.finish(), 4096, 4099},
      {"end marker before declared end", LzmaStreamBuilder().literals({'a', 'b'}).endMarker().finish(), 0, 5},
      {"match past declared length", LzmaStreamBuilder().literal('a').match(5, 0).finish(), 0, 4},
      {"truncated", truncated, 0, 2000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LzmaProperties properties{3, 0, 2, c.dictionarySize};
    Result<Bytes> whole = lzmaDecode(c.stream.data(), c.stream.size(), properties, c.declaredSize, kNoLimit);
    ASSERT_TRUE(whole.failed());
    for (const Pieces& p : kPieces) {
      Result<Bytes> streamed = streamLzma(c.stream, properties, c.declaredSize, p.input, p.output);
      ASSERT_TRUE(streamed.failed());
      EXPECT_EQ(streamed.failure().code, whole.failure().code);
      EXPECT_EQ(streamed.failure().message, whole.failure().message);
    }
  }
}

TEST(LzmaStreamReaderTest, MalformedLzma2FailsAsTheWholeDecoderDoes) {
  const Bytes data = textBytes(100000, 4);
  uint32_t dictionarySize = 0;
  const Bytes packed = *lzma2Encode(data.data(), data.size(), 6, dictionarySize);
  Bytes cut(packed.begin(), packed.begin() + ptrdiff_t(packed.size() / 2));
  Bytes reserved = packed;
  reserved[0] = 0x03;
  struct Case {
    const char* name;
    Bytes stream;
    uint64_t cap;
  };
  const Case cases[] = {
      {"cut in the middle", cut, data.size()},
      {"reserved control byte", reserved, data.size()},
      {"more than the cap", packed, data.size() - 1},
      {"stored chunk past the end", {0x01, 0x00, 0x09, 'a', 'b'}, 100},
      {"chunk without properties", {0x80, 0x00, 0x00, 0x00, 0x05, 0, 0, 0, 0, 0, 0}, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Bytes> whole = lzma2Decode(c.stream.data(), c.stream.size(), dictionarySize, c.cap);
    ASSERT_TRUE(whole.failed());
    for (const Pieces& p : kPieces) {
      Result<Bytes> streamed = streamLzma2(c.stream, dictionarySize, c.cap, p.input, p.output);
      ASSERT_TRUE(streamed.failed());
      EXPECT_EQ(streamed.failure().code, whole.failure().code);
      EXPECT_EQ(streamed.failure().message, whole.failure().message);
    }
  }
}

// The window is the smaller of the dictionary and the output, and the limit refuses it up front.
TEST(LzmaStreamReaderTest, AWindowAboveTheLimitIsRefusedWithCode8) {
  const Bytes stream = LzmaStreamBuilder().literals({'a', 'b', 'c'}).finish();
  struct Case {
    uint32_t dictionarySize;
    uint64_t outputSize;
    bool refused;
  };
  const Case cases[] = {{64u << 20, 3, false},
                        {64u << 20, 48u << 20, true},
                        {1u << 20, uint64_t(1) << 36, false},
                        {0xFFFFFFFF, uint64_t(1) << 36, true}};
  for (const Case& c : cases) {
    InflateInput input = InflateInput::over(stream.data(), stream.size());
    Result<LzmaStreamReader> lzma2 = LzmaStreamReader::lzma2(input, c.dictionarySize, c.outputSize, 32u << 20);
    Result<LzmaStreamReader> lzma = LzmaStreamReader::lzma(input, {3, 0, 2, c.dictionarySize}, c.outputSize, 32u << 20);
    for (Result<LzmaStreamReader>* reader : {&lzma2, &lzma}) {
      EXPECT_EQ(reader->failed(), c.refused) << c.dictionarySize << " " << c.outputSize;
      if (c.refused) {
        EXPECT_EQ(reader->failure().code, StatusCode::resource_limit);
        EXPECT_NE(reader->failure().message.find(L"more than the memory limit of 32 MiB"), std::wstring::npos);
      }
    }
  }
}

}  // namespace
}  // namespace tolzeb

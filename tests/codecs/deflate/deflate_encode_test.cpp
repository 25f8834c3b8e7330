#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"
#include "codecs/velt/test_data.h"

namespace tolzeb {
namespace {

Bytes fromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes deflateOk(const Bytes& data, int level) {
  Result<Bytes> out = deflate(data.data(), data.size(), level);
  EXPECT_TRUE(out.hasValue());
  return out.hasValue() ? *out : Bytes{};
}

// Golden streams of the encoder's exact parse; each was checked to inflate with an independent
// RFC 1951 decoder (Python's zlib, raw mode).
TEST(DeflateEncodeTest, GoldenStreams) {
  struct Golden {
    std::string input;
    std::vector<int> levels;
    Bytes expected;
  };
  const std::vector<Golden> goldens = {
      {"", {-5, 0, 1, 6, 9, 10}, {0x03, 0x00}},
      {"a", {0, 1, 6, 9}, {0x01, 0x01, 0x00, 0xFE, 0xFF, 0x61}},
      {"abcabcabcabc",
       {0},
       {0x05, 0xC0, 0x01, 0x01, 0x00, 0x00, 0x00, 0x40, 0xA0, 0xAD, 0xF8, 0xFF, 0x41, 0x18, 0x86, 0x61, 0x03}},
      {"abcabcabcabc",
       {1, 6, 9},
       {0x3D, 0xC2, 0x31, 0x0D, 0x00, 0x00, 0x00, 0x83, 0x30, 0xAD, 0x1B, 0xFE, 0x3D, 0xF0, 0x91, 0x74, 0x27, 0x02}},
  };
  for (const Golden& g : goldens)
    for (int level : g.levels)
      EXPECT_EQ(deflateOk(fromText(g.input), level), g.expected) << g.input << " level " << level;
}

TEST(DeflateEncodeTest, NullInput) {
  Result<Bytes> out = deflate(nullptr, 1, 6);
  ASSERT_TRUE(out.failed());
  EXPECT_EQ(out.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(out.failure().message, L"deflate: null input");
  EXPECT_EQ(deflateOk(Bytes{}, 6), (Bytes{0x03, 0x00}));
  EXPECT_EQ(*deflate(nullptr, 0, 6), (Bytes{0x03, 0x00}));
}

struct DeflateInput {
  const char* name;
  std::function<Bytes()> make;
};

std::vector<DeflateInput> deflateInputs() {
  return {
      {"one byte", [] { return Bytes{0x42}; }},
      {"two bytes",
       [] {
         return Bytes{0x42, 0x42};
       }},
      {"four equal bytes", [] { return Bytes(4, 'z'); }},
      {"run of one byte", [] { return Bytes(100000, 0); }},
      {"run with a short tail", [] { return Bytes(258 * 3 + 2, 7); }},
      {"text", [] { return testdata::text(200000, 1); }},
      {"records", [] { return testdata::records(200000, 2); }},
      {"random", [] { return testdata::randomBytes(300000, 3); }},
      {"random then repeated far back",
       [] {
         Bytes b = testdata::randomBytes(40000, 4);
         const Bytes head(b.begin(), b.begin() + 20000);
         b.insert(b.end(), head.begin(), head.end());  // 40000 back: beyond the window
         return b;
       }},
      {"exactly one block of literals", [] { return testdata::randomBytes(16384, 5); }},
      {"several MiB of mixed data",
       [] {
         Bytes b = testdata::text(3 << 20, 6);
         Bytes r = testdata::randomBytes(1 << 20, 7);
         b.insert(b.begin() + (1 << 20), r.begin(), r.end());
         return b;
       }},
  };
}

TEST(DeflateEncodeTest, RoundTripsAtEveryLevel) {
  for (const DeflateInput& shape : deflateInputs()) {
    const Bytes data = shape.make();
    for (int level : {-1, 0, 1, 6, 9}) {
      const Bytes stream = deflateOk(data, level);
      Result<Bytes> back = inflateExact(stream.data(), stream.size(), data.size(), data.size());
      ASSERT_TRUE(back.hasValue()) << shape.name << " level " << level;
      EXPECT_TRUE(*back == data) << shape.name << " level " << level;
      EXPECT_EQ(deflateOk(data, level), stream) << shape.name << ": the same input twice gives the same stream";
    }
  }
}

// Incompressible data falls back to stored blocks: at most one per 16384 symbols, five bytes of
// header each, so the stream is only slightly larger than the input.
TEST(DeflateEncodeTest, IncompressibleDataIsStored) {
  for (size_t size : {1000, 16384, 16385, 100000}) {
    const Bytes data = testdata::randomBytes(size, size);
    const Bytes stream = deflateOk(data, 6);
    const size_t blocks = (size + 16383) / 16384;
    EXPECT_GT(stream.size(), size);
    EXPECT_LE(stream.size(), size + 5 * blocks) << size;
  }
  // Literals only (level 0) of a block longer than 65535 bytes need two stored pieces.
  const Bytes data = testdata::randomBytes(70000, 9);
  EXPECT_EQ(deflateOk(data, 0).size(), data.size() + 5 * 5);
}

Bytes deflateInPieces(const Bytes& data, int level, size_t piece) {
  Bytes out;
  DeflateStreamWriter writer(level, [&](const uint8_t* bytes, size_t size) {
    out.insert(out.end(), bytes, bytes + size);
    return Status{};
  });
  for (size_t at = 0; at < data.size(); at += piece)
    EXPECT_TRUE(writer.write(data.data() + at, std::min(piece, data.size() - at)).ok());
  EXPECT_TRUE(writer.finish().ok());
  return out;
}

// A streamed encoding must be byte for byte the whole-buffer one: pieces that end inside a match,
// exactly at the lookahead, at a block's end, and windows moved while a long block is open.
TEST(DeflateEncodeTest, StreamedPiecesGiveTheSameBytes) {
  std::vector<DeflateInput> inputs = deflateInputs();
  inputs.push_back({"zeros, then text: blocks of 4 MiB and moved windows", [] {
                      Bytes b(10 << 20, 0);
                      const Bytes t = testdata::text(2 << 20, 11);
                      b.insert(b.end(), t.begin(), t.end());
                      return b;
                    }});
  inputs.push_back({"nothing", [] { return Bytes{}; }});
  for (const DeflateInput& shape : inputs) {
    const Bytes data = shape.make();
    for (int level : {0, 1, 6, 9}) {
      const Bytes whole = deflateOk(data, level);
      for (size_t piece : {size_t(1), size_t(259), size_t(262), size_t(65543), size_t(1 << 20) + 3}) {
        if (piece == 1 && data.size() > 300000) continue;  // one byte at a time: small inputs suffice
        EXPECT_TRUE(deflateInPieces(data, level, piece) == whole) << shape.name << " level " << level << " pieces of "
                                                                  << piece;
      }
    }
  }
}

TEST(DeflateEncodeTest, LevelsTradeSizeForSearch) {
  const Bytes data = testdata::text(500000, 8);
  const size_t literalsOnly = deflateOk(data, 0).size(), fast = deflateOk(data, 1).size(),
               balanced = deflateOk(data, 6).size(), compact = deflateOk(data, 9).size();
  EXPECT_LT(fast, literalsOnly);
  EXPECT_LE(balanced, fast);
  EXPECT_LE(compact, balanced);
  EXPECT_LT(deflateOk(Bytes(1 << 20, 0), 1).size(), 3000u);  // 1 MiB run: one literal and long matches
}

}  // namespace
}  // namespace tolzeb

// Numbers, bit vectors, the filters with small known vectors, and the single-coder dispatch.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/sevenzip/coder.h"
#include "formats/sevenzip/filters.h"
#include "formats/sevenzip/header_reader.h"
#include "formats/sevenzip/sevenzip_format.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;

TEST(SevenZipNumberTest, ShortestFormsAndLongerFormsReadBack) {
  const struct {
    uint64_t value;
    Bytes shortest;
  } cases[] = {
      {0, {0x00}},
      {0x7F, {0x7F}},
      {0x80, {0x80, 0x80}},
      {0x3FFF, {0xBF, 0xFF}},
      {0x4000, {0xC0, 0x00, 0x40}},
      {0x1FFFFF, {0xDF, 0xFF, 0xFF}},
      {0x200000, {0xE0, 0x00, 0x00, 0x20}},
      {0xFFFFFFFFFFFFFF, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {0x100000000000000, {0xFF, 0, 0, 0, 0, 0, 0, 0, 1}},
      {UINT64_MAX, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    Bytes written;
    appendSevenZipNumber(written, c.value);
    EXPECT_EQ(written, c.shortest) << c.value;
    ByteReader reader(written);
    Result<uint64_t> read = sevenzip::readNumber(reader);
    ASSERT_TRUE(read.hasValue());
    EXPECT_EQ(*read, c.value);
    EXPECT_TRUE(reader.atEnd());
  }
  // 0x7F written in two and in nine bytes.
  for (const Bytes& longer : {Bytes{0x80, 0x7F}, Bytes{0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0}}) {
    ByteReader reader(longer);
    EXPECT_EQ(*sevenzip::readNumber(reader), 0x7Fu);
  }
  const Bytes truncated = {0xC0, 0x00};
  ByteReader cut(truncated);
  Result<uint64_t> early = sevenzip::readNumber(cut);
  ASSERT_TRUE(early.failed());
  EXPECT_EQ(early.failure().message, L"7z: header ends early");
}

TEST(SevenZipBitsTest, VectorsPadAndDefinedShortcut) {
  const std::vector<bool> ten = {true, false, true, true, false, false, false, false, true, true};
  Bytes written;
  appendBitVector(written, ten);
  EXPECT_EQ(written, (Bytes{0xB0, 0xC0}));
  const Bytes withNoise = {0xB0, 0xFF};  // bits 10 to 15 carry nothing
  ByteReader reader(withNoise);
  EXPECT_EQ(*sevenzip::readBitVector(reader, 10), ten);

  const Bytes allDefined = {0x01, 0xAA};
  ByteReader defined(allDefined);
  EXPECT_EQ(*sevenzip::readDefinedBits(defined, 20), std::vector<bool>(20, true));
  EXPECT_EQ(defined.pos, 1u);

  const Bytes listed = {0x00, 0x40};
  ByteReader some(listed);
  EXPECT_EQ(*sevenzip::readDefinedBits(some, 3), (std::vector<bool>{false, true, false}));

  const Bytes oneByte = {0xFF};
  ByteReader shortVector(oneByte);
  EXPECT_TRUE(sevenzip::readBitVector(shortVector, 9).failed());
}

TEST(SevenZipFilterTest, X86KnownVectors) {
  const struct {
    const char* what;
    Bytes input;
    Bytes output;
  } cases[] = {
      {"call at 0", {0xE8, 0, 0, 0, 0}, {0xE8, 0xFB, 0xFF, 0xFF, 0xFF}},
      {"four bytes stay", {0xE8, 0, 0, 0}, {0xE8, 0, 0, 0}},
      {"absolute to relative",
       {0x90, 0x90, 0xE9, 0x27, 0x00, 0x00, 0x00, 0x90},
       {0x90, 0x90, 0xE9, 0x20, 0x00, 0x00, 0x00, 0x90}},
      {"operand not a near address", {0xE8, 0x12, 0x34, 0x56, 0x78, 0x00}, {0xE8, 0x12, 0x34, 0x56, 0x78, 0x00}},
      {"negative target", {0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, {0xE8, 0xFA, 0xFF, 0xFF, 0xFF, 0x00}},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeX86Bcj(c.input), c.output) << c.what;
}

TEST(SevenZipFilterTest, DeltaKnownVectorsAndErrors) {
  EXPECT_EQ(*decodeDelta({1, 1, 1}, {0}, 3), (Bytes{1, 2, 3}));
  EXPECT_EQ(*decodeDelta({10, 20, 1, 2, 3}, {1}, 5), (Bytes{10, 20, 11, 22, 14}));
  EXPECT_EQ(*decodeDelta({5, 6, 7, 8, 1, 1, 1, 1}, {3}, 8), (Bytes{5, 6, 7, 8, 6, 7, 8, 9}));
  EXPECT_EQ(decodeDelta({1}, {}, 1).failure().message, L"7z: Delta coder has no distance");
  EXPECT_EQ(decodeDelta({1}, {0}, 2).failure().message, L"7z: Delta coder sizes do not agree");
}

// The BCJ2 reader over whole buffers, read to its end in pieces of three bytes, so that converted
// targets are handed out across pieces.
Result<Bytes> decodeBcj2(const std::vector<const Bytes*>& inputs, uint64_t outputSize) {
  std::vector<PieceReader> readers;
  for (const Bytes* input : inputs) {
    readers.push_back([input, offset = size_t(0)](uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
      const size_t n = std::min(capacity, input->size() - offset);
      std::copy_n(input->data() + offset, n, buffer);
      offset += n;
      return n;
    });
  }
  PieceReader reader = bcj2Reader(std::move(readers), outputSize);
  Bytes output;
  uint8_t piece[3];
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader(piece, sizeof piece));
    if (got == 0) return output;
    output.insert(output.end(), piece, piece + got);
  }
}

TEST(SevenZipFilterTest, Bcj2KnownVectorsAndErrors) {
  const Bytes noJumps = {1, 2, 3, 4, 5, 6};
  const Bytes none;
  const Bytes selectorZero = {0, 0, 0, 0, 0};
  // No jump opcodes: the main stream's first bytes.
  EXPECT_EQ(*decodeBcj2({&noJumps, &none, &none, &selectorZero}, 4), (Bytes{1, 2, 3, 4}));
  // A selector whose code starts above the first bound decodes bit 1: the call stream supplies
  // the absolute target 0x1000, stored relative to the end of the operand.
  const Bytes call = {0x00, 0x00, 0x10, 0x00};
  const Bytes selectorOne = {0, 0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes e8 = {0xE8, 0x90};
  EXPECT_EQ(*decodeBcj2({&e8, &call, &none, &selectorOne}, 6), (Bytes{0xE8, 0xFB, 0x0F, 0x00, 0x00, 0x90}));
  // Bit 0 leaves the opcode alone.
  const Bytes e8Plain = {0xE8, 1, 2, 3, 4};
  EXPECT_EQ(*decodeBcj2({&e8Plain, &none, &none, &selectorZero}, 5), e8Plain);

  const struct {
    std::vector<const Bytes*> inputs;
    uint64_t size;
    StatusCode code;
    const wchar_t* message;
  } failures[] = {
      {{&noJumps, &none, &none}, 1, StatusCode::corrupt_archive, L"7z: BCJ2 needs exactly four inputs"},
      {{&noJumps, &none, &none, &call}, 1, StatusCode::corrupt_archive, L"7z: BCJ2 control stream is too short"},
      {{&noJumps, &none, &none, &selectorZero}, 7, StatusCode::corrupt_archive, L"7z: BCJ2 main stream ran out"},
      {{&e8, &none, &none, &selectorOne}, 6, StatusCode::corrupt_archive, L"7z: BCJ2 target stream ran out"},
  };
  for (const auto& f : failures) {
    Result<Bytes> result = decodeBcj2(f.inputs, f.size);
    ASSERT_TRUE(result.failed()) << printable(f.message);
    EXPECT_EQ(result.failure().code, f.code);
    EXPECT_EQ(result.failure().message, f.message);
  }
}

TEST(SevenZipCoderTest, DispatchByMethod) {
  const auto coder = [](uint64_t id, Bytes properties = {}) {
    SevenZipCoder c;
    c.methodId = id;
    c.properties = std::move(properties);
    return c;
  };
  const Bytes three = {1, 2, 3};
  EXPECT_EQ(*decodeSevenZipCoder(coder(0x00), three, 3, 100), three);
  EXPECT_EQ(*decodeSevenZipCoder(coder(0x03, {0}), {1, 1, 1}, 3, 100), (Bytes{1, 2, 3}));
  EXPECT_EQ(*decodeSevenZipCoder(coder(0x03030103), {0xE8, 0, 0, 0, 0}, 5, 100), (Bytes{0xE8, 0xFB, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(lzma2DictionarySize(0), 4096u);
  EXPECT_EQ(lzma2DictionarySize(1), 6144u);
  EXPECT_EQ(lzma2DictionarySize(18), 2u << 20);
  EXPECT_EQ(lzma2DictionarySize(39), 3u << 30);
  EXPECT_EQ(lzma2DictionarySize(40), 0xFFFFFFFFu);
  // An LZMA2 stream of one stored chunk "abc" and the end byte.
  const Bytes lzma2 = {0x01, 0x00, 0x02, 'a', 'b', 'c', 0x00};
  EXPECT_EQ(*decodeSevenZipCoder(coder(0x21, {40}), lzma2, 3, 100), (Bytes{'a', 'b', 'c'}));

  const struct {
    SevenZipCoder coder;
    Bytes input;
    uint64_t size;
    StatusCode code;
    const wchar_t* message;
  } failures[] = {
      {coder(0x00), three, 101, StatusCode::resource_limit,
       L"7z: a folder declares more output than this build decodes"},
      {coder(0x00), three, 2, StatusCode::corrupt_archive, L"7z: Copy coder sizes do not agree"},
      {coder(0x04), three, 4, StatusCode::corrupt_archive, L"7z: x86 filter sizes do not agree"},
      {coder(0x21), lzma2, 3, StatusCode::corrupt_archive, L"7z: LZMA2 coder has no dictionary size"},
      {coder(0x21, {41}), lzma2, 3, StatusCode::corrupt_archive, L"7z: LZMA2 dictionary size is out of range"},
      // Output beyond the declared size is a wrong length however far it runs, not a limit.
      {coder(0x21, {0}), lzma2, 2, StatusCode::corrupt_archive, L"7z: LZMA2 stream decoded to the wrong length"},
      {coder(0x21, {0}), lzma2, 1, StatusCode::corrupt_archive, L"7z: LZMA2 stream decoded to the wrong length"},
      {coder(0x21, {0}), lzma2, 0, StatusCode::corrupt_archive, L"7z: LZMA2 stream decoded to the wrong length"},
      {coder(0x21, {0}),
       {0x01, 0x00, 0x02, 'a', 'b', 'c', 0x02, 0x00, 0x02, 'd', 'e', 'f', 0x00},
       4,
       StatusCode::corrupt_archive,
       L"7z: LZMA2 stream decoded to the wrong length"},
      {coder(0x040108),
       {0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b', 'c', 'd', 'e'},
       2,
       StatusCode::corrupt_archive,
       L"7z: DEFLATE stream decoded to the wrong length"},
      {coder(0x030101, {0x5D, 0, 0}), three, 3, StatusCode::corrupt_archive, L"7z: LZMA coder has no properties block"},
      // A declared size of 0 still bounds the stream: one stored byte is too many.
      {coder(0x040108),
       {0x01, 0x01, 0x00, 0xFE, 0xFF, 'a'},
       0,
       StatusCode::corrupt_archive,
       L"7z: DEFLATE stream decoded to the wrong length"},
      {coder(0x040202), three, 3, StatusCode::unsupported_version,
       L"7z: this archive uses BZip2, which this build does not read"},
      {coder(0x0303011B), three, 3, StatusCode::general, L"7z: BCJ2 takes four inputs, not one"},
      {coder(0x06F10701), three, 3, StatusCode::unsupported_version,
       L"7z: this archive is encrypted, which this build does not read"},
      {coder(0x030401), three, 3, StatusCode::unsupported_version,
       L"7z: this archive uses a compression method this build does not read"},
  };
  for (const auto& f : failures) {
    Result<Bytes> result = decodeSevenZipCoder(f.coder, f.input, f.size, 100);
    ASSERT_TRUE(result.failed()) << printable(f.message);
    EXPECT_EQ(result.failure().code, f.code) << printable(f.message);
    EXPECT_EQ(result.failure().message, f.message);
  }
}

}  // namespace
}  // namespace tolzeb

#include "codecs/deflate/inflate.h"

#include <gtest/gtest.h>

#include <string>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/deflate_bits.h"
#include "codecs/velt/test_data.h"
#include "support/byte_lists.h"

namespace tolzeb {
namespace {

using testing::bytesOf;

using namespace deflatetest;

struct Expect {
  bool ok = true;
  Bytes output;
  StatusCode code = StatusCode::corrupt_archive;
  std::wstring message;
};
Expect output(const std::string& text) {
  return {true, Bytes(text.begin(), text.end()), StatusCode::corrupt_archive, L""};
}
Expect corrupt(const wchar_t* message) { return {false, {}, StatusCode::corrupt_archive, message}; }
Expect overCap() {
  return {false, {}, StatusCode::resource_limit, L"Decompressed data exceeds the limit for this operation"};
}

Bytes withText(Bytes head, const std::string& text) {
  head.insert(head.end(), text.begin(), text.end());
  return head;
}

// Fixed-block literals of 9 bits (byte 0xFF) until the next `nextBits` bits end on a byte
// boundary, so that a stream can be cut exactly after a code. Returns the literals written.
std::string alignBefore(BitSink& sink, unsigned nextBits) {
  std::string written;
  while ((sink.bitCount() + nextBits) % 8 != 0) {
    fixedLiteralLength(sink, 0xFF);
    written += '\xFF';
  }
  return written;
}

// A small dynamic code: 'a' and 'b', end-of-block, and length symbols 257 (3) and 258 (4).
std::vector<uint8_t> smallLiteralLengths() {
  std::vector<uint8_t> lengths(259, 0);
  lengths['a'] = 2;
  lengths['b'] = 2;
  lengths[256] = 2;
  lengths[257] = 3;
  lengths[258] = 3;
  return lengths;
}
// Their codes (canonical): a=00 b=01 EOB=10 257=110 258=111.
void small(BitSink& sink, unsigned symbol) {
  const std::vector<uint8_t> lengths = smallLiteralLengths();
  sink.putCode(canonicalCodes(lengths)[symbol], lengths[symbol]);
}

struct Case {
  const char* name;
  Bytes stream;
  Expect strict;
  Expect prefix;  // the same as strict when the failure is not one prefix mode forgives
  uint64_t declaredSize = 0;
  uint64_t cap = 1 << 20;
};

std::vector<Case> cases() {
  std::vector<Case> all;
  auto add = [&](const char* name, Bytes stream, Expect strict, Expect prefix, uint64_t declared = 0,
                 uint64_t cap = 1 << 20) {
    all.push_back({name, std::move(stream), strict, prefix, declared, cap});
  };
  const Bytes hello = withText(bytesOf({0x01, 0x05, 0x00, 0xFA, 0xFF}), "hello");

  add("empty fixed block", bytesOf({0x03, 0x00}), output(""), output(""));
  add("stored block", hello, output("hello"), output("hello"));
  add("bytes after the final block are ignored", withText(hello, "junk"), output("hello"), output("hello"));
  add("declared size met", hello, output("hello"), output("hello"), 5);
  add("cap equal to the output", hello, output("hello"), output("hello"), 0, 5);
  {
    BitSink s;  // a non-final stored block, then a fixed block that copies from it
    blockHeader(s, false, 0);
    Bytes stream = withText(s.bytes(), "");
    for (int b : {0x02, 0x00, 0xFD, 0xFF, int('a'), int('b')}) stream.push_back(uint8_t(b));
    BitSink f;
    blockHeader(f, true, 1);
    fixedLiteralLength(f, 257);  // length 3
    fixedDistance(f, 1);         // distance 2: equal to the output so far
    fixedLiteralLength(f, 256);
    const Bytes tail = f.bytes();
    stream.insert(stream.end(), tail.begin(), tail.end());
    add("match reaching back exactly to the start", stream, output("ababa"), output("ababa"));
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'a');
    fixedLiteralLength(s, 285);  // length 258
    fixedDistance(s, 0);
    fixedLiteralLength(s, 256);
    add("overlapping match repeats one byte", s.bytes(), output(std::string(259, 'a')), output(std::string(259, 'a')));
    add("match passing the cap", s.bytes(), overCap(), output(std::string(100, 'a')), 0, 100);
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    for (char c : std::string("abc")) fixedLiteralLength(s, uint8_t(c));
    fixedLiteralLength(s, 256);
    add("literal passing the cap", s.bytes(), overCap(), output("ab"), 0, 2);
  }

  add("empty input", {}, corrupt(L"DEFLATE: truncated block header"), output(""));
  add("reserved block type", bytesOf({0x07}), corrupt(L"DEFLATE: reserved block type"),
      corrupt(L"DEFLATE: reserved block type"));
  add("stored header cut", bytesOf({0x01, 0x05, 0x00}), corrupt(L"DEFLATE: truncated stored header"), output(""));
  add("stored length complement wrong", bytesOf({0x01, 0x05, 0x00, 0x00, 0x00}),
      corrupt(L"DEFLATE: stored block length does not match its complement"),
      corrupt(L"DEFLATE: stored block length does not match its complement"));
  add("stored data cut", withText(bytesOf({0x01, 0x05, 0x00, 0xFA, 0xFF}), "ab"),
      corrupt(L"DEFLATE: stored block is truncated"), output("ab"));
  add("stored block passing the cap", hello, overCap(), output("hell"), 0, 4);
  add("declared size one larger", hello, corrupt(L"Decompressed to 5 bytes, but the entry declares 6"), output("hello"),
      6);
  add("declared size one smaller", hello, corrupt(L"Decompressed to 5 bytes, but the entry declares 4"),
      output("hello"), 4);
  add("literal/length code cut", bytesOf({0x03}), corrupt(L"DEFLATE: bad literal/length symbol"), output(""));
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'a');
    fixedLiteralLength(s, 286);
    add("length symbol 286", s.bytes(), corrupt(L"DEFLATE: length symbol is outside the alphabet"),
        corrupt(L"DEFLATE: length symbol is outside the alphabet"));
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'a');
    fixedLiteralLength(s, 257);
    fixedDistance(s, 30);
    add("distance symbol 30", s.bytes(), corrupt(L"DEFLATE: distance symbol is outside the alphabet"),
        corrupt(L"DEFLATE: distance symbol is outside the alphabet"));
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'a');
    fixedLiteralLength(s, 257);
    fixedDistance(s, 1);  // distance 2 after one byte
    fixedLiteralLength(s, 256);
    add("distance one past the output", s.bytes(), corrupt(L"DEFLATE: match points before the start of the output"),
        corrupt(L"DEFLATE: match points before the start of the output"));
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'x');
    const std::string filler = alignBefore(s, 7);
    fixedLiteralLength(s, 265);  // one extra bit, cut off
    add("length extra bits cut", s.bytes(), corrupt(L"DEFLATE: truncated length"), output("x" + filler));
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'a');
    fixedLiteralLength(s, 'b');
    fixedLiteralLength(s, 'a');
    fixedLiteralLength(s, 'b');
    fixedLiteralLength(s, 'a');
    const std::string filler = alignBefore(s, 7 + 5);
    fixedLiteralLength(s, 257);
    fixedDistance(s, 4);  // one extra bit, cut off
    add("distance extra bits cut", s.bytes(), corrupt(L"DEFLATE: truncated distance"), output("ababa" + filler));
  }
  {
    BitSink s;
    blockHeader(s, true, 1);
    fixedLiteralLength(s, 'a');
    const std::string filler = alignBefore(s, 7 + 2);
    fixedLiteralLength(s, 257);
    s.putCode(0, 2);  // three bits of the five-bit distance code are missing
    add("distance code cut", s.bytes(), corrupt(L"DEFLATE: bad distance symbol"), output("a" + filler));
  }

  // Dynamic blocks.
  {
    BitSink s;
    std::vector<uint8_t> distances = {0};
    dynamicHeader(s, true, {smallLiteralLengths(), distances});
    small(s, 'a');
    small(s, 'b');
    small(s, 256);
    add("distance table empty, literals only", s.bytes(), output("ab"), output("ab"));
    BitSink t;
    dynamicHeader(t, true, {smallLiteralLengths(), distances});
    small(t, 'a');
    small(t, 257);
    t.put(0, 8);
    add("match with an empty distance table", t.bytes(), corrupt(L"DEFLATE: bad distance symbol"),
        corrupt(L"DEFLATE: bad distance symbol"));
  }
  {
    BitSink s;
    std::vector<uint8_t> distances = {3};  // a lone distance code, longer than one bit
    dynamicHeader(s, true, {smallLiteralLengths(), distances});
    small(s, 'a');
    small(s, 258);
    s.putCode(0, 3);
    small(s, 256);
    add("lone distance code of length 3", s.bytes(), output("aaaaa"), output("aaaaa"));
  }
  {
    BitSink s;
    std::vector<uint8_t> distances = {1};
    dynamicHeader(s, true, {smallLiteralLengths(), distances});
    small(s, 'a');
    small(s, 257);
    s.putCode(1, 1);  // the lone code is 0; 1 is no code at all
    small(s, 256);
    add("invalid distance code", s.bytes(), corrupt(L"DEFLATE: bad distance symbol"),
        corrupt(L"DEFLATE: bad distance symbol"));
  }
  {
    BitSink s;
    blockHeader(s, true, 2);
    dynamicPreamble(s, 0, 0, fullCodeLengthCode());
    std::vector<std::pair<unsigned, unsigned>> symbols = {{18, 127}, {18, 106}};  // 138 + 117 zeros
    symbols.push_back({0, 0});
    symbols.push_back({1, 0});  // symbol 256: the lone literal/length code
    symbols.push_back({1, 0});  // distance 0
    codeLengthSymbols(s, fullCodeLengthCode(), symbols);
    s.putCode(0, 1);  // end of block
    add("lone end-of-block code", s.bytes(), output(""), output(""));
  }
  auto header = [](std::initializer_list<int> preambleFields) {
    BitSink s;
    blockHeader(s, true, 2);
    auto it = preambleFields.begin();
    s.put(it[0], 5).put(it[1], 5).put(it[2], 4);
    return s;
  };
  add("dynamic header cut", bytesOf({0x05}), corrupt(L"DEFLATE: truncated dynamic block header"), output(""));
  add("HLIT 30", header({30, 0, 15}).bytes(), corrupt(L"DEFLATE: dynamic block declares too many codes"), output(""));
  add("HDIST 30", header({0, 30, 15}).bytes(), corrupt(L"DEFLATE: dynamic block declares too many codes"), output(""));
  {
    BitSink s = header({0, 0, 15});
    s.put(0, 7);  // 24 bits in all: the 57 bits of code-length lengths are cut
    add("code-length table cut", s.bytes(), corrupt(L"DEFLATE: truncated code-length table"), output(""));
  }
  auto withCodeLengthCode = [&](const std::vector<uint8_t>& code) {
    BitSink s;
    blockHeader(s, true, 2);
    dynamicPreamble(s, 0, 0, code);
    return s;
  };
  add("empty code-length alphabet", withCodeLengthCode(std::vector<uint8_t>(19, 0)).bytes(),
      corrupt(L"DEFLATE: empty code-length alphabet"), output(""));
  {
    std::vector<uint8_t> code(19, 0);
    code[0] = code[1] = code[2] = 1;
    add("over-subscribed code-length code", withCodeLengthCode(code).bytes(),
        corrupt(L"DEFLATE: over-subscribed Huffman code"), output(""));
    code[2] = 0;
    code[1] = 2;
    add("incomplete code-length code", withCodeLengthCode(code).bytes(), corrupt(L"DEFLATE: incomplete Huffman code"),
        output(""));
  }
  {
    std::vector<uint8_t> code(19, 0);
    code[8] = 1;  // a lone code: 0
    BitSink s = withCodeLengthCode(code);
    s.putCode(1, 1);
    add("invalid code-length symbol", s.bytes(), corrupt(L"DEFLATE: bad code-length symbol"), output(""));
  }
  {
    BitSink s = withCodeLengthCode(fullCodeLengthCode());
    codeLengthSymbols(s, fullCodeLengthCode(), {{16, 0}});
    add("repeat first", s.bytes(), corrupt(L"DEFLATE: repeat opcode with nothing to repeat"), output(""));
  }
  {
    BitSink s = withCodeLengthCode(fullCodeLengthCode());
    while ((s.bitCount() + 5) % 8 != 0) codeLengthSymbols(s, fullCodeLengthCode(), {{13, 0}});
    s.putCode(canonicalCodes(fullCodeLengthCode())[18], 5);  // without its seven extra bits
    add("repeat extra bits cut", s.bytes(), corrupt(L"DEFLATE: truncated repeat"), output(""));
  }
  {
    BitSink s = withCodeLengthCode(fullCodeLengthCode());
    codeLengthSymbols(s, fullCodeLengthCode(), {{18, 127}, {18, 127}});
    add("repeat past the alphabet", s.bytes(), corrupt(L"DEFLATE: repeat runs past the alphabet"), output(""));
  }
  {
    BitSink s;
    std::vector<uint8_t> literals = smallLiteralLengths();
    literals[256] = 0;
    literals['c'] = 2;
    std::vector<uint8_t> distances = {1};
    dynamicHeader(s, true, {literals, distances});
    add("no end-of-block code", s.bytes(),
        corrupt(L"DEFLATE: block has no end-of-block code, so it could never terminate"), output(""));
  }
  {
    BitSink s;
    std::vector<uint8_t> literals = smallLiteralLengths();
    literals['c'] = 2;
    std::vector<uint8_t> distances = {1};
    dynamicHeader(s, true, {literals, distances});
    add("over-subscribed literal/length code", s.bytes(), corrupt(L"DEFLATE: over-subscribed Huffman code"),
        output(""));
  }
  {
    BitSink s;
    std::vector<uint8_t> distances = {1, 2};
    dynamicHeader(s, true, {smallLiteralLengths(), distances});
    add("incomplete distance code", s.bytes(), corrupt(L"DEFLATE: incomplete Huffman code"), output(""));
  }
  {
    // A dynamic block fails in prefix mode after a good one: the first block's output stays.
    BitSink s;
    blockHeader(s, false, 1);
    fixedLiteralLength(s, 'z');
    fixedLiteralLength(s, 256);
    blockHeader(s, true, 2);
    s.put(30, 5).put(0, 5).put(0, 4);
    add("bad dynamic header after a block", s.bytes(), corrupt(L"DEFLATE: dynamic block declares too many codes"),
        output("z"));
  }
  return all;
}

void check(const Result<Bytes>& result, const Expect& expect, const std::string& what) {
  if (expect.ok) {
    ASSERT_TRUE(result.hasValue()) << what << ": "
                                   << std::string(result.failure().message.begin(), result.failure().message.end());
    EXPECT_EQ(*result, expect.output) << what;
  } else {
    ASSERT_TRUE(result.failed()) << what;
    EXPECT_EQ(result.failure().code, expect.code) << what;
    EXPECT_EQ(result.failure().message, expect.message) << what;
  }
}

TEST(InflateTest, StreamsInBothModes) {
  for (const Case& c : cases()) {
    check(inflateExact(c.stream.data(), c.stream.size(), c.declaredSize, c.cap), c.strict,
          std::string(c.name) + " (strict)");
    check(inflatePrefix(c.stream.data(), c.stream.size(), c.cap), c.prefix, std::string(c.name) + " (prefix)");
  }
}

TEST(InflateTest, ArgumentChecks) {
  for (bool prefix : {false, true}) {
    Result<Bytes> nullInput = inflate(nullptr, 3, 0, 100, prefix);
    ASSERT_TRUE(nullInput.failed());
    EXPECT_EQ(nullInput.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(nullInput.failure().message, L"inflate: null input");
    const uint8_t empty[2] = {0x03, 0x00};
    Result<Bytes> zeroCap = inflate(empty, 2, 0, 0, prefix);
    ASSERT_TRUE(zeroCap.failed());
    EXPECT_EQ(zeroCap.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(zeroCap.failure().message, L"inflate: output cap must not be zero");
  }
  EXPECT_TRUE(inflateExact(nullptr, 0, 0, 1).failed());  // no block header
  EXPECT_TRUE(inflatePrefix(nullptr, 0, 1).hasValue());
}

// Cutting a real stream anywhere gives a prefix of the data in prefix mode and a failure in
// strict mode; any cap gives exactly the first cap bytes.
TEST(InflateTest, CutStreamsAndCapsGivePrefixes) {
  const Bytes data = testdata::text(3000, 5);
  for (int level : {0, 6}) {
    const Bytes stream = *deflate(data.data(), data.size(), level);
    for (size_t cut = 0; cut < stream.size(); ++cut) {
      Result<Bytes> prefix = inflatePrefix(stream.data(), cut, 1 << 20);
      ASSERT_TRUE(prefix.hasValue()) << cut;
      ASSERT_LE(prefix->size(), data.size());
      EXPECT_TRUE(std::equal(prefix->begin(), prefix->end(), data.begin())) << cut;
      EXPECT_TRUE(inflateExact(stream.data(), cut, 0, 1 << 20).failed()) << cut;
    }
    for (uint64_t cap : {1, 2, 257, 1000, 2999, 3000, 3001}) {
      Result<Bytes> prefix = inflatePrefix(stream.data(), stream.size(), cap);
      ASSERT_TRUE(prefix.hasValue());
      EXPECT_EQ(*prefix, Bytes(data.begin(), data.begin() + std::min<uint64_t>(cap, data.size()))) << cap;
      Result<Bytes> strict = inflateExact(stream.data(), stream.size(), 0, cap);
      EXPECT_EQ(strict.hasValue(), cap >= data.size()) << cap;
    }
  }
}

// A declared size far beyond what the input can produce must not be reserved up front: the
// call fails on the size, not on memory.
TEST(InflateTest, HugeDeclaredSizeOnTinyInput) {
  const uint8_t empty[2] = {0x03, 0x00};
  Result<Bytes> result = inflateExact(empty, 2, 0x7FFFFFFF, 0x80000000ull);
  ASSERT_TRUE(result.failed());
  EXPECT_EQ(result.failure().message, L"Decompressed to 0 bytes, but the entry declares 2147483647");
}

}  // namespace
}  // namespace tolzeb

#include "engine/core/text.h"

#include <gtest/gtest.h>

namespace tolzeb {
namespace {

using Bytes = std::vector<uint8_t>;

struct RoundTripCase {
  std::wstring text;
  Bytes utf8;
};

// Valid text converts both ways, byte for byte.
TEST(TextConversionTest, ValidTextRoundTrips) {
  const RoundTripCase cases[] = {
      {L"", {}},
      {L"a", {0x61}},
      {std::wstring(1, wchar_t(0x7F)), {0x7F}},
      {std::wstring(1, wchar_t(0x80)), {0xC2, 0x80}},
      {std::wstring(1, wchar_t(0x7FF)), {0xDF, 0xBF}},
      {std::wstring(1, wchar_t(0x800)), {0xE0, 0xA0, 0x80}},
      {std::wstring(1, wchar_t(0x20AC)), {0xE2, 0x82, 0xAC}},
      {std::wstring(1, wchar_t(0xD7FF)), {0xED, 0x9F, 0xBF}},  // just below the surrogates
      {std::wstring(1, wchar_t(0xE000)), {0xEE, 0x80, 0x80}},  // just above them
      {std::wstring(1, wchar_t(0xFEFF)), {0xEF, 0xBB, 0xBF}},  // a byte-order mark is kept
      {std::wstring(1, wchar_t(0xFFFF)), {0xEF, 0xBF, 0xBF}},
      {std::wstring{wchar_t(0xD800), wchar_t(0xDC00)}, {0xF0, 0x90, 0x80, 0x80}},  // U+10000
      {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, {0xF0, 0x9F, 0x98, 0x80}},  // U+1F600
      {std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}, {0xF4, 0x8F, 0xBF, 0xBF}},  // U+10FFFF
      {L"dir/\x00E4\x65\x0301.txt", {'d', 'i', 'r', '/', 0xC3, 0xA4, 'e', 0xCC, 0x81, '.', 't', 'x', 't'}},
  };
  for (const RoundTripCase& c : cases) {
    Result<Bytes> encoded = utf16ToUtf8(c.text);
    ASSERT_TRUE(encoded.hasValue()) << encoded.failure().message;
    EXPECT_EQ(*encoded, c.utf8);
    Result<std::wstring> decoded = utf8ToUtf16(c.utf8.data(), c.utf8.size());
    ASSERT_TRUE(decoded.hasValue()) << decoded.failure().message;
    EXPECT_EQ(*decoded, c.text);
  }
}

// The wide side may carry U+0000; the byte side may not.
TEST(TextConversionTest, NulIsAllowedOnlyInWideText) {
  Result<Bytes> encoded = utf16ToUtf8(std::wstring(L"a\0b", 3));
  ASSERT_TRUE(encoded.hasValue());
  EXPECT_EQ(*encoded, (Bytes{'a', 0x00, 'b'}));

  Result<std::wstring> decoded = utf8ToUtf16(encoded->data(), encoded->size());
  ASSERT_TRUE(decoded.failed());
  EXPECT_EQ(decoded.failure().code, StatusCode::corrupt_archive);
  EXPECT_EQ(decoded.failure().message, L"Embedded NUL in UTF-8 text");
}

TEST(TextConversionTest, EmptyByteRangeIsNotRead) {
  Result<std::wstring> decoded = utf8ToUtf16(nullptr, 0);
  ASSERT_TRUE(decoded.hasValue());
  EXPECT_TRUE(decoded->empty());
}

struct BadUtf16Case {
  std::wstring text;
  const wchar_t* message;
};

TEST(TextConversionTest, RefusesMalformedUtf16) {
  const BadUtf16Case cases[] = {
      {std::wstring{wchar_t(0xD800)}, L"Unpaired high surrogate at end of string"},
      {std::wstring{L'a', wchar_t(0xDBFF)}, L"Unpaired high surrogate at end of string"},
      {std::wstring{wchar_t(0xD800), L'A'}, L"High surrogate without a low pair"},
      {std::wstring{wchar_t(0xD800), wchar_t(0xD800), wchar_t(0xDC00)}, L"High surrogate without a low pair"},
      {std::wstring{wchar_t(0xDC00)}, L"Unpaired low surrogate"},
      {std::wstring{L'x', wchar_t(0xDFFF), L'y'}, L"Unpaired low surrogate"},
      // a valid pair followed by a stray low surrogate
      {std::wstring{wchar_t(0xD800), wchar_t(0xDC00), wchar_t(0xDC00)}, L"Unpaired low surrogate"},
  };
  for (const BadUtf16Case& c : cases) {
    Result<Bytes> encoded = utf16ToUtf8(c.text);
    ASSERT_TRUE(encoded.failed()) << "unit count " << c.text.size();
    EXPECT_EQ(encoded.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(encoded.failure().message, c.message);
  }
}

struct BadUtf8Case {
  Bytes bytes;
  const wchar_t* message;
};

TEST(TextConversionTest, RefusesMalformedUtf8WithTheFirstFailingCheck) {
  const BadUtf8Case cases[] = {
      {{'a', 0x00}, L"Embedded NUL in UTF-8 text"},
      {{0x80}, L"Invalid UTF-8 lead byte"},
      {{0xBF}, L"Invalid UTF-8 lead byte"},
      {{0xF8, 0x88, 0x80, 0x80, 0x80}, L"Invalid UTF-8 lead byte"},  // five-byte form
      {{0xFF}, L"Invalid UTF-8 lead byte"},
      {{0xC3}, L"Truncated UTF-8 sequence"},
      {{0xE2, 0x82}, L"Truncated UTF-8 sequence"},
      {{0xF0, 0x9F, 0x98}, L"Truncated UTF-8 sequence"},
      {{0xE2, 0x28, 0xA1}, L"Invalid UTF-8 continuation byte"},
      {{0xC3, 0xC3}, L"Invalid UTF-8 continuation byte"},
      {{0xF0, 0x9F, 0x98, 0x41}, L"Invalid UTF-8 continuation byte"},
      {{0xC0, 0x80}, L"Overlong UTF-8 encoding"},  // NUL in disguise
      {{0xC1, 0xBF}, L"Overlong UTF-8 encoding"},
      {{0xC0, 0xAF}, L"Overlong UTF-8 encoding"},  // '/' in disguise
      {{0xE0, 0x80, 0x80}, L"Overlong UTF-8 encoding"},
      {{0xE0, 0x9F, 0xBF}, L"Overlong UTF-8 encoding"},
      {{0xF0, 0x8F, 0xBF, 0xBF}, L"Overlong UTF-8 encoding"},
      {{0xED, 0xA0, 0x80}, L"Surrogate code point in UTF-8"},                    // U+D800
      {{0xED, 0xBF, 0xBF}, L"Surrogate code point in UTF-8"},                    // U+DFFF
      {{0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}, L"Surrogate code point in UTF-8"},  // a pair, CESU-style
      {{0xF4, 0x90, 0x80, 0x80}, L"UTF-8 code point above U+10FFFF"},
      {{0xF5, 0x80, 0x80, 0x80}, L"UTF-8 code point above U+10FFFF"},
      {{0xF7, 0xBF, 0xBF, 0xBF}, L"UTF-8 code point above U+10FFFF"},
      // checks run in order: truncation is found before a bad continuation byte
      {{0xE2, 0x28}, L"Truncated UTF-8 sequence"},
      // the first malformed sequence decides, whatever follows
      {{'o', 'k', 0xC0, 0x80, 0xFF}, L"Overlong UTF-8 encoding"},
  };
  for (const BadUtf8Case& c : cases) {
    Result<std::wstring> decoded = utf8ToUtf16(c.bytes.data(), c.bytes.size());
    ASSERT_TRUE(decoded.failed()) << "first byte " << int(c.bytes[0]);
    EXPECT_EQ(decoded.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(decoded.failure().message, c.message) << "first byte " << int(c.bytes[0]);
  }
}

// A 32-bit wchar_t can hold values that are no UTF-16 unit at all (such as a code point stored
// whole); they are refused rather than written as four-byte UTF-8.
TEST(TextConversionTest, RefusesUnitsBeyondSixteenBits) {
  if constexpr (sizeof(wchar_t) > 2) {
    Result<Bytes> encoded = utf16ToUtf8(std::wstring{L'a', wchar_t(0x1F600)});
    ASSERT_TRUE(encoded.failed());
    EXPECT_EQ(encoded.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(encoded.failure().message, L"Invalid UTF-16 code unit");
  } else {
    GTEST_SKIP() << "wchar_t holds exactly one UTF-16 unit here";
  }
}

// Only the given length is read: a valid prefix of a longer buffer decodes on its own.
TEST(TextConversionTest, ReadsExactlyTheGivenLength) {
  const uint8_t bytes[] = {'a', 'b', 0xE2, 0x82, 0xAC, 0xFF};
  Result<std::wstring> decoded = utf8ToUtf16(bytes, 5);
  ASSERT_TRUE(decoded.hasValue());
  EXPECT_EQ(*decoded, L"ab\x20AC");
}

}  // namespace
}  // namespace tolzeb

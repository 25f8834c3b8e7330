#include "cli/display_text.h"

#include <gtest/gtest.h>

namespace tolzeb::cli {
namespace {

std::wstring units(std::initializer_list<unsigned> values) {
  std::wstring text;
  for (unsigned v : values) text.push_back(wchar_t(v));
  return text;
}

TEST(DisplayUtf8, EncodesAndReplacesUnpairedSurrogates) {
  struct Case {
    std::wstring text;
    std::string bytes;
  };
  const Case cases[] = {
      {L"", ""},
      {L"plain\n", "plain\n"},
      {L"\u00e9\u2026", "\xC3\xA9\xE2\x80\xA6"},
      {units({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80"},
      {units({'a', 0xD800}), "a\xEF\xBF\xBD"},
      {units({0xDC00, 'b'}), "\xEF\xBF\xBD" "b"},
      {units({0xD800, 0xD800, 0xDC00}), "\xEF\xBF\xBD\xF0\x90\x80\x80"},
      {units({0xFFFF}), "\xEF\xBF\xBF"},
      {units({0}), std::string(1, '\0')},
  };
  for (const Case& c : cases) EXPECT_EQ(displayUtf8(c.text), c.bytes);
}

TEST(WithCrLf, EveryLineFeedGetsACarriageReturn) {
  EXPECT_EQ(withCrLf(L"a\nb\n"), L"a\r\nb\r\n");
  EXPECT_EQ(withCrLf(L"\rEncoding  "), L"\rEncoding  ");
  EXPECT_EQ(withCrLf(L"\n\n"), L"\r\n\r\n");
  EXPECT_EQ(withCrLf(L""), L"");
}

}  // namespace
}  // namespace tolzeb::cli

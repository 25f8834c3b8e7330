#include "ui/preview/text_decode.h"

#include <string>

#include "english_catalogue.h"

namespace tolzeb::ui {
namespace {

struct Case {
  const char* name;
  std::string bytes;
  bool truncated;
  bool isText;
  const wchar_t* encoding;
  std::wstring text;
  uint64_t lines;
};

std::string repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

class TextDecodeTest : public EnglishCatalogueTest {};

TEST_F(TextDecodeTest, GuessesTheEncodingAndCountsLines) {
  const std::wstring latin1 = L"8-bit, shown as Latin-1";
  const Case cases[] = {
      {"empty", "", false, true, L"empty", L"", 0},
      {"utf-8 mark", "\xEF\xBB\xBFh\xC3\xA9\n", false, true, L"UTF-8 with BOM", L"h\u00E9\n", 2},
      {"invalid after utf-8 mark", "\xEF\xBB\xBF\xFFx", false, false, L"", L"", 0},
      {"utf-16 le mark", std::string("\xFF\xFEh\0i\0", 6), false, true, L"UTF-16 LE", L"hi", 1},
      {"utf-16 be mark with odd byte", std::string("\xFE\xFF\0h\0i\0", 7), false, true, L"UTF-16 BE", L"hi", 1},
      {"only a be mark", "\xFE\xFF", false, true, L"UTF-16 BE", L"", 1},
      {"utf-16 without mark, 20 bytes", repeat(std::string("a\0", 2), 10), false, true, L"UTF-16 LE, no mark",
       std::wstring(10, L'a'), 1},
      {"same pattern, 10 bytes", repeat(std::string("a\0", 2), 5), false, false, L"", L"", 0},
      {"one zero in 100 bytes", repeat("a", 50) + std::string("\0", 1) + repeat("b", 49), false, true, latin1.c_str(),
       std::wstring(50, L'a') + L'\0' + std::wstring(49, L'b'), 1},
      {"31 control bytes", repeat("\x01", 31), false, true, L"UTF-8", std::wstring(31, L'\x01'), 1},
      {"32 control bytes", repeat("\x01", 32), false, false, L"", L"", 0},
      {"plain utf-8", "a\r\nb\n", false, true, L"UTF-8", L"a\r\nb\n", 3},
      {"invalid utf-8 is latin-1", "caf\xE9", false, true, latin1.c_str(), L"caf\u00E9", 1},
      // A cut in the middle of a character drops the piece instead of showing Latin-1.
      {"cut utf-8 sequence", "caf\xC3", true, true, L"UTF-8", L"caf", 1},
      {"cut three-byte sequence", "x\xE2\x82", true, true, L"UTF-8", L"x", 1},
      {"complete sequence at a cut", "x\xC3\xA9", true, true, L"UTF-8", L"x\u00E9", 1},
      {"cut after utf-8 mark", "\xEF\xBB\xBFx\xE2\x82", true, true, L"UTF-8 with BOM", L"x", 1},
      {"same bytes not cut are latin-1", "caf\xC3", false, true, latin1.c_str(), L"caf\u00C3", 1},
      {"cut high surrogate", std::string("\xFF\xFEh\0\x3D\xD8", 6), true, true, L"UTF-16 LE", L"h", 1},
      {"uncut high surrogate kept", std::string("\xFF\xFEh\0\x3D\xD8", 6), false, true, L"UTF-16 LE",
       std::wstring(L"h") + wchar_t(0xD83D), 1},
  };
  for (const Case& c : cases) {
    PreviewText out;
    bool isText = decodeText(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), c.truncated, out);
    EXPECT_EQ(isText, c.isText) << c.name;
    if (!isText) continue;
    EXPECT_EQ(out.encodingName, c.encoding) << c.name;
    EXPECT_EQ(out.text, c.text) << c.name;
    EXPECT_EQ(out.lineCount, c.lines) << c.name;
    EXPECT_EQ(out.textTruncated, c.truncated) << c.name;
  }
}

TEST_F(TextDecodeTest, ACutTextEndingInAReplacementCharacterLosesIt) {
  PreviewText out;
  std::string bytes = "ab\xEF\xBF\xBD";  // U+FFFD
  ASSERT_TRUE(decodeText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), true, out));
  EXPECT_EQ(out.text, L"ab");
}

}  // namespace
}  // namespace tolzeb::ui

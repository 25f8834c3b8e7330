#include "ui/foundation/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace tolzeb::ui::i18n {
namespace {

ParseResult parse(const std::string& text, CatalogueEntries& entries) {
  return parseLocaleFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), entries);
}

const std::string kValueMessage =
    " must be a string or an object; numbers, arrays, booleans and null are not used in locale files";

struct RefusedCase {
  const char* name;
  std::string text;
  uint64_t line;
  uint64_t column;
  std::string message;
};

TEST(JsonReader, RefusesEachFaultWithItsMessageLineAndColumn) {
  const std::string longKey(kMaxFullKeyBytes + 1, 'k');
  const RefusedCase cases[] = {
      {"empty text", "", 1, 1, "the file must be a JSON object, starting with '{'"},
      {"array", "[]", 1, 1, "the file must be a JSON object, starting with '{'"},
      {"object after a blank line", "  \n  x", 2, 3, "the file must be a JSON object, starting with '{'"},
      {"byte-order mark alone", "\xEF\xBB\xBF", 1, 4, "the file must be a JSON object, starting with '{'"},
      {"letter after the object", "{}x", 1, 3, "unexpected text after the closing '}'"},
      {"second object", "{\"a\":\"x\"} {}", 1, 11, "unexpected text after the closing '}'"},
      {"NUL after the object", std::string("{}\0", 3), 1, 3, "unexpected text after the closing '}'"},
      {"number as key", "{1:\"a\"}", 1, 2, "expected a key in double quotes"},
      {"empty key", "{\"\":\"x\"}", 1, 4, "a key must not be empty"},
      {"space in key", "{\"a b\":\"x\"}", 1, 7, "a key may only contain letters, digits, '.', '_' and '-'"},
      {"non-ASCII key", "{\"\\u00e9\":\"x\"}", 1, 10, "a key may only contain letters, digits, '.', '_' and '-'"},
      {"no colon", "{\"a\" \"x\"}", 1, 6, "expected ':' after the key \"a\""},
      {"plain key twice", "{\"a\":\"1\",\"a\":\"2\"}", 1, 17, "the key \"a\" appears twice in this file"},
      {"dotted key after its object", "{\"a\":{\"b\":\"1\"},\"a.b\":\"2\"}", 1, 25,
       "the key \"a.b\" appears twice in this file"},
      {"number value", "{\"a\":1}", 1, 6, "the value of \"a\"" + kValueMessage},
      {"array value, nested", "{\"a\":{\"b\":[]}}", 1, 11, "the value of \"a.b\"" + kValueMessage},
      {"true", "{\"a\":true}", 1, 6, "the value of \"a\"" + kValueMessage},
      {"false", "{\"a\":false}", 1, 6, "the value of \"a\"" + kValueMessage},
      {"null", "{\"a\":null}", 1, 6, "the value of \"a\"" + kValueMessage},
      {"value missing at the end", "{\"a\":", 1, 6, "the value of \"a\"" + kValueMessage},
      {"trailing comma", "{\"a\":\"1\",}", 1, 10, "a trailing comma before '}'"},
      {"trailing comma before spaces", "{\"a\":\"1\", \n }", 2, 2, "a trailing comma before '}'"},
      {"no comma", "{\"a\":\"1\" \"b\":\"2\"}", 1, 10, "expected ',' or '}'"},
      {"object never closed", "{\"a\":\"1\"", 1, 9, "expected ',' or '}'"},
      {"invalid UTF-8 before the quote", "{\"a\":\"\xC3\x28\"}", 1, 10, "the text is not valid UTF-8"},
      {"invalid UTF-8 before an escape", "{\"a\":\"\xC3\\n\"}", 1, 8, "the text is not valid UTF-8"},
      {"UTF-8 surrogate", "{\"a\":\"\xED\xA0\x80\"}", 1, 11, "the text is not valid UTF-8"},
      {"string never closed", "{\"a\":\"abc", 1, 10, "the string is never closed"},
      {"key never closed", "{\"abc", 1, 6, "the string is never closed"},
      {"text ends in a backslash", "{\"a\":\"abc\\", 1, 11, "the string ends in a backslash"},
      {"unknown escape", "{\"a\":\"\\x\"}", 1, 9, "\\x is not an escape JSON defines"},
      {"raw tab", "{\"a\":\"\t\"}", 1, 7, "a raw control character inside a string; use \\n or \\t"},
      {"raw line feed", "{\"a\":\"x\ny\"}", 1, 8, "a raw control character inside a string; use \\n or \\t"},
      {"raw NUL", std::string("{\"a\":\"\0\"}", 9), 1, 7, "a raw control character inside a string; use \\n or \\t"},
      {"\\u with two digits", "{\"a\":\"\\u12\"}", 1, 12, "\\u needs four hexadecimal digits"},
      {"\\u with a letter past f", "{\"a\":\"\\u00zz\"}", 1, 12, "\\u needs four hexadecimal digits"},
      {"\\u at the end", "{\"a\":\"x\\u", 1, 10, "\\u needs four hexadecimal digits"},
      {"\\u with a line feed", "{\"a\":\"\\u0\n12\"}", 2, 1, "\\u needs four hexadecimal digits"},
      {"third line", "{\n\"a\":\"1\",\n  \"b\" 2}", 3, 7, "expected ':' after the key \"b\""},
      {"after a byte-order mark", "\xEF\xBB\xBF{\"a\":1}", 1, 9, "the value of \"a\"" + kValueMessage},
      {"key too long", "{\"" + longKey + "\":\"x\"}", 1, uint64_t(longKey.size()) + 4,
       "a key, joined to the names of the objects around it, must not be longer than 128 bytes"},
      {"full key too long", "{\"" + std::string(64, 'a') + "\":{\"" + std::string(64, 'b') + "\":\"x\"}}", 1, 136,
       "a key, joined to the names of the objects around it, must not be longer than 128 bytes"},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    CatalogueEntries entries;
    ParseResult result = parse(c.text, entries);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, c.message);
    EXPECT_EQ(result.line, c.line);
    EXPECT_EQ(result.column, c.column);
  }
}

struct AcceptedCase {
  const char* name;
  std::string text;
  CatalogueEntries entries;
};

TEST(JsonReader, AcceptsTheSubsetAndFlattensKeysInDocumentOrder) {
  const AcceptedCase cases[] = {
      {"empty object", "{}", {}},
      {"empty object and trailing whitespace", "{}\n   \t\r\n", {}},
      {"byte-order mark", "\xEF\xBB\xBF{\"a\":\"b\"}", {{"a", L"b"}}},
      {"nested objects",
       "{\"b\":\"2\",\"a\":{\"c\":\"3\",\"e\":{\"one\":\"{count} file\"}},\"d\":\"4\"}",
       {{"b", L"2"}, {"a.c", L"3"}, {"a.e.one", L"{count} file"}, {"d", L"4"}}},
      {"object name used twice", "{\"a\":{\"b\":\"1\"},\"a\":{\"c\":\"2\"}}", {{"a.b", L"1"}, {"a.c", L"2"}}},
      {"dotted member name", "{\"a.b\":\"1\",\"x_y-Z9\":\"2\"}", {{"a.b", L"1"}, {"x_y-Z9", L"2"}}},
      {"escaped key", "{\"\\u0041\\u005f\":\"x\"}", {{"A_", L"x"}}},
      {"empty nested object", "{ \"a\" : { } , \"b\" : \"\" }", {{"b", L""}}},
      {"every simple escape", "{\"a\":\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"}", {{"a", L"\"\\/\b\f\n\r\t"}}},
      {"\\u in either case", "{\"a\":\"\\u00e9\\u00C9\"}", {{"a", L"\u00e9\u00c9"}}},
      {"\\u surrogates as written", "{\"a\":\"\\uD83D\\uDE00\\uDC00\"}",
       {{"a", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xDC00)}}}},
      {"\\u0000 as one unit", "{\"a\":\"x\\u0000y\"}", {{"a", std::wstring(L"x\0y", 3)}}},
      {"UTF-8 text", "{\"a\":\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"}",
       {{"a", std::wstring{L'\u00e9', L'\u20ac', wchar_t(0xD83D), wchar_t(0xDE00)}}}},
      {"DEL is not a control character", "{\"a\":\"\x7F\"}", {{"a", L"\x7F"}}},
      {"key of the largest length", "{\"" + std::string(kMaxFullKeyBytes, 'k') + "\":\"x\"}",
       {{std::string(kMaxFullKeyBytes, 'k'), L"x"}}},
  };
  for (const AcceptedCase& c : cases) {
    SCOPED_TRACE(c.name);
    CatalogueEntries entries{{"left over", L"from before"}};
    ParseResult result = parse(c.text, entries);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.line, 0u);
    EXPECT_EQ(result.column, 0u);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(entries, c.entries);
  }
}

TEST(JsonReader, DeepNestingEndsAtTheKeyLimitWithoutRecursingFurther) {
  // A million levels would overflow any stack if each one recursed.
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "{\"a\":";
  CatalogueEntries entries;
  ParseResult result = parse(text, entries);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "a key, joined to the names of the objects around it, must not be longer than 128 bytes");
  // The 65th level would make the full key a.a.…a 129 bytes long.
  EXPECT_EQ(result.column, 65u * 5);
}

TEST(JsonReader, KeepsTheEntriesReadBeforeAnError) {
  CatalogueEntries entries;
  ParseResult result = parse("{\"a\":\"1\",\"b\":2}", entries);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(entries, (CatalogueEntries{{"a", L"1"}}));
}

}  // namespace
}  // namespace tolzeb::ui::i18n

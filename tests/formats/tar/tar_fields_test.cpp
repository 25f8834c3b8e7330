#include "formats/tar/tar_fields.h"

#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "formats/tar/tar_test_stream.h"

namespace tolzeb {
namespace {

using testing::printable;

Bytes field(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(TarNumberTest, OctalAndBase256FieldsAndTheirFaults) {
  struct Case {
    const char* label;
    Bytes field;
    uint64_t value;  // when the message is empty
    const wchar_t* message;
  };
  Bytes big(12, 0);  // 8 GiB + 1 in base-256
  big[0] = 0x80;
  big[7] = 0x02;
  big[11] = 0x01;
  Bytes widest(12, 0xFF);  // low six bits of the first byte and eleven more bytes: too wide
  widest[0] = 0xBF;
  Bytes fits(12, 0);  // the largest value that fits: 64 bits in the last eight bytes
  fits[0] = 0x80;
  for (size_t i = 4; i < 12; ++i) fits[i] = 0xFF;
  Bytes negative(12, 0xFF);
  const std::vector<Case> cases = {
      {"padded octal", field(std::string("0000644\0", 8)), 0644, nullptr},
      {"leading spaces and NULs", field(std::string(" \0 17 ", 6)), 017, nullptr},
      {"space ends the number", field("12 9"), 012, nullptr},
      {"NUL ends the number", field(std::string("7\0x", 3)), 7, nullptr},
      {"no digit is zero", field(std::string("  \0\0", 4)), 0, nullptr},
      {"eleven sevens", field("77777777777"), 0x1FFFFFFFF, nullptr},
      {"twenty-two digits", field("1777777777777777777777"), UINT64_MAX, nullptr},
      {"base-256 above 8 GiB", big, 0x200000001, nullptr},
      {"base-256 of 64 bits", fits, UINT64_MAX, nullptr},
      {"empty", {}, 0, L"tar: empty numeric field"},
      {"digit 8", field("0128"), 0, L"tar: non-octal digit in a numeric field"},
      {"letter", field("12a"), 0, L"tar: non-octal digit in a numeric field"},
      {"octal past 64 bits", field("2000000000000000000000"), 0, L"tar: octal field overflows"},
      {"negative base-256", negative, 0, L"tar: negative base-256 field"},
      {"base-256 past 64 bits", widest, 0, L"tar: base-256 field overflows"},
  };
  for (const Case& c : cases) {
    Result<uint64_t> parsed = parseTarNumber(c.field.data(), c.field.size());
    if (c.message == nullptr) {
      ASSERT_TRUE(parsed.hasValue()) << c.label << ": " << printable(parsed.failure().message);
      EXPECT_EQ(*parsed, c.value) << c.label;
    } else {
      ASSERT_TRUE(parsed.failed()) << c.label;
      EXPECT_EQ(parsed.failure().code, StatusCode::corrupt_archive) << c.label;
      EXPECT_EQ(parsed.failure().message, c.message) << c.label;
    }
  }
}

TEST(TarChecksumTest, UnsignedAndSignedSumsBothMatch) {
  // A name with bytes above 0x7F makes the two sums differ.
  testing::TarHeader header("caf\xC3\xA9", '0', 3);
  for (bool signedSum : {false, true}) {
    const Bytes sealed = header.sealed(signedSum);
    Result<uint64_t> stored = parseTarNumber(&sealed[148], 8);
    ASSERT_TRUE(stored.hasValue());
    EXPECT_TRUE(tarChecksumMatches(sealed.data(), *stored)) << signedSum;
    EXPECT_FALSE(tarChecksumMatches(sealed.data(), *stored + 1)) << signedSum;
  }
}

TEST(TarNameTest, Utf8IsTakenAsUtf8) {
  EXPECT_EQ(decodeTarName(""), L"");
  EXPECT_EQ(decodeTarName("dir/caf\xC3\xA9"), L"dir/caf\u00E9");
  EXPECT_EQ(decodeTarName("\xF0\x9F\x98\x80"), std::wstring(L"\xD83D\xDE00"));
  // Not UTF-8: the legacy code page gives some name, never an empty one for a plain letter.
  EXPECT_FALSE(decodeTarName("caf\xE9").empty());
}

TEST(TarTimeTest, SecondsBecomeFileTimeWhileTheyFit) {
  EXPECT_EQ(tarSecondsToFileTime(0), 116444736000000000u);
  EXPECT_EQ(tarSecondsToFileTime(1700000000), 1700000000ull * 10000000 + 116444736000000000u);
  EXPECT_EQ(tarSecondsToFileTime(1833029933770), 1833029933770ull * 10000000 + 116444736000000000u);
  EXPECT_EQ(tarSecondsToFileTime(1833029933771), 0u);
}

TEST(PaxRecordsTest, PathTimeAndSizeRecords) {
  using testing::paxRecord;
  const uint64_t t1700 = tarSecondsToFileTime(1700000000);
  struct Case {
    const char* label;
    std::string data;
    std::wstring path;
    uint64_t modified;
    std::optional<uint64_t> size;
  };
  const std::vector<Case> cases = {
      {"path", paxRecord("path", "a/caf\xC3\xA9"), L"a/caf\u00E9", 0, {}},
      {"fractional mtime", paxRecord("mtime", "1700000000.123456"), L"", t1700, {}},
      {"negative mtime ignored", paxRecord("mtime", "-5"), L"", 0, {}},
      {"zero mtime ignored", paxRecord("mtime", "0"), L"", 0, {}},
      {"mtime too large for FILETIME",
       paxRecord("mtime", "1700000000") + paxRecord("mtime", "99999999999999"),
       L"",
       0,
       {}},
      {"size", paxRecord("size", "8589934592"), L"", 0, 8589934592ull},
      {"size with junk ignored", paxRecord("size", "12k"), L"", 0, {}},
      {"other keywords ignored",
       paxRecord("uid", "0") + paxRecord("SCHILY.xattr.a", "b") + paxRecord("path", "p"),
       L"p",
       0,
       {}},
      {"later overrides earlier", paxRecord("path", "one") + paxRecord("path", "two"), L"two", 0, {}},
      {"record without '=' skipped", "6 abc\n" + paxRecord("path", "q"), L"q", 0, {}},
      {"length past the data ends", paxRecord("path", "a") + "99 path=b\n", L"a", 0, {}},
      {"zero length ends", "0 path=z\n", L"", 0, {}},
      {"length too small ends", "2 path=z\n", L"", 0, {}},
      {"non-digit length ends", "1x path=z\n", L"", 0, {}},
      {"no space ends", "12path=zzzz\n", L"", 0, {}},
  };
  for (const Case& c : cases) {
    PaxOverrides overrides;
    parsePaxRecords(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size(), overrides);
    EXPECT_EQ(overrides.path, c.path) << c.label;
    EXPECT_EQ(overrides.modified, c.modified) << c.label;
    EXPECT_EQ(overrides.size, c.size) << c.label;
  }
}

}  // namespace
}  // namespace tolzeb

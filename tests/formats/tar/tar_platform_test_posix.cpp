#include <gtest/gtest.h>

#include "formats/tar/tar_fields.h"
#include "formats/tar/tar_platform.h"

namespace tolzeb {
namespace {

// Names that are not UTF-8 read as Windows-1252 here, whatever the machine's locale.
TEST(TarLegacyNameTest, Windows1252OnEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(char(b));
  const std::wstring text = ansiCodePageToUtf16(all);
  ASSERT_EQ(text.size(), all.size());
  for (int b = 1; b < 256; ++b) {
    if (b >= 0x80 && b < 0xA0) continue;
    EXPECT_EQ(uint32_t(text[size_t(b - 1)]), uint32_t(b)) << b;
  }
  const std::vector<std::pair<int, uint32_t>> high = {{0x80, 0x20AC}, {0x81, 0x81}, {0x8A, 0x160},
                                                      {0x8D, 0x8D},   {0x8F, 0x8F}, {0x90, 0x90},
                                                      {0x93, 0x201C}, {0x9D, 0x9D}, {0x9F, 0x178}};
  for (const auto& [byte, codePoint] : high) EXPECT_EQ(uint32_t(text[size_t(byte - 1)]), codePoint) << byte;
  EXPECT_EQ(decodeTarName("caf\xE9"), L"caf\u00E9");
}

}  // namespace
}  // namespace tolzeb

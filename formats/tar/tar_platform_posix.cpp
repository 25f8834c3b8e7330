// Windows-1252 by table: bytes below 0x80 and from 0xA0 up are their own code points; the five
// bytes 1252 leaves undefined map to the same-valued code points, as Windows converts them.
#include <cstdint>

#include "formats/tar/tar_platform.h"

namespace tolzeb {
namespace {

constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

std::wstring ansiCodePageToUtf16(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const uint8_t byte = uint8_t(c);
    text.push_back(wchar_t(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte));
  }
  return text;
}

}  // namespace tolzeb

#include "cli/display_text.h"

#include <cstdint>

namespace tolzeb::cli {
namespace {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

bool isHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendCodePoint(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(char(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(char(0xC0 | (codePoint >> 6)));
    out.push_back(char(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(char(0xE0 | (codePoint >> 12)));
    out.push_back(char(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(char(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (codePoint >> 18)));
    out.push_back(char(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(char(0x80 | (codePoint & 0x3F)));
  }
}

}  // namespace

std::string displayUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) {
    // Each wchar_t holds one UTF-16 unit on every platform.
    const uint32_t unit = uint32_t(text[i]) & 0xFFFF;
    if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(uint32_t(text[i + 1]) & 0xFFFF)) {
      const uint32_t low = uint32_t(text[++i]) & 0xFFFF;
      appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      appendCodePoint(out, kReplacementCharacter);
    } else {
      appendCodePoint(out, unit);
    }
  }
  return out;
}

std::wstring withCrLf(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + 16);
  for (wchar_t c : text) {
    if (c == L'\n') out.push_back(L'\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace tolzeb::cli

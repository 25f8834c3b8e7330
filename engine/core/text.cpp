#include "engine/core/text.h"

namespace tolzeb {
namespace {

bool isHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

Failure badUtf16(const wchar_t* text) { return Failure{StatusCode::invalid_argument, text}; }
Failure badUtf8(const wchar_t* text) { return Failure{StatusCode::corrupt_archive, text}; }

}  // namespace

void appendUtf8(std::vector<uint8_t>& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(uint8_t(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(uint8_t(0xC0 | codePoint >> 6));
    out.push_back(uint8_t(0x80 | (codePoint & 0x3F)));
  } else if (codePoint <= 0xFFFF) {
    out.push_back(uint8_t(0xE0 | codePoint >> 12));
    out.push_back(uint8_t(0x80 | (codePoint >> 6 & 0x3F)));
    out.push_back(uint8_t(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(uint8_t(0xF0 | codePoint >> 18));
    out.push_back(uint8_t(0x80 | (codePoint >> 12 & 0x3F)));
    out.push_back(uint8_t(0x80 | (codePoint >> 6 & 0x3F)));
    out.push_back(uint8_t(0x80 | (codePoint & 0x3F)));
  }
}

Result<std::vector<uint8_t>> utf16ToUtf8(const std::wstring& text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t unit = uint32_t(text[i]);
    // A 32-bit wchar_t can hold values no UTF-16 unit has; they are as malformed as a lone surrogate.
    if constexpr (sizeof(wchar_t) > 2) {
      if (unit > 0xFFFF) return badUtf16(L"Invalid UTF-16 code unit");
    }
    if (!isHighSurrogate(unit)) {
      if (isLowSurrogate(unit)) return badUtf16(L"Unpaired low surrogate");
      appendUtf8(out, unit);
      continue;
    }
    if (i + 1 == text.size()) return badUtf16(L"Unpaired high surrogate at end of string");
    const uint32_t low = uint32_t(text[i + 1]);
    if (!isLowSurrogate(low)) return badUtf16(L"High surrogate without a low pair");
    appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    ++i;
  }
  return out;
}

Result<std::wstring> utf8ToUtf16(const uint8_t* data, size_t length) {
  std::wstring out;
  if (length == 0) return out;
  out.reserve(length);
  size_t pos = 0;
  while (pos < length) {
    const uint8_t lead = data[pos];
    if (lead == 0x00) return badUtf8(L"Embedded NUL in UTF-8 text");
    if (lead < 0x80) {
      out.push_back(wchar_t(lead));
      ++pos;
      continue;
    }
    size_t sequenceLength;
    uint32_t value;
    uint32_t minimum;
    if (lead >= 0xC0 && lead <= 0xDF) {
      sequenceLength = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      sequenceLength = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
      sequenceLength = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
      return badUtf8(L"Invalid UTF-8 lead byte");
    }
    if (sequenceLength > length - pos) return badUtf8(L"Truncated UTF-8 sequence");
    for (size_t k = 1; k < sequenceLength; ++k) {
      const uint8_t continuation = data[pos + k];
      if (continuation < 0x80 || continuation > 0xBF) return badUtf8(L"Invalid UTF-8 continuation byte");
      value = value << 6 | (continuation & 0x3F);
    }
    if (value < minimum) return badUtf8(L"Overlong UTF-8 encoding");
    if (value >= 0xD800 && value <= 0xDFFF) return badUtf8(L"Surrogate code point in UTF-8");
    if (value > 0x10FFFF) return badUtf8(L"UTF-8 code point above U+10FFFF");
    if (value <= 0xFFFF) {
      out.push_back(wchar_t(value));
    } else {
      out.push_back(wchar_t(0xD800 + ((value - 0x10000) >> 10)));
      out.push_back(wchar_t(0xDC00 + ((value - 0x10000) & 0x3FF)));
    }
    pos += sequenceLength;
  }
  return out;
}

}  // namespace tolzeb

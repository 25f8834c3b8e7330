#include "ui/preview/text_decode.h"

#include <algorithm>

#include "engine/core/text.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

// Length of a UTF-8 text cut at `count` without the incomplete sequence the cut may have left.
size_t withoutCutSequence(const uint8_t* bytes, size_t count) {
  size_t back = 0;
  while (back < 3 && back < count && (bytes[count - 1 - back] & 0xC0) == 0x80) ++back;
  if (back == count) return count;
  uint8_t lead = bytes[count - 1 - back];
  size_t needed = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
  return needed > back + 1 ? count - 1 - back : count;
}

std::wstring utf16Units(const uint8_t* bytes, size_t count, bool bigEndian) {
  std::wstring text(count / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    uint8_t first = bytes[2 * i];
    uint8_t second = bytes[2 * i + 1];
    text[i] = static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
  }
  return text;
}

void dropCutSurrogate(std::wstring& text, bool truncated) {
  if (truncated && !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
}

}  // namespace

bool decodeText(const uint8_t* bytes, size_t count, bool truncated, PreviewText& out) {
  out.text.clear();
  out.encodingName.clear();
  out.lineCount = 0;
  out.textTruncated = truncated;
  if (count == 0) {
    out.encodingName = L"empty";
    return true;
  }
  if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    size_t length = count - 3;
    if (truncated) length = withoutCutSequence(bytes + 3, length);
    Result<std::wstring> converted = utf8ToUtf16(bytes + 3, length);
    if (converted.failed()) return false;
    out.text = std::move(converted).value();
    out.encodingName = L"UTF-8 with BOM";
  } else if (count >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    bool bigEndian = bytes[0] == 0xFE;
    out.text = utf16Units(bytes + 2, count - 2, bigEndian);
    dropCutSurrogate(out.text, truncated);
    out.encodingName = bigEndian ? L"UTF-16 BE" : L"UTF-16 LE";
  } else {
    size_t sample = std::min(count, kTextSampleBytes);
    size_t zeros = 0, oddZeros = 0, suspicious = 0;
    for (size_t i = 0; i < sample; ++i) {
      uint8_t b = bytes[i];
      if (b == 0) {
        ++zeros;
        if (i % 2 == 1) ++oddZeros;
      }
      if (b == 0 || (b < 0x20 && b != 0x09 && b != 0x0A && b != 0x0D) || b == 0x7F) ++suspicious;
    }
    if (zeros > 0 && zeros == oddZeros && sample >= 16) {
      out.text = utf16Units(bytes, count, false);
      dropCutSurrogate(out.text, truncated);
      out.encodingName = L"UTF-16 LE, no mark";
    } else {
      if (zeros * 100 > sample || (sample >= 32 && suspicious * 100 > sample * 5)) return false;
      size_t length = truncated ? withoutCutSequence(bytes, count) : count;
      Result<std::wstring> converted = utf8ToUtf16(bytes, length);
      if (converted.hasValue()) {
        out.text = std::move(converted).value();
        out.encodingName = L"UTF-8";
      } else {
        out.text.assign(bytes, bytes + count);
        out.encodingName = i18n::translate("filetype.encoding_latin1");
      }
    }
  }
  if (truncated && !out.text.empty() && out.text.back() == 0xFFFD) out.text.pop_back();
  out.lineCount = 1 + static_cast<uint64_t>(std::count(out.text.begin(), out.text.end(), L'\n'));
  return true;
}

}  // namespace tolzeb::ui

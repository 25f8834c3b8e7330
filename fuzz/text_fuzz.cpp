// Strict text conversion: whatever decodes must encode back to the same bytes, and no input may
// crash either direction.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolzeb::Result<std::wstring> text = tolzeb::utf8ToUtf16(data, size);
  if (text.hasValue()) {
    tolzeb::Result<std::vector<uint8_t>> back = tolzeb::utf16ToUtf8(*text);
    if (back.failed() || *back != std::vector<uint8_t>(data, data + size)) std::abort();
  }

  // The same bytes read as UTF-16LE units.
  std::wstring units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(wchar_t(data[i] | data[i + 1] << 8));
  tolzeb::Result<std::vector<uint8_t>> encoded = tolzeb::utf16ToUtf8(units);
  if (encoded.hasValue() && units.find(L'\0') == std::wstring::npos) {
    tolzeb::Result<std::wstring> decoded = tolzeb::utf8ToUtf16(encoded->data(), encoded->size());
    if (decoded.failed() || *decoded != units) std::abort();
  }
  return 0;
}

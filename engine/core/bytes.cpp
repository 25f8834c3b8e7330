#include "engine/core/bytes.h"

namespace tolzeb {

void appendVarint(Bytes& out, uint64_t value) {
  while (value >= 0x80) {
    out.push_back(uint8_t(value | 0x80));
    value >>= 7;
  }
  out.push_back(uint8_t(value));
}

std::optional<uint64_t> readVarint(ByteReader& reader) {
  uint64_t value = 0;
  for (int i = 0; i < 10; ++i) {
    const uint8_t* p = reader.take(1);
    if (!p) return std::nullopt;
    uint8_t byte = *p;
    uint64_t payload = byte & 0x7F;
    if (i == 9 && payload > 1) return std::nullopt;
    value |= payload << (7 * i);
    if ((byte & 0x80) == 0) {
      if (i > 0 && payload == 0) return std::nullopt;  // non-minimal
      return value;
    }
  }
  return std::nullopt;
}

std::wstring decimal(uint64_t value) {
  wchar_t buffer[24];
  wchar_t* end = buffer + 24;
  wchar_t* p = end;
  do {
    *--p = wchar_t(L'0' + value % 10);
    value /= 10;
  } while (value);
  return std::wstring(p, end);
}

std::wstring decimal(int64_t value) {
  if (value >= 0) return decimal(uint64_t(value));
  return L"-" + decimal(uint64_t(0) - uint64_t(value));
}

}  // namespace tolzeb

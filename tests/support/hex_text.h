// Hex text for known-answer tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolzeb::testing {

inline std::vector<uint8_t> fromHex(const std::string& text) {
  auto nibble = [](char c) { return uint8_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10); };
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back(uint8_t(nibble(text[i]) << 4 | nibble(text[i + 1])));
  return bytes;
}

inline std::string toHex(const uint8_t* data, size_t length) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

template <typename Container>
std::string toHex(const Container& bytes) {
  return toHex(bytes.data(), bytes.size());
}

}  // namespace tolzeb::testing

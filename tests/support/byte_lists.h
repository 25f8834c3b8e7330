// Bytes written out in tests: small integers in a table, or parts joined.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tolzeb::testing {

inline std::vector<uint8_t> bytesOf(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(uint8_t(b));
  return out;
}

inline std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace tolzeb::testing

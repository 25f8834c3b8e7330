// Incompressible test data: the same bytes for a seed on every run and in both builds, since
// std::mt19937's sequence is fixed by the standard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace tolzeb::testing {

inline std::vector<uint8_t> randomBytes(size_t length, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(length);
  for (auto& b : bytes) b = uint8_t(generator());
  return bytes;
}

}  // namespace tolzeb::testing

#include "engine/recovery/gf256.h"

#include <array>
#include <utility>

namespace tolzeb {
namespace {

std::array<uint8_t, kGfTablesSize> buildTables() {
  std::array<uint8_t, kGfTablesSize> tables{};
  uint8_t* exp = tables.data();
  uint8_t* log = tables.data() + kGfExpTableSize;
  unsigned x = 1;
  for (unsigned i = 0; i < 255; ++i) {
    exp[i] = uint8_t(x);
    log[x] = uint8_t(i);
    bool carry = (x & 0x80) != 0;
    x <<= 1;
    if (carry) x ^= 0x11d;
  }
  for (size_t i = 255; i < kGfExpTableSize; ++i) exp[i] = exp[i - 255];
  log[0] = 0;
  return tables;
}

}  // namespace

const uint8_t* gfTables() {
  static const std::array<uint8_t, kGfTablesSize> tables = buildTables();  // C++ makes this one-time init thread-safe
  return tables.data();
}

uint8_t gfMul(uint8_t a, uint8_t b) {
  if (a == 0 || b == 0) return 0;
  const uint8_t* t = gfTables();
  return t[t[kGfExpTableSize + a] + t[kGfExpTableSize + b]];
}

uint8_t gfInverse(uint8_t a) {
  const uint8_t* t = gfTables();
  return t[255 - t[kGfExpTableSize + a]];
}

GfMulTable gfMulTable(uint8_t factor) {
  GfMulTable table{};
  if (factor == 0) return table;
  const uint8_t* t = gfTables();
  unsigned logFactor = t[kGfExpTableSize + factor];
  for (unsigned x = 1; x < 256; ++x) table.product[x] = t[logFactor + t[kGfExpTableSize + x]];
  return table;
}

bool invertMatrix(std::vector<uint8_t>& matrix, size_t n) {
  std::vector<uint8_t> inverse(n * n, 0);
  for (size_t i = 0; i < n; ++i) inverse[i * n + i] = 1;
  auto swapRows = [n](std::vector<uint8_t>& m, size_t a, size_t b) {
    for (size_t c = 0; c < n; ++c) std::swap(m[a * n + c], m[b * n + c]);
  };
  for (size_t c = 0; c < n; ++c) {
    size_t pivot = c;
    while (pivot < n && matrix[pivot * n + c] == 0) ++pivot;
    if (pivot == n) return false;
    if (pivot != c) {
      swapRows(matrix, pivot, c);
      swapRows(inverse, pivot, c);
    }
    GfMulTable scale = gfMulTable(gfInverse(matrix[c * n + c]));
    for (size_t k = 0; k < n; ++k) {
      matrix[c * n + k] = scale.product[matrix[c * n + k]];
      inverse[c * n + k] = scale.product[inverse[c * n + k]];
    }
    for (size_t r = 0; r < n; ++r) {
      uint8_t f = matrix[r * n + c];
      if (r == c || f == 0) continue;
      GfMulTable times = gfMulTable(f);
      for (size_t k = 0; k < n; ++k) {
        matrix[r * n + k] ^= times.product[matrix[c * n + k]];
        inverse[r * n + k] ^= times.product[inverse[c * n + k]];
      }
    }
  }
  matrix = std::move(inverse);
  return true;
}

}  // namespace tolzeb

// Arithmetic in GF(2^8) with the polynomial x^8 + x^4 + x^3 + x^2 + 1 (0x11d)
// and generator 2. The erasure code of the recovery record and the QR encoder
// of the graphical program share it, so every product is fixed by these tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolzeb {

inline constexpr size_t kGfExpTableSize = 512;  // exp[i] = 2^(i mod 255), so exp[log a + log b] needs no reduction
inline constexpr size_t kGfTablesSize = kGfExpTableSize + 256;

// exp at offset 0 (512 bytes), log at offset 512 (256 bytes, log[0] = 0); built
// once, thread-safe.
const uint8_t* gfTables();

uint8_t gfMul(uint8_t a, uint8_t b);
// The multiplicative inverse; `a` must not be 0.
uint8_t gfInverse(uint8_t a);

// T[x] = gfMul(factor, x); all zeros for factor 0.
struct GfMulTable {
  uint8_t product[256];
};
GfMulTable gfMulTable(uint8_t factor);

// Inverts an n x n row-major matrix in place by Gauss-Jordan elimination; false
// when it is singular (the content is then unspecified). n = 0 succeeds and
// changes nothing.
bool invertMatrix(std::vector<uint8_t>& matrix, size_t n);

}  // namespace tolzeb

// Table-driven CRC of a reflected 32-bit polynomial, eight bytes per step (slicing-by-8).
// Shared by CRC-32C (the container's checksum) and CRC-32 (the foreign formats' checksum).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolzeb::detail {

// Table 0 is the byte table of the polynomial; table k advances the register by k more zero bytes.
using CrcSlicingTables = std::array<std::array<uint32_t, 256>, 8>;

void buildCrcSlicingTables(uint32_t reflectedPolynomial, CrcSlicingTables& tables);

// Continues `previous` (0 for a fresh checksum) over the data.
uint32_t crcSlicing8(const CrcSlicingTables& tables, uint32_t previous, const void* data, size_t length);

}  // namespace tolzeb::detail

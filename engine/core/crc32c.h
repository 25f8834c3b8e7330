// CRC-32C (Castagnoli, reflected 0x82F63B78): guards every fixed record of the container.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolzeb {

// Continues `previous` (0 for a fresh checksum) over the data; length 0 returns `previous`.
uint32_t crc32c(uint32_t previous, const void* data, size_t length);

// The checksum a fixed record stores of itself: its bytes with the four at `crcAt` read as zero.
uint32_t recordCrc32c(const uint8_t* record, size_t size, size_t crcAt);

namespace detail {
// Both paths are exposed so tests can prove they agree.
bool cpuHasSse42();
uint32_t crc32cTable(uint32_t previous, const void* data, size_t length);
uint32_t crc32cHardware(uint32_t previous, const void* data, size_t length);
}  // namespace detail

}  // namespace tolzeb

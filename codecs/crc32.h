// CRC-32 of ISO-HDLC / IEEE 802.3 (reflected 0xEDB88320): the checksum of zip entries, gzip
// trailers and the 7z format. Not the container's CRC-32C.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/crc_slicing.h"

namespace tolzeb {

// Continues `previous` (0 for a fresh checksum) over the data; length 0 returns `previous`.
// crc32(crc32(0, A), B) is the checksum of A followed by B.
uint32_t crc32(uint32_t previous, const void* data, size_t length);

// Fills the eight slicing tables; crc32 calls it once per process.
void buildCrc32Tables(detail::CrcSlicingTables& tables);

}  // namespace tolzeb

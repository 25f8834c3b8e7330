// The dictionary section "ZEBDIC1": the archive's preset dictionary, stored raw, as VELT or as
// VELT_HUFF, whichever is shortest, with the CRC-32C and SHA-256 of its decoded bytes.
//
// Layout: magic (8), count (uint16, exactly 1), 6 reserved bytes, then per dictionary a 48-byte
// record (id uint16 non-zero, codec uint8, reserved uint8, decoded size uint32, stored size uint32,
// CRC-32C uint32, SHA-256 32 bytes) followed by its stored bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

struct DictionaryRecord {
  uint16_t id = 0;
  uint8_t codec = 0;
  uint32_t crc32c = 0;
  std::array<uint8_t, 32> sha256{};
  Bytes bytes;  // the decoded dictionary
};

// The plaintext section, or an empty vector for an empty list (no section at all). Only `id` and
// `bytes` of each record are read.
Result<Bytes> buildDictionarySection(const std::vector<DictionaryRecord>& dictionaries);

// The decoded dictionaries. `memoryCeiling` bounds the sum of decoded sizes (0 = no bound).
Result<std::vector<DictionaryRecord>> parseDictionarySection(const uint8_t* data, size_t length,
                                                             uint64_t memoryCeiling);

}  // namespace tolzeb

// Reading the header database: bytes, NUMBERs, bounded counts, bit vectors and fixed fields over a
// ByteReader. Every shortfall is a corrupt-archive failure with a "7z: " message.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb::sevenzip {

Result<uint8_t> readByte(ByteReader& reader);
// A NUMBER of 1 to 9 bytes; longer forms than needed are accepted.
Result<uint64_t> readNumber(ByteReader& reader);
// A NUMBER not above `max`; "what" names the count in the message.
Result<uint64_t> readCount(ByteReader& reader, uint64_t max, const wchar_t* what);
// BITS(k). `k` must already be bounded by the caller.
Result<std::vector<bool>> readBitVector(ByteReader& reader, uint64_t count);
// DEFINED(k): one all-defined byte, else BITS(k).
Result<std::vector<bool>> readDefinedBits(ByteReader& reader, uint64_t count);
Result<uint32_t> readUInt32(ByteReader& reader);
Result<uint64_t> readUInt64(ByteReader& reader);
Result<const uint8_t*> takeBytes(ByteReader& reader, uint64_t count);
Status skipBytes(ByteReader& reader, uint64_t count);

}  // namespace tolzeb::sevenzip

// LZMA and LZMA2 streams as the 7z coders use them: one whole buffer in, one byte vector out.
// Failures: code 2 for arguments, 3 for malformed input, 8 for the caller's output cap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/lzma/lzma_format.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// A declared size of all ones: the length is unknown and the stream must end with an end marker.
inline constexpr uint64_t kLzmaUnknownSize = UINT64_MAX;

// The properties byte and dictionary size of a 7z LZMA coder.
Result<LzmaProperties> parseLzmaProperties(uint8_t propertiesByte, uint32_t dictionarySize);

// Decodes exactly `declaredSize` bytes (no end marker allowed), or, for kLzmaUnknownSize, up to the
// end marker. Never produces more than `cap` bytes; a cap of 0 is an argument error. A dictionary
// size of 0 in `properties` leaves distances unchecked against it.
Result<Bytes> lzmaDecode(const uint8_t* data, size_t size, const LzmaProperties& properties, uint64_t declaredSize,
                         uint64_t cap);

// Decodes LZMA2 chunks up to the end byte or the end of the input. `dictionarySize` bounds every
// distance (0: no bound; 0xFFFFFFFF for the largest 7z property). Never produces more than `cap` bytes.
Result<Bytes> lzma2Decode(const uint8_t* data, size_t size, uint32_t dictionarySize, uint64_t cap);

// Compresses one block of at most 2 GiB into an LZMA2 stream with lc 3, lp 0, pb 2. Levels 1, 6 and 9
// are the usual choices (anything from 1 or below to 8 and above is accepted). `dictionarySize`
// receives the chosen dictionary size, a power of two from 4 KiB up to the level's maximum, which the
// decoder needs; it is set even when the block is empty.
Result<Bytes> lzma2Encode(const uint8_t* data, size_t size, int32_t level, uint32_t& dictionarySize);

}  // namespace tolzeb

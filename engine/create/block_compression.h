// What the container stores for one chunk: its checksums, and the smallest of the stored, VELT
// and VELT_HUFF forms. Runs on the pipeline's workers, once per chunk, on its own input,
// descriptor and output; the dictionary bytes are shared and only read.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/core/status.h"

namespace tolzeb {

// Fills decodedSize, crc32c, sha256 (only when `sha256PerChunk`), codec, storedSize and
// dictionaryId of `descriptor`. For codec 0 the payload is the input itself and `encoded` is
// empty; otherwise `encoded` holds the payload. `level` is the CompressionMode value; the
// Huffman stage is tried only above level 0. On failure both outputs are unspecified.
Status compressBlock(std::span<const uint8_t> input, uint8_t level, bool storeOnly, bool sha256PerChunk,
                     std::span<const uint8_t> dictionary, uint16_t dictionaryId, ChunkDescriptor& descriptor,
                     std::vector<uint8_t>& encoded);

}  // namespace tolzeb

// Every byte that leaves a ".zeb" passes through decodeChunk: read the stored payload, open it when
// the archive is encrypted, undo the codec, and prove the result against the chunk's checksums.
#pragma once

#include <cstdint>
#include <span>

#include "engine/container/open_archive.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// On success `out` holds exactly the chunk's decoded bytes; on failure its contents are
// unspecified. Safe to call from several threads at once on one OpenArchive.
Status decodeChunk(const OpenArchive& archive, uint64_t chunkIndex, Bytes& out);

// The working buffers of decodeChunkInto, kept by a caller that decodes chunk after chunk. They
// only grow: once they have held the largest chunk, decoding allocates nothing and fills nothing
// that it then overwrites. Used by one thread at a time.
struct ChunkScratch {
  Bytes stored;   // the payload as read, then opened when encrypted
  Bytes streams;  // the VELT streams of a VELT_HUFF payload
};

// The same, decoding into the front of `out`, which grows as needed and never shrinks; returns
// those bytes, a view of `out` valid until `out` is next used. On failure the contents of every
// buffer are unspecified.
Result<std::span<const uint8_t>> decodeChunkInto(const OpenArchive& archive, uint64_t chunkIndex, ChunkScratch& scratch,
                                                 Bytes& out);

}  // namespace tolzeb

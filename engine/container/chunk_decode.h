// Every byte that leaves a ".zeb" passes through decodeChunk: read the stored payload, open it when
// the archive is encrypted, undo the codec, and prove the result against the chunk's checksums.
#pragma once

#include <cstdint>

#include "engine/container/open_archive.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// On success `out` holds exactly the chunk's decoded bytes; on failure its contents are
// unspecified. Safe to call from several threads at once on one OpenArchive.
Status decodeChunk(const OpenArchive& archive, uint64_t chunkIndex, Bytes& out);

}  // namespace tolzeb

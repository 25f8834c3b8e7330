// The middle of archive creation: the scanned files packed into chunks, compressed on the
// pipeline's workers and written in chunk order by the calling thread, sealed when the archive
// is encrypted.
//
// Grouping: a file larger than a quarter of the chunk size starts a new chunk and is followed by
// a chunk boundary, so it never shares a chunk with another file; smaller files are packed back
// to back and may straddle a boundary; folders and empty files take no chunk space.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/manifest.h"
#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "engine/core/types.h"
#include "engine/create/creation_encryption.h"

namespace tolzeb {

struct ChunkStreamSettings {
  uint32_t chunkSize = 0;
  uint8_t level = 1;  // the CompressionMode value
  bool storeOnly = false;
  bool chunkHashes = true;
  std::span<const uint8_t> dictionary;  // empty when none; chunks then name dictionary id 1
  uint32_t workers = 1;
  uint64_t jobsInFlight = 1;
};

// What the stream writes to and fills; the caller owns all of it.
struct ChunkStreamOutput {
  UniqueHandle& file;
  uint64_t& writeOffset;                      // where the next payload goes; advanced per chunk
  std::vector<ChunkDescriptor>& chunkTable;   // one descriptor per chunk, in index order
  std::vector<ManifestEntry>& records;        // one per entry, filled from the entry
  Progress& progress;                         // phase Writing; updated and reported per chunk
};

// Runs the pipeline to its end. On success every chunk is written and every record complete;
// a false answer of the callback fails with code 6 "Archive creation canceled".
Status runChunkStream(const std::vector<SourceEntry>& entries, const ChunkStreamSettings& settings,
                      const EncryptionState& encryption, ChunkStreamOutput output, const Stopwatch& stopwatch,
                      const ProgressCallback& callback);

}  // namespace tolzeb

// Writing a new ".zeb" archive from files and folders: scan, optional preset dictionary, key
// derivation, the chunk stream, the trailing sections, footer and final header, the move into
// place and, when asked, verification of the new archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// Synchronous. Progress: Scanning per item found, Writing per chunk, Verifying from the check of
// the new archive, then one Done. An existing archive at `output` is replaced only at the end;
// any failure before that leaves it untouched and no ".partial" file behind.
Result<ArchiveStats> createArchive(const std::vector<std::wstring>& sources, const std::wstring& output,
                                   const CompressionOptions& options, const ProgressCallback& progress);

// The memory one compressing worker is assumed to need for chunks of `chunkSize` bytes.
uint64_t encoderMemoryEstimate(uint32_t chunkSize);

// Workers and jobs in flight for a chunk size under a memory budget; both at least 1.
struct PipelineBudget {
  uint32_t workers = 1;
  uint64_t jobsInFlight = 1;
};
PipelineBudget creationBudget(uint32_t availableWorkers, uint32_t chunkSize, uint64_t memoryBudget);

}  // namespace tolzeb

// The archive test: every chunk of an archive decoded on an ordered pipeline and checked against
// its checksums, the decoded bytes discarded. "Test" and "verify" are the same operation under
// the names their callers use.
#pragma once

#include <cstdint>
#include <string>

#include "engine/container/open_archive.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// One chunk's result in the test pipeline: only its decoded length is kept.
struct VerifyJob {
  uint64_t decodedBytes = 0;
};

// Internal to the engine (testArchive's worker). `stopwatch` was started before the archive was
// opened. Reports phase Verifying after each chunk, in chunk order, on the calling thread.
Result<ArchiveStats> decodeAllBlocks(const OpenArchive& archive, const ProgressCallback& progress,
                                     const Stopwatch& stopwatch, uint32_t threads, uint64_t memoryBudget);

// Opens the archive (every structure and the password) and decodes every chunk. Threads 0 = one
// per processor. Cancelling through the callback gives code 6 "Verification canceled".
Result<ArchiveStats> testArchive(const std::wstring& archivePath, const ProgressCallback& progress, uint32_t threads,
                                 uint64_t memoryBudget, Password password);
Result<ArchiveStats> verifyArchive(const std::wstring& archivePath, const ProgressCallback& progress, uint32_t threads,
                                   uint64_t memoryBudget, Password password);

}  // namespace tolzeb

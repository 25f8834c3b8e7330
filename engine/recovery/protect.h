// Adding a recovery record to a ".zeb" archive in place, checking an archive
// against its record, and rebuilding damaged shards from it. All three work by
// path on the calling thread and report progress after each group.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "engine/core/types.h"
#include "engine/recovery/recovery_format.h"

namespace tolzeb {

struct RecoveryReport {
  RecoveryLayout layout;  // planned when protecting, as stored when checking or repairing
  uint64_t shardsChecked = 0;
  uint64_t damagedShards = 0;
  uint64_t shardsRebuilt = 0;
  uint64_t groupsBeyondRepair = 0;  // more damaged shards than parity shards; not a failure
  double elapsedSeconds = 0;
};

// Adds a record of `percent` (1..30) or replaces the one there is. Progress
// phase Writing; a false answer gives code 6 "Canceled while building the
// recovery record". On any failure the archive is left openable: without a
// record, or with its old one when building failed.
Result<RecoveryReport> protectArchive(const std::wstring& archivePath, uint32_t percent,
                                      const ProgressCallback& progress);

// Compares every shard with the record's checksums; never writes. Progress
// phase Verifying.
Result<RecoveryReport> checkRecoveryRecord(const std::wstring& archivePath, const ProgressCallback& progress);

// Rewrites every damaged shard of every group the parity can rebuild. Progress
// phase Restoring.
Result<RecoveryReport> repairArchive(const std::wstring& archivePath, const ProgressCallback& progress);

// --- The steps, for the engine and its tests ---

// The whole record for body bytes [0, protectedLength) of the file, its header
// holding `headerCopy` (up to 128 bytes). Records above 4 GiB are refused with
// code 8.
Result<std::vector<uint8_t>> buildRecoveryRecord(const std::wstring& archivePath, uint64_t protectedLength,
                                                 uint32_t percent, const uint8_t* headerCopy, uint64_t copyLength,
                                                 const ProgressCallback& progress);

// Checking (repair false) or repairing against the record at `recordOffset`.
Result<RecoveryReport> runRecovery(const std::wstring& archivePath, uint64_t recordOffset, bool repair,
                                   const ProgressCallback& progress);

// Data shard `shard` of group `group` into `buffer` (S bytes), zero-padded at
// the protected length.
Status readShardRow(const UniqueHandle& file, const RecoveryLayout& layout, uint32_t group, uint32_t shard,
                    uint8_t* buffer);

}  // namespace tolzeb

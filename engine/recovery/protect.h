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
  // The footer lies outside what the parity covers; it is checked against the header, the
  // sections and the record, and a repair rebuilds it once the body is whole.
  bool footerDamaged = false;
  bool footerRebuilt = false;
  // Set when every shard matches (or was rebuilt) and the footer holds, yet the archive does not
  // open: the opener's message. Such an archive is never whole.
  std::wstring openFailure = {};
};

// Adds a record of `percent` (1..30) or replaces the one there is. Progress
// phase Writing; a false answer gives code 6 "Canceled while building the
// recovery record". At every moment the file is the old archive or the new
// protected one: a first record is added in place with the header that names
// it written last, a replaced record goes through a copy that replaces the
// archive.
Result<RecoveryReport> protectArchive(const std::wstring& archivePath, uint32_t percent,
                                      const ProgressCallback& progress);

// Compares every shard with the record's checksums and the footer with what
// the body and the record imply; never writes. A shard whose checksum-table
// entry is damaged but whose bytes are intact counts as damaged (the table
// needs a repair) but not as lost. Progress phase Verifying.
Result<RecoveryReport> checkRecoveryRecord(const std::wstring& archivePath, const ProgressCallback& progress);

// Rewrites every damaged shard and checksum-table entry of every group the
// parity can rebuild, parity lost to a file cut short included, and the footer
// once the body is whole. Progress phase Restoring.
Result<RecoveryReport> repairArchive(const std::wstring& archivePath, const ProgressCallback& progress);

// --- The steps, for the engine and its tests ---

// The whole record for body bytes [0, protectedLength) of the file, its header
// holding `headerCopy` (up to 128 bytes); a full 128-byte copy stands in for
// the body's first bytes, so the record fits the header about to be written.
// Records above 4 GiB are refused with code 8.
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

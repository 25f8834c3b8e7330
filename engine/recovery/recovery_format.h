// The recovery record of a ".zeb" archive: Reed-Solomon parity over the archive
// body, stored between the body and the footer. Layout from the record's start:
//   192-byte RecoveryHeader ("FABRCVR1"),
//   G x (D + P) CRC-32C values (uint32), one per shard, group by group, data
//   shards first, G x P parity shards of S bytes, group by group.
// Data shard j of group g covers body bytes [S x (g x D + j), +S), cut at the
// protected length L and zero-padded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb {

inline constexpr size_t kRecoveryHeaderSize = 192;
inline constexpr uint32_t kRecoveryMinPercent = 1;
inline constexpr uint32_t kRecoveryMaxPercent = 30;

struct RecoveryLayout {
  uint32_t percent = 0;
  uint64_t protectedLength = 0;  // L: the record starts here
  uint32_t shardSize = 0;        // S
  uint32_t groupCount = 0;       // G
  uint32_t dataShards = 0;       // D per group
  uint32_t parityShards = 0;     // P per group
  uint64_t recordSize = 0;       // R: header, checksum table and parity

  // Header and checksum table: 192 + G x (D + P) x 4.
  uint64_t metadataSize() const;
  // Record offset of parity shard `index` of group `group`.
  uint64_t parityOffset(uint32_t group, uint32_t index) const;
  // Record offset of the checksum of shard `shard` (data first, then parity) of
  // group `group`.
  uint64_t checksumOffset(uint32_t group, uint32_t shard) const;
};

// The geometry for a body of `protectedLength` bytes with `percent` (1..30)
// parity: shards of 4 KiB to 64 KiB, at most 200 data shards per group.
Result<RecoveryLayout> planRecoveryLayout(uint64_t protectedLength, uint32_t percent);

// Fills all 192 bytes; the header copy (up to 128 bytes) is stored only when
// `copy` is not null.
void writeRecoveryHeader(uint8_t out[kRecoveryHeaderSize], const RecoveryLayout& layout, const uint8_t* copy,
                         uint64_t copyLength);

// Checks magic, CRC-32C, version and geometry; `headerCopy` receives the stored
// header copy.
Result<RecoveryLayout> parseRecoveryHeader(const uint8_t* data, uint64_t available, std::vector<uint8_t>& headerCopy);

// Whether the stored record size is the one the geometry implies and L and S
// are in range: a record read from disk is trusted only then.
bool recoveryLayoutConsistent(const RecoveryLayout& layout);

// The record's file offset: from the archive header (flag 2 and recoveryOffset)
// when header and footer parse, or when only the header does (a cut or damaged
// tail), else by scanning. Code 11 "This archive has no recovery record".
Result<uint64_t> locateRecoveryRecord(const std::wstring& archivePath);

// Searches the file's last 64 MiB for the first header that parses and sits
// where a record belongs: ending where the footer begins, or, in a file cut
// short, right behind the body it protects (so a record stored as data inside
// the archive is not taken). A larger record is looked for at every offset
// where the planner could have put it.
Result<uint64_t> scanForRecoveryRecord(const std::wstring& archivePath);

}  // namespace tolzeb

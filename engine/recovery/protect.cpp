#include "engine/recovery/protect.h"

#include <algorithm>
#include <cstring>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"
#include "engine/create/progress_report.h"
#include "engine/recovery/archive_extent.h"
#include "engine/recovery/reed_solomon.h"

namespace tolzeb {
namespace {

constexpr uint64_t kMaxRecordSize = 4ull << 30;

Failure truncatedRecord() { return Failure{StatusCode::corrupt_archive, L"The recovery record is truncated"}; }

uint64_t bodyDone(const RecoveryLayout& layout, uint32_t group) {
  return std::min((uint64_t(group) + 1) * layout.dataShards * layout.shardSize, layout.protectedLength);
}

// The body a record may cover ends where the footer begins; a footer that
// disagrees with the file's length, or a recovery offset past the footer, would
// make protecting write inside the body.
Result<uint64_t> protectedLengthOf(const ArchiveExtent& extent) {
  const uint64_t footerAt = extent.fileSize - kFooterSize;
  if (extent.footer.footerOffset != footerAt || extent.footer.fileLength != extent.fileSize)
    return Failure{StatusCode::corrupt_archive, L"This archive's footer does not match its length"};
  uint64_t length = footerAt;
  if ((extent.header.flags & kFlagRecoveryRecord) != 0 && extent.header.recoveryOffset != 0)
    length = extent.header.recoveryOffset;
  if (length > footerAt)
    return Failure{StatusCode::corrupt_archive, L"This archive's recovery offset lies past its end"};
  if (length < kHeaderSize) return Failure{StatusCode::corrupt_archive, L"This archive has no body to protect"};
  return length;
}

// Brings an archive whose record could not be written fully back to one without
// a record: the original header bytes with the flag and offset cleared, the
// footer right behind the body.
void dropRecord(const UniqueHandle& file, const ArchiveExtent& extent, uint64_t protectedLength) {
  ArchiveHeader header = extent.header;
  header.flags &= ~kFlagRecoveryRecord;
  header.recoveryOffset = 0;
  uint8_t headerBytes[kHeaderSize];
  header.serialize(headerBytes);
  ArchiveFooter footer = extent.footer;
  footer.footerOffset = protectedLength;
  footer.fileLength = protectedLength + kFooterSize;
  uint8_t footerBytes[kFooterSize];
  footer.serialize(footerBytes);
  // Best effort: the failure that brought us here is the one reported.
  (void)file.setFileLength(protectedLength);
  (void)file.writeAt(protectedLength, footerBytes, kFooterSize);
  (void)file.writeAt(0, headerBytes, kHeaderSize);
  (void)file.flushFile();
}

Status writeHeader(const std::wstring& archivePath, const uint8_t* bytes) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForUpdate(archivePath));
  TOLZEB_TRY(file.writeAt(0, bytes, kHeaderSize));
  return file.flushFile();
}

Status writeRecordAndFooter(const UniqueHandle& file, const std::vector<uint8_t>& record, uint64_t at,
                            const uint8_t* footer) {
  TOLZEB_TRY(file.writeAt(at, record.data(), record.size()));
  TOLZEB_TRY(file.writeAt(at + record.size(), footer, kFooterSize));
  TOLZEB_TRY(file.setFileLength(at + record.size() + kFooterSize));
  return file.flushFile();
}

Status writeRebuiltShards(const UniqueHandle& file, const RecoveryLayout& layout, uint64_t recordOffset, uint32_t group,
                          const uint8_t* work, const std::vector<uint8_t>& damaged, uint64_t& rebuilt) {
  const uint64_t s = layout.shardSize;
  for (uint32_t k = 0; k < layout.dataShards + layout.parityShards; ++k) {
    if (!damaged[k]) continue;
    if (k < layout.dataShards) {
      uint64_t start = s * (uint64_t(group) * layout.dataShards + k);
      if (start >= layout.protectedLength) continue;
      TOLZEB_TRY(file.writeAt(start, work + k * s, std::min(s, layout.protectedLength - start)));
    } else {
      TOLZEB_TRY(file.writeAt(recordOffset + layout.parityOffset(group, k - layout.dataShards), work + k * s, s));
    }
    ++rebuilt;
  }
  return Status();
}

}  // namespace

Status readShardRow(const UniqueHandle& file, const RecoveryLayout& layout, uint32_t group, uint32_t shard,
                    uint8_t* buffer) {
  const uint64_t s = layout.shardSize;
  std::memset(buffer, 0, s);
  uint64_t start = s * (uint64_t(group) * layout.dataShards + shard);
  if (start >= layout.protectedLength) return Status();
  uint64_t want = std::min(s, layout.protectedLength - start);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(start, buffer, want));
  if (got < want)
    return Status(StatusCode::corrupt_archive, L"The archive is shorter than its recovery record expects");
  return Status();
}

Result<std::vector<uint8_t>> buildRecoveryRecord(const std::wstring& archivePath, uint64_t protectedLength,
                                                 uint32_t percent, const uint8_t* headerCopy, uint64_t copyLength,
                                                 const ProgressCallback& progress) {
  TOLZEB_ASSIGN_OR_RETURN(RecoveryLayout layout, planRecoveryLayout(protectedLength, percent));
  if (layout.recordSize > kMaxRecordSize)
    return Failure{StatusCode::resource_limit, L"A recovery record that large is not written by this build"};
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(archivePath));
  std::vector<uint8_t> record(size_t(layout.recordSize), 0);
  writeRecoveryHeader(record.data(), layout, headerCopy, copyLength);
  const size_t s = layout.shardSize, d = layout.dataShards, p = layout.parityShards;
  std::vector<uint8_t> work((d + p) * s);
  Progress report;
  report.phase = Progress::Phase::Writing;
  report.bytesTotal = protectedLength;
  Stopwatch clock;
  for (uint32_t g = 0; g < layout.groupCount; ++g) {
    for (uint32_t j = 0; j < d; ++j) TOLZEB_TRY(readShardRow(file, layout, g, j, work.data() + j * s));
    TOLZEB_TRY(ReedSolomon::encode(work.data(), d, s, work.data() + d * s, p));
    for (uint32_t k = 0; k < d + p; ++k)
      writeU32le(&record[size_t(layout.checksumOffset(g, k))], crc32c(0, work.data() + k * s, s));
    std::memcpy(&record[size_t(layout.parityOffset(g, 0))], work.data() + d * s, p * s);
    report.bytesDone = bodyDone(layout, g);
    report.seconds = clock.seconds();
    if (!reportProgress(progress, report))
      return Failure{StatusCode::canceled, L"Canceled while building the recovery record"};
  }
  return record;
}

Result<RecoveryReport> protectArchive(const std::wstring& archivePath, uint32_t percent,
                                      const ProgressCallback& progress) {
  Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(ArchiveExtent extent, readArchiveExtent(archivePath));
  TOLZEB_ASSIGN_OR_RETURN(uint64_t length, protectedLengthOf(extent));
  TOLZEB_ASSIGN_OR_RETURN(RecoveryLayout layout, planRecoveryLayout(length, percent));

  ArchiveHeader marked = extent.header;
  marked.flags |= kFlagRecoveryRecord;
  marked.recoveryOffset = length;
  uint8_t markedBytes[kHeaderSize];
  marked.serialize(markedBytes);
  TOLZEB_TRY(writeHeader(archivePath, markedBytes));

  Result<std::vector<uint8_t>> record =
      buildRecoveryRecord(archivePath, length, percent, markedBytes, kHeaderSize, progress);
  if (record.failed()) {
    // Nothing behind the header was touched yet: the original header bytes
    // restore the archive as it was.
    (void)writeHeader(archivePath, extent.rawHeader);
    return std::move(record).failure();
  }

  ArchiveFooter footer = extent.footer;
  footer.footerOffset = length + record->size();
  footer.fileLength = footer.footerOffset + kFooterSize;
  uint8_t footerBytes[kFooterSize];
  footer.serialize(footerBytes);
  {
    Result<UniqueHandle> file = openForUpdate(archivePath);
    if (file.failed()) {
      (void)writeHeader(archivePath, extent.rawHeader);
      return std::move(file).failure();
    }
    Status written = writeRecordAndFooter(*file, *record, length, footerBytes);
    if (written.failed()) {
      dropRecord(*file, extent, length);
      return written;
    }
  }
  RecoveryReport report;
  report.layout = layout;
  report.elapsedSeconds = clock.seconds();
  return report;
}

Result<RecoveryReport> runRecovery(const std::wstring& archivePath, uint64_t recordOffset, bool repair,
                                   const ProgressCallback& progress) {
  Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(archivePath));
  uint8_t headerBytes[kRecoveryHeaderSize];
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(recordOffset, headerBytes, kRecoveryHeaderSize));
  if (got < kRecoveryHeaderSize) return truncatedRecord();
  std::vector<uint8_t> headerCopy;
  TOLZEB_ASSIGN_OR_RETURN(RecoveryLayout layout, parseRecoveryHeader(headerBytes, got, headerCopy));
  if (layout.recordSize > kMaxRecordSize)
    return Failure{StatusCode::resource_limit, L"This recovery record is larger than this build reads"};
  // Everything below is sized and addressed from the stored header, so it is
  // checked against the file before anything is allocated or written.
  TOLZEB_ASSIGN_OR_RETURN(uint64_t fileSize, file.fileSize());
  if (!rangeFits(recordOffset, layout.recordSize, fileSize)) return truncatedRecord();
  if (!recoveryLayoutConsistent(layout))
    return Failure{StatusCode::corrupt_archive, L"The recovery record's layout does not match its size"};
  if (layout.protectedLength > recordOffset)
    return Failure{StatusCode::corrupt_archive, L"The archive is shorter than its recovery record expects"};
  if (layout.protectedLength < recordOffset)
    return Failure{StatusCode::corrupt_archive, L"The recovery record does not follow the body it protects"};

  std::vector<uint8_t> record(size_t(layout.recordSize));
  TOLZEB_ASSIGN_OR_RETURN(got, file.readAt(recordOffset, record.data(), layout.recordSize));
  if (got < layout.recordSize) return truncatedRecord();

  RecoveryReport report;
  report.layout = layout;
  const size_t s = layout.shardSize, d = layout.dataShards, p = layout.parityShards;
  std::vector<uint8_t> work((d + p) * s);
  std::vector<uint8_t> present(d + p), damaged(d + p);
  UniqueHandle update;
  Progress status;
  status.phase = repair ? Progress::Phase::Restoring : Progress::Phase::Verifying;
  status.bytesTotal = layout.protectedLength;
  for (uint32_t g = 0; g < layout.groupCount; ++g) {
    for (uint32_t j = 0; j < d; ++j) TOLZEB_TRY(readShardRow(file, layout, g, j, work.data() + j * s));
    std::memcpy(work.data() + d * s, &record[size_t(layout.parityOffset(g, 0))], p * s);
    uint64_t groupDamage = 0;
    for (uint32_t k = 0; k < d + p; ++k) {
      ++report.shardsChecked;
      bool intact = crc32c(0, work.data() + k * s, s) == readU32le(&record[size_t(layout.checksumOffset(g, k))]);
      present[k] = intact;
      damaged[k] = !intact;
      groupDamage += !intact;
    }
    report.damagedShards += groupDamage;
    if (groupDamage > p) {
      ++report.groupsBeyondRepair;
    } else if (groupDamage > 0 && repair) {
      TOLZEB_TRY(ReedSolomon::reconstruct(work.data(), present.data(), d, p, s));
      // The code leaves lost parity alone when no data shard was lost; the
      // record needs it back.
      if (std::any_of(damaged.begin() + d, damaged.end(), [](uint8_t lost) { return lost != 0; }))
        TOLZEB_TRY(ReedSolomon::encode(work.data(), d, s, work.data() + d * s, p));
      if (!isValidHandle(update)) {
        TOLZEB_ASSIGN_OR_RETURN(update, openForUpdate(archivePath));
      }
      TOLZEB_TRY(writeRebuiltShards(update, layout, recordOffset, g, work.data(), damaged, report.shardsRebuilt));
    }
    status.bytesDone = bodyDone(layout, g);
    status.seconds = clock.seconds();
    if (!reportProgress(progress, status))
      return Failure{StatusCode::canceled, L"Canceled while reading the recovery record"};
  }
  if (isValidHandle(update)) {
    TOLZEB_TRY(update.flushFile());
    update.close();
  }
  report.elapsedSeconds = clock.seconds();
  return report;
}

Result<RecoveryReport> checkRecoveryRecord(const std::wstring& archivePath, const ProgressCallback& progress) {
  TOLZEB_ASSIGN_OR_RETURN(uint64_t offset, locateRecoveryRecord(archivePath));
  return runRecovery(archivePath, offset, false, progress);
}

Result<RecoveryReport> repairArchive(const std::wstring& archivePath, const ProgressCallback& progress) {
  TOLZEB_ASSIGN_OR_RETURN(uint64_t offset, locateRecoveryRecord(archivePath));
  return runRecovery(archivePath, offset, true, progress);
}

}  // namespace tolzeb

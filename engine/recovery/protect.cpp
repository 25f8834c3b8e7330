#include "engine/recovery/protect.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/container/archive_records.h"
#include "engine/container/open_archive.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"
#include "engine/create/partial_output.h"
#include "engine/create/progress_report.h"
#include "engine/recovery/archive_extent.h"
#include "engine/recovery/reed_solomon.h"

namespace tolzeb {
namespace {

constexpr uint64_t kMaxRecordSize = 4ull << 30;
constexpr uint64_t kCopyBlockSize = 1ull << 20;

Failure truncatedRecord() { return Failure{StatusCode::corrupt_archive, L"The recovery record is truncated"}; }

uint64_t bodyDone(const RecoveryLayout& layout, uint32_t group) {
  return std::min((uint64_t(group) + 1) * layout.dataShards * layout.shardSize, layout.protectedLength);
}

std::optional<uint64_t> storedChunkTableLength(const ArchiveHeader& header) {
  std::optional<uint64_t> length = checkedMul(header.chunkCount, uint64_t(kChunkDescriptorSize));
  if (length && (header.flags & kFlagEncrypted) != 0 && *length != 0) length = checkedAdd(*length, uint64_t(kTagSize));
  return length;
}

// Whether the planner gives exactly this layout for its length and percent. Only such a record is
// read from a file too short to hold it: its size then stays in proportion to the body, so a
// forged header cannot demand a large allocation from a small file.
bool isPlanned(const RecoveryLayout& layout) {
  Result<RecoveryLayout> planned = planRecoveryLayout(layout.protectedLength, layout.percent);
  return planned.hasValue() && planned->shardSize == layout.shardSize && planned->groupCount == layout.groupCount &&
         planned->dataShards == layout.dataShards && planned->parityShards == layout.parityShards &&
         planned->recordSize == layout.recordSize;
}

// Where the archive's own sections end: a protected body needs no more, and whatever lies between
// here and the footer (the leftover of an interrupted protect) is not part of the archive.
uint64_t sectionsEnd(const ArchiveHeader& header) {
  uint64_t end = kHeaderSize;
  auto extend = [&](uint64_t offset, uint64_t length) {
    std::optional<uint64_t> sectionEnd = checkedAdd(offset, length);
    end = std::max(end, sectionEnd.value_or(UINT64_MAX));
  };
  extend(header.chunkTableOffset, storedChunkTableLength(header).value_or(UINT64_MAX));
  extend(header.manifestOffset, header.manifestLength);
  extend(header.dictionaryOffset, header.dictionaryLength);
  extend(header.securityOffset, header.securityLength);
  return end;
}

// The body a record may cover ends where the footer begins; a footer that disagrees with the
// file's length, or a recovery offset past the footer, would make protecting write inside the
// body.
Result<uint64_t> protectedLengthOf(const ArchiveExtent& extent) {
  const uint64_t footerAt = extent.fileSize - kFooterSize;
  if (extent.footer.footerOffset != footerAt || extent.footer.fileLength != extent.fileSize)
    return Failure{StatusCode::corrupt_archive, L"This archive's footer does not match its length"};
  uint64_t length = footerAt;
  if ((extent.header.flags & kFlagRecoveryRecord) != 0 && extent.header.recoveryOffset != 0) {
    length = extent.header.recoveryOffset;
  } else if (uint64_t end = sectionsEnd(extent.header); end < footerAt) {
    length = end;
  }
  if (length > footerAt)
    return Failure{StatusCode::corrupt_archive, L"This archive's recovery offset lies past its end"};
  if (length < kHeaderSize) return Failure{StatusCode::corrupt_archive, L"This archive has no body to protect"};
  return length;
}

Status flushedWrite(const UniqueHandle& file, uint64_t at, const uint8_t* bytes, uint64_t length) {
  TOLZEB_TRY(file.writeAt(at, bytes, length));
  return file.flushFile();
}

// An archive without a record gets one in place, in an order that keeps it the old archive until
// the last write: the new footer goes behind the end first (so the file ends in a valid footer
// throughout), then the record behind the old footer, then the record's first bytes over the old
// footer, and only then the header that names the record. Until that single 128-byte write every
// reader sees the old, unprotected archive.
Status addRecordInPlace(const std::wstring& archivePath, const ArchiveExtent& extent, uint64_t length,
                        const std::vector<uint8_t>& record, const uint8_t* markedHeader, const uint8_t* footer) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForUpdate(archivePath));
  const uint64_t footerAt = length + record.size();
  const uint64_t head = std::min<uint64_t>(kFooterSize, record.size());
  Status written = flushedWrite(file, footerAt, footer, kFooterSize);
  if (written.ok()) written = file.setFileLength(footerAt + kFooterSize);
  if (written.ok()) written = flushedWrite(file, length + head, record.data() + head, record.size() - head);
  if (written.ok()) written = flushedWrite(file, length, record.data(), head);
  if (written.ok()) written = flushedWrite(file, 0, markedHeader, kHeaderSize);
  if (written.ok()) return Status();
  // Back to the archive as it was; the failure that brought us here is the one reported.
  uint8_t oldFooter[kFooterSize];
  extent.footer.serialize(oldFooter);
  (void)file.writeAt(0, extent.rawHeader, kHeaderSize);
  (void)file.writeAt(length, oldFooter, kFooterSize);
  (void)file.setFileLength(length + kFooterSize);
  (void)file.flushFile();
  return written;
}

// An archive that has a record gets its new one through a complete copy that replaces it: written
// in place, the new record would overwrite the old one before it is whole.
Status replaceRecordByCopy(const std::wstring& archivePath, uint64_t length, const std::vector<uint8_t>& record,
                           const uint8_t* markedHeader, const uint8_t* footer) {
  const std::wstring partial = partialPathFor(archivePath);
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle source, openForRead(archivePath));
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle copy, openPartialOutput(partial));
  auto abandon = [&](Failure&& failure) { return abandonPartialOutput(copy, partial, std::move(failure)).status(); };
  std::vector<uint8_t> buffer(kCopyBlockSize);
  for (uint64_t at = 0; at < length;) {
    const uint64_t want = std::min<uint64_t>(buffer.size(), length - at);
    Result<uint64_t> got = source.readAt(at, buffer.data(), want);
    if (got.failed()) return abandon(std::move(got).failure());
    if (*got < want)
      return abandon(Failure{StatusCode::corrupt_archive, L"The archive is shorter than its recovery record expects"});
    if (at == 0) std::memcpy(buffer.data(), markedHeader, kHeaderSize);
    Status written = copy.writeAt(at, buffer.data(), want);
    if (written.failed()) return abandon(std::move(written).failure());
    at += want;
  }
  Status written = copy.writeAt(length, record.data(), record.size());
  if (written.ok()) written = copy.writeAt(length + record.size(), footer, kFooterSize);
  if (written.failed()) return abandon(std::move(written).failure());
  source.close();
  return commitPartialOutput(copy, partial, archivePath);
}

// The record's bytes as the file holds them; a record cut off by a short file keeps zeros where
// its tail is missing, and `available` says how much was there.
struct StoredRecord {
  std::vector<uint8_t> bytes;
  uint64_t available = 0;
};

Status writeShard(const UniqueHandle& file, const RecoveryLayout& layout, uint64_t recordOffset, uint32_t group,
                  uint32_t shard, const uint8_t* bytes) {
  const uint64_t s = layout.shardSize;
  if (shard < layout.dataShards) {
    uint64_t start = s * (uint64_t(group) * layout.dataShards + shard);
    if (start >= layout.protectedLength) return Status();
    return file.writeAt(start, bytes, std::min(s, layout.protectedLength - start));
  }
  return file.writeAt(recordOffset + layout.parityOffset(group, shard - layout.dataShards), bytes, s);
}

// Whether the group's parity as read is exactly the parity of its data as read: then every shard
// is intact, and a mismatch with the checksum table lies in the table.
Result<bool> groupConsistent(const RecoveryLayout& layout, const uint8_t* work, std::vector<uint8_t>& scratch) {
  const size_t s = layout.shardSize, d = layout.dataShards, p = layout.parityShards;
  scratch.resize(p * s);
  TOLZEB_TRY(ReedSolomon::encode(work, d, s, scratch.data(), p));
  return std::memcmp(scratch.data(), work + d * s, p * s) == 0;
}

Result<uint32_t> crcOfRange(const UniqueHandle& file, uint64_t offset, uint64_t length) {
  std::vector<uint8_t> buffer(size_t(std::min<uint64_t>(length, kCopyBlockSize)));
  uint32_t crc = 0;
  for (uint64_t at = 0; at < length;) {
    const uint64_t want = std::min<uint64_t>(buffer.size(), length - at);
    TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(offset + at, buffer.data(), want));
    if (got < want) return Failure{StatusCode::corrupt_archive, L"The archive is shorter than its header says"};
    crc = crc32c(crc, buffer.data(), size_t(want));
    at += want;
  }
  return crc;
}

// The footer the archive must end with, from its header and the sections as stored; nullopt when
// the header names sections outside the protected body.
std::optional<ArchiveFooter> footerFor(const UniqueHandle& file, const ArchiveHeader& header,
                                       const RecoveryLayout& layout, uint64_t footerAt) {
  std::optional<uint64_t> tableLength = storedChunkTableLength(header);
  if (!tableLength || !rangeFits(header.chunkTableOffset, *tableLength, layout.protectedLength) ||
      !rangeFits(header.manifestOffset, header.manifestLength, layout.protectedLength))
    return std::nullopt;
  ArchiveFooter footer;
  footer.archiveId = header.archiveId;
  Result<uint32_t> manifestCrc = crcOfRange(file, header.manifestOffset, header.manifestLength);
  Result<uint32_t> tableCrc = crcOfRange(file, header.chunkTableOffset, *tableLength);
  if (manifestCrc.failed() || tableCrc.failed()) return std::nullopt;
  footer.manifestCrc = *manifestCrc;
  footer.chunkTableCrc = *tableCrc;
  footer.footerOffset = footerAt;
  footer.fileLength = footerAt + kFooterSize;
  return footer;
}

// The archive header as the body holds it, else as the record copied it.
std::optional<ArchiveHeader> headerFor(const UniqueHandle& file, const std::vector<uint8_t>& headerCopy) {
  uint8_t bytes[kHeaderSize];
  Result<uint64_t> got = file.readAt(0, bytes, kHeaderSize);
  if (got.hasValue()) {
    Result<ArchiveHeader> header = parseArchiveHeader(bytes, size_t(*got));
    if (header.hasValue()) return *header;
  }
  Result<ArchiveHeader> copied = parseArchiveHeader(headerCopy.data(), headerCopy.size());
  if (copied.hasValue()) return *copied;
  return std::nullopt;
}

// The footer lies outside the protected body, so the parity cannot vouch for it. It is damaged when
// it fails its own checksum or does not name this archive, this record and this length; a repair
// rebuilds it from the header and the sections once the body is whole. A footer that holds but
// whose section checksums disagree is left alone: then the body is what is broken, and opening
// says so.
Status checkFooter(const std::wstring& archivePath, const UniqueHandle& file, const RecoveryLayout& layout,
                   uint64_t recordOffset, const std::vector<uint8_t>& headerCopy, bool bodyWhole, bool repair,
                   RecoveryReport& report) {
  const uint64_t footerAt = recordOffset + layout.recordSize;
  TOLZEB_ASSIGN_OR_RETURN(uint64_t fileSize, file.fileSize());
  uint8_t stored[kFooterSize] = {};
  bool damaged = fileSize != footerAt + kFooterSize;
  if (!damaged) {
    TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(footerAt, stored, kFooterSize));
    damaged = got < kFooterSize;
  }
  std::optional<ArchiveHeader> header = headerFor(file, headerCopy);
  Result<ArchiveFooter> parsed = parseArchiveFooter(stored, kFooterSize);
  damaged = damaged || parsed.failed() || parsed->footerOffset != footerAt ||
            parsed->fileLength != footerAt + kFooterSize || (header && parsed->archiveId != header->archiveId);
  report.footerDamaged = damaged;
  if (!damaged || !repair || !bodyWhole || !header) return Status();
  std::optional<ArchiveFooter> rebuilt = footerFor(file, *header, layout, footerAt);
  if (!rebuilt) return Status();
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle update, openForUpdate(archivePath));
  uint8_t bytes[kFooterSize];
  rebuilt->serialize(bytes);
  TOLZEB_TRY(update.writeAt(footerAt, bytes, kFooterSize));
  TOLZEB_TRY(update.setFileLength(footerAt + kFooterSize));
  TOLZEB_TRY(update.flushFile());
  report.footerRebuilt = true;
  return Status();
}

// Every shard matching (or rebuilt) says nothing about structures the record does not cover, or
// about a body that was broken before it was protected: an archive is called whole only once it
// opens. Without the password an encrypted archive is checked up to its key.
void checkOpens(const std::wstring& archivePath, RecoveryReport& report) {
  Result<OpenArchive> opened = openArchive(archivePath, 0, nullptr);
  if (opened.hasValue() || opened.failure().code == StatusCode::authentication_failed) return;
  report.openFailure = opened.failure().message;
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
    // The record describes the body as it will stand: with the header it copies.
    if (g == 0 && headerCopy != nullptr && copyLength == kHeaderSize && protectedLength >= kHeaderSize)
      std::memcpy(work.data(), headerCopy, kHeaderSize);
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
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> record,
                          buildRecoveryRecord(archivePath, length, percent, markedBytes, kHeaderSize, progress));

  ArchiveFooter footer = extent.footer;
  footer.footerOffset = length + record.size();
  footer.fileLength = footer.footerOffset + kFooterSize;
  uint8_t footerBytes[kFooterSize];
  footer.serialize(footerBytes);
  const bool hadRecord = (extent.header.flags & kFlagRecoveryRecord) != 0 && extent.header.recoveryOffset != 0;
  TOLZEB_TRY(hadRecord ? replaceRecordByCopy(archivePath, length, record, markedBytes, footerBytes)
                       : addRecordInPlace(archivePath, extent, length, record, markedBytes, footerBytes));
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
  // checked against the file before anything is allocated or written. A file
  // cut short may end inside the parity area: those shards count as lost.
  TOLZEB_ASSIGN_OR_RETURN(uint64_t fileSize, file.fileSize());
  const bool consistent = recoveryLayoutConsistent(layout);
  if (!rangeFits(recordOffset, layout.recordSize, fileSize) &&
      (!consistent || !isPlanned(layout) || !rangeFits(recordOffset, layout.metadataSize(), fileSize)))
    return truncatedRecord();
  if (!consistent) return Failure{StatusCode::corrupt_archive, L"The recovery record's layout does not match its size"};
  if (layout.protectedLength > recordOffset)
    return Failure{StatusCode::corrupt_archive, L"The archive is shorter than its recovery record expects"};
  if (layout.protectedLength < recordOffset)
    return Failure{StatusCode::corrupt_archive, L"The recovery record does not follow the body it protects"};

  StoredRecord record;
  record.bytes.assign(size_t(layout.recordSize), 0);
  record.available = std::min(layout.recordSize, fileSize - recordOffset);
  TOLZEB_ASSIGN_OR_RETURN(got, file.readAt(recordOffset, record.bytes.data(), record.available));
  if (got < record.available) return truncatedRecord();

  RecoveryReport report;
  report.layout = layout;
  const size_t s = layout.shardSize, d = layout.dataShards, p = layout.parityShards;
  std::vector<uint8_t> work((d + p) * s), asRead, scratch;
  std::vector<uint8_t> present(d + p), missing(d + p);
  UniqueHandle update;
  Progress status;
  status.phase = repair ? Progress::Phase::Restoring : Progress::Phase::Verifying;
  status.bytesTotal = layout.protectedLength;
  for (uint32_t g = 0; g < layout.groupCount; ++g) {
    for (uint32_t j = 0; j < d; ++j) TOLZEB_TRY(readShardRow(file, layout, g, j, work.data() + j * s));
    std::memcpy(work.data() + d * s, &record.bytes[size_t(layout.parityOffset(g, 0))], p * s);
    uint64_t groupDamage = 0;
    for (uint32_t k = 0; k < d + p; ++k) {
      ++report.shardsChecked;
      missing[k] = k >= d && layout.parityOffset(g, k - uint32_t(d)) + s > record.available;
      const uint8_t* entry = &record.bytes[size_t(layout.checksumOffset(g, k))];
      present[k] = !missing[k] && crc32c(0, work.data() + k * s, s) == readU32le(entry);
      groupDamage += !present[k];
    }
    report.damagedShards += groupDamage;
    if (groupDamage != 0) {
      asRead = work;
      const bool anyMissing = std::any_of(missing.begin(), missing.end(), [](uint8_t lost) { return lost != 0; });
      bool whole = false;
      if (!anyMissing) {
        TOLZEB_ASSIGN_OR_RETURN(whole, groupConsistent(layout, work.data(), scratch));
      }
      if (!whole && groupDamage > p) {
        ++report.groupsBeyondRepair;
      } else if (repair) {
        if (!whole) {
          TOLZEB_TRY(ReedSolomon::reconstruct(work.data(), present.data(), d, p, s));
          // The code leaves lost parity alone when no data shard was lost; the record needs it.
          TOLZEB_TRY(ReedSolomon::encode(work.data(), d, s, work.data() + d * s, p));
        }
        for (uint32_t k = 0; k < d + p; ++k) {
          if (present[k]) continue;
          const uint8_t* rebuilt = work.data() + k * s;
          const bool shardLost = missing[k] || std::memcmp(rebuilt, asRead.data() + k * s, s) != 0;
          if (!isValidHandle(update)) {
            TOLZEB_ASSIGN_OR_RETURN(update, openForUpdate(archivePath));
          }
          if (shardLost) TOLZEB_TRY(writeShard(update, layout, recordOffset, g, k, rebuilt));
          uint8_t* entry = &record.bytes[size_t(layout.checksumOffset(g, k))];
          const uint32_t crc = crc32c(0, rebuilt, s);
          if (readU32le(entry) != crc) {
            writeU32le(entry, crc);
            TOLZEB_TRY(update.writeAt(recordOffset + layout.checksumOffset(g, k), entry, 4));
          }
          ++report.shardsRebuilt;
        }
      }
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
  const bool bodyWhole = report.groupsBeyondRepair == 0;
  TOLZEB_TRY(checkFooter(archivePath, file, layout, recordOffset, headerCopy, bodyWhole, repair, report));
  const bool shardsWhole = report.groupsBeyondRepair == 0 && (repair || report.damagedShards == 0);
  if (shardsWhole && (!report.footerDamaged || report.footerRebuilt)) {
    file.close();
    checkOpens(archivePath, report);
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

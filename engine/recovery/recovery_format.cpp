#include "engine/recovery/recovery_format.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"
#include "engine/core/fs.h"
#include "engine/recovery/archive_extent.h"

namespace tolzeb {
namespace {

constexpr char kMagic[8] = {'F', 'A', 'B', 'R', 'C', 'V', 'R', '1'};
constexpr uint16_t kRecoveryVersion = 1;
constexpr uint64_t kMinShardSize = 4096;
constexpr uint64_t kMaxShardSize = 65536;
constexpr uint64_t kMaxDataShards = 200;
constexpr size_t kRecoveryCrcAt = 184;
constexpr size_t kCopyAt = 52;
constexpr uint64_t kScanWindow = 64ull << 20;
constexpr uint64_t kMaxPlannedRecord = 4ull << 30;  // the largest record protecting writes

uint64_t ceilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

Failure noRecord() { return Failure{StatusCode::not_found, L"This archive has no recovery record"}; }

// A genuine record is followed by exactly the footer, or, when the file was cut short, it starts
// right where the body it protects ends. Any other match is data that happens to hold a record (a
// protected archive stored inside this one, say).
bool placedAsStored(const RecoveryLayout& layout, uint64_t position, uint64_t fileSize) {
  std::optional<uint64_t> end = checkedAdd(position, layout.recordSize);
  if (!end) return false;
  if (*end <= fileSize && fileSize - *end == kFooterSize) return true;
  return layout.protectedLength == position && *end + kFooterSize > fileSize &&
         position + layout.metadataSize() <= fileSize;
}

// Every offset at which a record the planner can produce (and this build writes: up to 4 GiB) ends
// exactly where a file of `fileSize` bytes keeps its footer. A layout depends on the protected
// length only through its shard size, data shards and group count, so walking those (and the
// percents) gives every record size R, and each R fixes its offset.
std::vector<uint64_t> plannedRecordPositions(uint64_t fileSize) {
  std::vector<uint64_t> positions;
  if (fileSize < kFooterSize + kRecoveryHeaderSize + kHeaderSize) return positions;
  const uint64_t room = fileSize - kFooterSize;
  auto consider = [&](uint64_t recordSize, uint32_t percent) {
    if (recordSize >= room) return;
    const uint64_t position = room - recordSize;
    Result<RecoveryLayout> planned = planRecoveryLayout(position, percent);
    if (planned.hasValue() && planned->recordSize == recordSize) positions.push_back(position);
  };
  for (uint32_t percent = kRecoveryMinPercent; percent <= kRecoveryMaxPercent; ++percent) {
    for (uint64_t shard = kMinShardSize; shard <= kMaxShardSize; shard += kMinShardSize) {
      for (uint64_t data = 1; data <= kMaxDataShards; ++data) {
        uint64_t parity = std::min<uint64_t>(std::max<uint64_t>(ceilDiv(percent * data, 100), 1), 255 - data);
        uint64_t perGroup = shard * parity + (data + parity) * 4;
        uint64_t groups = 1;
        // Only full-size groups come in numbers; smaller geometries always form one group.
        const bool manyGroups = shard == kMaxShardSize && data == kMaxDataShards;
        for (uint64_t recordSize = perGroup + kRecoveryHeaderSize; recordSize <= kMaxPlannedRecord;
             recordSize += perGroup, ++groups) {
          consider(recordSize, percent);
          if (!manyGroups || groups * data * shard > room) break;
        }
      }
    }
  }
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  return positions;
}

// The record offset the archive header names, when the header itself is intact.
std::optional<uint64_t> recordOffsetFromHeader(const std::wstring& archivePath) {
  Result<UniqueHandle> file = openForRead(archivePath);
  if (file.failed()) return std::nullopt;
  uint8_t bytes[kHeaderSize];
  Result<uint64_t> got = file->readAt(0, bytes, kHeaderSize);
  if (got.failed()) return std::nullopt;
  Result<ArchiveHeader> header = parseArchiveHeader(bytes, size_t(*got));
  if (header.failed() || (header->flags & kFlagRecoveryRecord) == 0 || header->recoveryOffset == 0) return std::nullopt;
  return header->recoveryOffset;
}

}  // namespace

uint64_t RecoveryLayout::metadataSize() const {
  return kRecoveryHeaderSize + uint64_t(groupCount) * (uint64_t(dataShards) + parityShards) * 4;
}

uint64_t RecoveryLayout::parityOffset(uint32_t group, uint32_t index) const {
  return metadataSize() + (uint64_t(group) * parityShards + index) * shardSize;
}

uint64_t RecoveryLayout::checksumOffset(uint32_t group, uint32_t shard) const {
  return kRecoveryHeaderSize + 4 * (uint64_t(group) * (uint64_t(dataShards) + parityShards) + shard);
}

Result<RecoveryLayout> planRecoveryLayout(uint64_t protectedLength, uint32_t percent) {
  if (protectedLength == 0)
    return Failure{StatusCode::invalid_argument, L"There is nothing to protect with a recovery record"};
  if (percent < kRecoveryMinPercent || percent > kRecoveryMaxPercent)
    return Failure{StatusCode::invalid_argument, L"A recovery record must reserve between 1% and 30%"};
  RecoveryLayout layout;
  layout.percent = percent;
  layout.protectedLength = protectedLength;
  uint64_t shard = ceilDiv(ceilDiv(protectedLength, kMaxDataShards), kMinShardSize) * kMinShardSize;
  layout.shardSize = uint32_t(std::min(shard, kMaxShardSize));
  layout.dataShards = uint32_t(std::clamp<uint64_t>(ceilDiv(protectedLength, layout.shardSize), 1, kMaxDataShards));
  uint64_t parity = std::max<uint64_t>(ceilDiv(uint64_t(percent) * layout.dataShards, 100), 1);
  layout.parityShards = uint32_t(std::min<uint64_t>(parity, 255 - layout.dataShards));
  // L is a file offset, so G stays far below 2^32 for any real file.
  layout.groupCount =
      uint32_t(std::max<uint64_t>(ceilDiv(protectedLength, uint64_t(layout.dataShards) * layout.shardSize), 1));
  layout.recordSize = uint64_t(layout.groupCount) * (uint64_t(layout.shardSize) * layout.parityShards +
                                                     (uint64_t(layout.dataShards) + layout.parityShards) * 4) +
                      kRecoveryHeaderSize;
  return layout;
}

void writeRecoveryHeader(uint8_t out[kRecoveryHeaderSize], const RecoveryLayout& layout, const uint8_t* copy,
                         uint64_t copyLength) {
  std::memset(out, 0, kRecoveryHeaderSize);
  std::memcpy(out, kMagic, sizeof(kMagic));
  writeU16le(out + 8, kRecoveryVersion);
  writeU32le(out + 12, layout.shardSize);
  writeU64le(out + 16, layout.protectedLength);
  writeU32le(out + 24, layout.groupCount);
  writeU32le(out + 28, layout.dataShards);
  writeU32le(out + 32, layout.parityShards);
  writeU32le(out + 36, layout.percent);
  writeU64le(out + 40, layout.recordSize);
  writeU32le(out + 48, uint32_t(copyLength));
  if (copy != nullptr && copyLength >= 1 && copyLength <= kHeaderSize) std::memcpy(out + kCopyAt, copy, copyLength);
  writeU32le(out + kRecoveryCrcAt, crc32c(0, out, kRecoveryHeaderSize));
}

Result<RecoveryLayout> parseRecoveryHeader(const uint8_t* data, uint64_t available, std::vector<uint8_t>& headerCopy) {
  if (available < kRecoveryHeaderSize)
    return Failure{StatusCode::corrupt_archive, L"Recovery record header is too short"};
  if (std::memcmp(data, kMagic, sizeof(kMagic)) != 0)
    return Failure{StatusCode::corrupt_archive, L"No recovery record where one was expected"};
  if (recordCrc32c(data, kRecoveryHeaderSize, kRecoveryCrcAt) != readU32le(data + kRecoveryCrcAt))
    return Failure{StatusCode::corrupt_archive, L"The recovery record's own header failed its checksum"};
  if (readU16le(data + 8) != kRecoveryVersion)
    return Failure{StatusCode::unsupported_version, L"This recovery record was written by a newer version of TOLZEB"};
  RecoveryLayout layout;
  layout.shardSize = readU32le(data + 12);
  layout.protectedLength = readU64le(data + 16);
  layout.groupCount = readU32le(data + 24);
  layout.dataShards = readU32le(data + 28);
  layout.parityShards = readU32le(data + 32);
  layout.percent = readU32le(data + 36);
  layout.recordSize = readU64le(data + 40);
  if (layout.shardSize == 0 || layout.dataShards == 0 || layout.parityShards == 0 || layout.groupCount == 0)
    return Failure{StatusCode::corrupt_archive, L"Recovery record describes an empty layout"};
  if (uint64_t(layout.dataShards) + layout.parityShards >= 256)
    return Failure{StatusCode::corrupt_archive, L"Recovery record asks for more shards than the code supports"};
  uint32_t copyLength = readU32le(data + 48);
  if (copyLength > kHeaderSize)
    return Failure{StatusCode::corrupt_archive, L"Recovery record header copy is too large"};
  headerCopy.assign(data + kCopyAt, data + kCopyAt + copyLength);
  return layout;
}

bool recoveryLayoutConsistent(const RecoveryLayout& layout) {
  // parseRecoveryHeader bounds D + P below 256 and S, G to 32 bits, so none of
  // this overflows.
  if (layout.shardSize > kMaxShardSize || layout.protectedLength < kHeaderSize) return false;
  uint64_t groupBytes = uint64_t(layout.dataShards) * layout.shardSize;
  if (layout.groupCount != ceilDiv(layout.protectedLength, groupBytes)) return false;
  uint64_t perGroup =
      uint64_t(layout.shardSize) * layout.parityShards + (uint64_t(layout.dataShards) + layout.parityShards) * 4;
  return layout.recordSize == uint64_t(layout.groupCount) * perGroup + kRecoveryHeaderSize;
}

Result<uint64_t> locateRecoveryRecord(const std::wstring& archivePath) {
  Result<ArchiveExtent> extent = readArchiveExtent(archivePath);
  if (extent.hasValue()) {
    if ((extent->header.flags & kFlagRecoveryRecord) != 0 && extent->header.recoveryOffset != 0)
      return extent->header.recoveryOffset;
    return noRecord();
  }
  // A cut or damaged tail leaves the header's pointer as the surest guide.
  if (std::optional<uint64_t> pointed = recordOffsetFromHeader(archivePath)) return *pointed;
  return scanForRecoveryRecord(archivePath);
}

Result<uint64_t> scanForRecoveryRecord(const std::wstring& archivePath) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(archivePath));
  TOLZEB_ASSIGN_OR_RETURN(uint64_t size, file.fileSize());
  uint64_t windowSize = std::min(size, kScanWindow);
  if (windowSize < kRecoveryHeaderSize) return noRecord();
  uint64_t windowStart = size - windowSize;
  std::vector<uint8_t> window(size_t(windowSize), 0);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(windowStart, window.data(), windowSize));
  std::vector<uint8_t> copy;
  for (uint64_t i = 0; i + kRecoveryHeaderSize <= got; ++i) {
    if (window[size_t(i)] != uint8_t(kMagic[0]) || std::memcmp(&window[size_t(i)], kMagic, sizeof(kMagic)) != 0)
      continue;
    Result<RecoveryLayout> layout = parseRecoveryHeader(&window[size_t(i)], got - i, copy);
    if (layout.failed()) continue;
    if (placedAsStored(*layout, windowStart + i, size)) return windowStart + i;
  }
  // A record that starts before the window can only lie where the planner puts it: right behind
  // the body it protects, ending where the footer begins.
  if (windowStart == 0) return noRecord();
  for (uint64_t position : plannedRecordPositions(size)) {
    if (position >= windowStart) continue;
    uint8_t header[kRecoveryHeaderSize];
    TOLZEB_ASSIGN_OR_RETURN(got, file.readAt(position, header, kRecoveryHeaderSize));
    Result<RecoveryLayout> layout = parseRecoveryHeader(header, got, copy);
    if (layout.hasValue() && layout->protectedLength == position && placedAsStored(*layout, position, size))
      return position;
  }
  return noRecord();
}

}  // namespace tolzeb

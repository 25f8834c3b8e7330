#include <cstring>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"

namespace tolzeb {

namespace {

constexpr size_t kFooterArchiveIdAt = 8;
constexpr size_t kManifestCrcAt = 24;
constexpr size_t kChunkTableCrcAt = 28;
constexpr size_t kFooterOffsetAt = 32;
constexpr size_t kFileLengthAt = 40;
constexpr size_t kFooterCrcAt = 48;  // covers the 48 bytes before it
constexpr size_t kFooterReservedAt = 52;

}  // namespace

void ArchiveFooter::serialize(uint8_t out[kFooterSize]) const {
  std::memset(out, 0, kFooterSize);
  std::memcpy(out, kFooterMagic, kMagicSize);
  std::memcpy(out + kFooterArchiveIdAt, archiveId.data(), archiveId.size());
  writeU32le(out + kManifestCrcAt, manifestCrc);
  writeU32le(out + kChunkTableCrcAt, chunkTableCrc);
  writeU64le(out + kFooterOffsetAt, footerOffset);
  writeU64le(out + kFileLengthAt, fileLength);
  writeU32le(out + kFooterCrcAt, crc32c(0, out, kFooterCrcAt));
}

Result<ArchiveFooter> parseArchiveFooter(const uint8_t* data, size_t length) {
  if (length < kFooterSize) return Failure{StatusCode::corrupt_archive, L"Truncated archive footer"};
  if (std::memcmp(data, kFooterMagic, kMagicSize) != 0)
    return Failure{StatusCode::corrupt_archive, L"Archive footer magic missing; the file is truncated or not a .zeb"};
  if (readU32le(data + kFooterCrcAt) != crc32c(0, data, kFooterCrcAt))
    return Failure{StatusCode::corrupt_archive, L"Archive footer checksum mismatch"};
  for (size_t i = kFooterReservedAt; i < kFooterSize; ++i) {
    if (data[i] != 0) return Failure{StatusCode::corrupt_archive, L"Reserved footer bytes are not zero"};
  }
  ArchiveFooter footer;
  std::memcpy(footer.archiveId.data(), data + kFooterArchiveIdAt, footer.archiveId.size());
  footer.manifestCrc = readU32le(data + kManifestCrcAt);
  footer.chunkTableCrc = readU32le(data + kChunkTableCrcAt);
  footer.footerOffset = readU64le(data + kFooterOffsetAt);
  footer.fileLength = readU64le(data + kFileLengthAt);
  return footer;
}

}  // namespace tolzeb

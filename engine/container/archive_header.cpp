#include <cstring>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"

namespace tolzeb {

namespace {

constexpr size_t kVersionMajorAt = 8;
constexpr size_t kVersionMinorAt = 10;
constexpr size_t kHeaderSizeAt = 16;
constexpr size_t kChunkSizeAt = 20;
constexpr size_t kHeaderArchiveIdAt = 24;
constexpr size_t kManifestOffsetAt = 40;  // then eight more uint64 fields, 8 bytes apart
constexpr size_t kHeaderReservedAt = 124;

}  // namespace

void ArchiveHeader::serialize(uint8_t out[kHeaderSize]) const {
  std::memset(out, 0, kHeaderSize);
  std::memcpy(out, kHeaderMagic, kMagicSize);
  writeU16le(out + kVersionMajorAt, versionMajor);
  writeU16le(out + kVersionMinorAt, versionMinor);
  writeU32le(out + kHeaderFlagsAt, flags);
  writeU32le(out + kHeaderSizeAt, headerSize);
  writeU32le(out + kChunkSizeAt, chunkSize);
  std::memcpy(out + kHeaderArchiveIdAt, archiveId.data(), archiveId.size());
  const uint64_t fields[] = {manifestOffset,   manifestLength, chunkTableOffset, chunkCount,    dictionaryOffset,
                             dictionaryLength, totalBytes,     securityOffset,   securityLength};
  for (size_t i = 0; i < 9; ++i) writeU64le(out + kManifestOffsetAt + 8 * i, fields[i]);
  writeU64le(out + kHeaderRecoveryOffsetAt, recoveryOffset);
  writeU32le(out + kHeaderCrcAt, crc32c(0, out, kHeaderSize));
}

Result<ArchiveHeader> parseArchiveHeader(const uint8_t* data, size_t length) {
  if (length < kHeaderSize) return Failure{StatusCode::corrupt_archive, L"Archive is smaller than the 128 byte header"};
  if (std::memcmp(data, kHeaderMagic, kMagicSize) != 0)
    return Failure{StatusCode::corrupt_archive, L"Not a TOLZEB archive (bad magic)"};
  if (readU32le(data + kHeaderCrcAt) != recordCrc32c(data, kHeaderSize, kHeaderCrcAt))
    return Failure{StatusCode::corrupt_archive, L"Archive header checksum mismatch"};

  ArchiveHeader header;
  header.versionMajor = readU16le(data + kVersionMajorAt);
  header.versionMinor = readU16le(data + kVersionMinorAt);
  header.flags = readU32le(data + kHeaderFlagsAt);
  header.headerSize = readU32le(data + kHeaderSizeAt);
  header.chunkSize = readU32le(data + kChunkSizeAt);
  std::memcpy(header.archiveId.data(), data + kHeaderArchiveIdAt, header.archiveId.size());
  uint64_t* fields[] = {&header.manifestOffset, &header.manifestLength,   &header.chunkTableOffset,
                        &header.chunkCount,     &header.dictionaryOffset, &header.dictionaryLength,
                        &header.totalBytes,     &header.securityOffset,   &header.securityLength};
  for (size_t i = 0; i < 9; ++i) *fields[i] = readU64le(data + kManifestOffsetAt + 8 * i);
  header.recoveryOffset = readU64le(data + kHeaderRecoveryOffsetAt);

  if (header.versionMajor != kFormatVersionMajor)
    return Failure{StatusCode::unsupported_version, L"Archive major version " + decimal(uint32_t(header.versionMajor)) +
                                                        L" is not supported by this build"};
  if (header.versionMinor < kFormatVersionMinor)
    return Failure{StatusCode::unsupported_version, L"Archive was written by a pre-release build (format 1." +
                                                        decimal(uint32_t(header.versionMinor)) +
                                                        L"); re-create it with this version"};
  if (header.headerSize != kHeaderSize)
    return Failure{StatusCode::corrupt_archive, L"Archive header size field is not 128"};
  if (header.flags > kKnownFlags)
    return Failure{StatusCode::unsupported_version, L"Archive requires an unknown feature flag"};
  if (header.recoveryOffset != 0 && (header.flags & kFlagRecoveryRecord) == 0)
    return Failure{StatusCode::corrupt_archive, L"Archive names a recovery record but does not claim to have one"};
  if (readU32le(data + kHeaderReservedAt) != 0)
    return Failure{StatusCode::corrupt_archive, L"Reserved header bytes are not zero"};
  if (header.chunkSize < kMinChunkSizeBytes || header.chunkSize > kMaxChunkSizeBytes)
    return Failure{StatusCode::corrupt_archive, L"Archive declares an out-of-range chunk size"};
  return header;
}

}  // namespace tolzeb

#include <cstring>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"

namespace tolzeb {

namespace {

constexpr size_t kGroupOffsetAt = 0;
constexpr size_t kDecodedSizeAt = 8;
constexpr size_t kStoredOffsetAt = 12;
constexpr size_t kStoredSizeAt = 20;
constexpr size_t kCodecAt = 24;
constexpr size_t kBlockFlagsAt = 25;
constexpr size_t kDictionaryIdAt = 26;
constexpr size_t kDescriptorCrcAt = 28;
constexpr size_t kSha256At = 32;
constexpr size_t kNonceCounterAt = 64;
constexpr size_t kDescriptorReservedAt = 72;

}  // namespace

void ChunkDescriptor::serialize(uint8_t out[kChunkDescriptorSize]) const {
  std::memset(out, 0, kChunkDescriptorSize);
  writeU64le(out + kGroupOffsetAt, groupOffset);
  writeU32le(out + kDecodedSizeAt, decodedSize);
  writeU64le(out + kStoredOffsetAt, storedOffset);
  writeU32le(out + kStoredSizeAt, storedSize);
  out[kCodecAt] = codec;
  out[kBlockFlagsAt] = blockFlags;
  writeU16le(out + kDictionaryIdAt, dictionaryId);
  writeU32le(out + kDescriptorCrcAt, crc32c);
  std::memcpy(out + kSha256At, sha256.data(), sha256.size());
  writeU64le(out + kNonceCounterAt, nonceCounter);
}

Result<ChunkDescriptor> parseChunkDescriptor(const uint8_t* data, size_t length) {
  if (length < kChunkDescriptorSize) return Failure{StatusCode::corrupt_archive, L"Truncated chunk descriptor"};
  ChunkDescriptor chunk;
  chunk.groupOffset = readU64le(data + kGroupOffsetAt);
  chunk.decodedSize = readU32le(data + kDecodedSizeAt);
  chunk.storedOffset = readU64le(data + kStoredOffsetAt);
  chunk.storedSize = readU32le(data + kStoredSizeAt);
  chunk.codec = data[kCodecAt];
  chunk.blockFlags = data[kBlockFlagsAt];
  chunk.dictionaryId = readU16le(data + kDictionaryIdAt);
  chunk.crc32c = readU32le(data + kDescriptorCrcAt);
  std::memcpy(chunk.sha256.data(), data + kSha256At, chunk.sha256.size());
  chunk.nonceCounter = readU64le(data + kNonceCounterAt);

  if (chunk.codec >= kCodecCount)
    return Failure{StatusCode::unsupported_version,
                   L"Chunk uses codec id " + decimal(uint32_t(chunk.codec)) + L", which this build does not implement"};
  if (chunk.blockFlags != 0) return Failure{StatusCode::unsupported_version, L"Chunk sets unknown block flags"};
  if (readU64le(data + kDescriptorReservedAt) != 0)
    return Failure{StatusCode::corrupt_archive, L"Reserved chunk bytes are not zero"};
  if (chunk.decodedSize > kMaxBlockSize)
    return Failure{StatusCode::corrupt_archive, L"Chunk declares a decoded size above the 4 MiB block limit"};
  if (chunk.decodedSize == 0) return Failure{StatusCode::corrupt_archive, L"Chunk declares a zero decoded size"};
  return chunk;
}

}  // namespace tolzeb

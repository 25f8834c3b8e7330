// The fixed-size records of a ".zeb" archive: header, chunk descriptor, security section and
// footer, each with its writer and its parser. Parsers check in storage order and return the
// first failure; each record's CRC-32C is taken with its own field zero (the footer's over the 48
// bytes before the field). All functions are pure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/container/container_format.h"
#include "engine/core/status.h"

namespace tolzeb {

// 16 random bytes chosen at creation; header, footer, part files and every sealed object's
// authenticated data carry it.
using ArchiveId = std::array<uint8_t, 16>;

// From the system's preferred generator; code 1 "BCryptGenRandom failed while creating archive id".
Result<ArchiveId> newArchiveId();

inline bool sameArchiveId(const ArchiveId& a, const ArchiveId& b) { return a == b; }

struct ArchiveHeader {
  uint16_t versionMajor = kFormatVersionMajor;
  uint16_t versionMinor = kFormatVersionMinor;
  uint32_t flags = 0;
  uint32_t headerSize = kHeaderSize;
  uint32_t chunkSize = kDefaultChunkSizeBytes;
  ArchiveId archiveId{};
  uint64_t manifestOffset = 0;
  uint64_t manifestLength = 0;
  uint64_t chunkTableOffset = 0;
  uint64_t chunkCount = 0;
  uint64_t dictionaryOffset = 0;  // where the chunk table begins when there is no dictionary; 0 is read too
  uint64_t dictionaryLength = 0;
  uint64_t totalBytes = 0;
  uint64_t securityOffset = 0;
  uint64_t securityLength = 0;
  uint64_t recoveryOffset = 0;

  // Magic, fields, zero reserved bytes, then the CRC at offset 112.
  void serialize(uint8_t out[kHeaderSize]) const;
};

// Does not refuse the split-volumes flag; opening does.
Result<ArchiveHeader> parseArchiveHeader(const uint8_t* data, size_t length);

struct ChunkDescriptor {
  uint64_t groupOffset = 0;  // position of the chunk's first decoded byte within its group
  uint32_t decodedSize = 0;
  uint64_t storedOffset = 0;
  uint32_t storedSize = 0;  // with the 16-byte tag when encrypted
  uint8_t codec = kCodecStored;
  uint8_t blockFlags = 0;
  uint16_t dictionaryId = 0;         // 0 = none
  uint32_t crc32c = 0;               // of the decoded bytes
  std::array<uint8_t, 32> sha256{};  // of the decoded bytes under header flag 8, else zero
  uint64_t nonceCounter = 0;         // the chunk index when encrypted, else 0

  void serialize(uint8_t out[kChunkDescriptorSize]) const;
};

Result<ChunkDescriptor> parseChunkDescriptor(const uint8_t* data, size_t length);

struct SecuritySection {
  uint16_t kdfId = kKdfPbkdf2Sha256;
  uint16_t cipherId = kCipherAes256Gcm;
  uint32_t kdfIterations = 600000;
  std::array<uint8_t, kSaltSize> salt{};
  uint32_t noncePrefix = 0;  // the first 4 bytes of every nonce, as stored (little-endian)
  std::array<uint8_t, kTagSize> keyCheckTag{};

  void serialize(uint8_t out[kSecuritySectionSize]) const;
};

Result<SecuritySection> parseSecuritySection(const uint8_t* data, size_t length);

struct ArchiveFooter {
  ArchiveId archiveId{};
  uint32_t manifestCrc = 0;    // of the stored (sealed) manifest
  uint32_t chunkTableCrc = 0;  // of the stored (sealed) chunk table; 0 when it is empty
  uint64_t footerOffset = 0;   // file length - 64
  uint64_t fileLength = 0;

  void serialize(uint8_t out[kFooterSize]) const;
};

Result<ArchiveFooter> parseArchiveFooter(const uint8_t* data, size_t length);

}  // namespace tolzeb

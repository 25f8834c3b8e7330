// The ".zeb" container's fixed sizes, magics, flags, codec numbers, limits and sealing counters.
//
// File order: header (128 bytes at 0), chunk payloads from 128 in chunk order, the dictionary
// section (optional), the chunk table (80 bytes per chunk), the manifest, the security section
// (encrypted archives only), a recovery record (optional) and the footer (the last 64 bytes).
// Every integer is little-endian; reserved bytes are written as zero and must read as zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolzeb {

inline constexpr size_t kHeaderSize = 128;
inline constexpr size_t kChunkDescriptorSize = 80;
inline constexpr size_t kSecuritySectionSize = 96;
inline constexpr size_t kFooterSize = 64;
inline constexpr size_t kDictionarySectionHeadSize = 16;
inline constexpr size_t kDictionaryRecordSize = 48;
inline constexpr uint64_t kMinArchiveSize = kHeaderSize + kFooterSize;

// Header fields that sealing rewrites in place as well as the header record itself.
inline constexpr size_t kHeaderFlagsAt = 12;
inline constexpr size_t kHeaderCrcAt = 112;
inline constexpr size_t kHeaderRecoveryOffsetAt = 116;

inline constexpr size_t kMagicSize = 8;
inline constexpr char kHeaderMagic[kMagicSize] = {'T', 'O', 'L', 'Z', 'E', 'B', '1', 0};
inline constexpr char kDictionaryMagic[kMagicSize] = {'Z', 'E', 'B', 'D', 'I', 'C', '1', 0};
inline constexpr char kSecurityMagic[kMagicSize] = {'Z', 'E', 'B', 'S', 'E', 'C', '1', 0};
inline constexpr char kFooterMagic[kMagicSize] = {'Z', 'E', 'B', 'E', 'N', 'D', '1', 0};

inline constexpr uint16_t kFormatVersionMajor = 1;
inline constexpr uint16_t kFormatVersionMinor = 2;

// Header flags.
inline constexpr uint32_t kFlagEncrypted = 1;
inline constexpr uint32_t kFlagRecoveryRecord = 2;
inline constexpr uint32_t kFlagSplitVolumes = 4;  // never written; opening refuses it
inline constexpr uint32_t kFlagChunkHashes = 8;   // every chunk carries a SHA-256
inline constexpr uint32_t kKnownFlags = 15;

inline constexpr uint32_t kMinChunkSizeBytes = 262144;
inline constexpr uint32_t kMaxChunkSizeBytes = 4194304;
inline constexpr uint32_t kDefaultChunkSizeBytes = 2097152;
// Largest decoded chunk and largest preset dictionary.
inline constexpr uint32_t kMaxBlockSize = 4194304;

// Chunk and dictionary codecs.
inline constexpr uint8_t kCodecStored = 0;
inline constexpr uint8_t kCodecVelt = 1;
inline constexpr uint8_t kCodecVeltHuff = 2;
inline constexpr uint8_t kCodecCount = 3;

inline constexpr uint8_t kDictionaryEncodeLevel = 2;

inline constexpr uint16_t kKdfPbkdf2Sha256 = 1;
inline constexpr uint16_t kCipherAes256Gcm = 1;
inline constexpr uint32_t kMinArchiveKdfIterations = 100000;
inline constexpr uint32_t kMaxArchiveKdfIterations = 10000000;
inline constexpr size_t kSaltSize = 16;
inline constexpr size_t kTagSize = 16;
inline constexpr size_t kArchiveKeySize = 32;

// Nonce counters of the sealed sections; chunk counters stay below kMaxEncryptedChunks, so the
// two ranges never meet.
inline constexpr uint64_t kManifestCounter = 0xFFFFFFFFFFFFFFFFull;
inline constexpr uint64_t kChunkTableCounter = 0xFFFFFFFFFFFFFFFEull;
inline constexpr uint64_t kKeyCheckCounter = 0xFFFFFFFFFFFFFFFDull;
inline constexpr uint64_t kDictionaryCounter = 0xFFFFFFFFFFFFFFFCull;
inline constexpr uint64_t kMaxEncryptedChunks = 1ull << 48;

inline constexpr char kBlockAuthLabel[] = "TOLZEB-BLOCK-1";
inline constexpr char kManifestAuthLabel[] = "TOLZEB-MANIFEST-1";
inline constexpr char kChunkTableAuthLabel[] = "TOLZEB-CHUNKTABLE-1";
inline constexpr char kDictionaryAuthLabel[] = "TOLZEB-DICTIONARY-1";
inline constexpr char kKeyCheckAuthLabel[] = "TOLZEB-KEYCHECK-1";

// Limits that opening enforces before it allocates.
inline constexpr uint64_t kMaxManifestLength = 536870912;
inline constexpr uint64_t kMaxDictionarySectionLength =
    kMaxBlockSize + kDictionarySectionHeadSize + kDictionaryRecordSize + kTagSize;
inline constexpr uint64_t kDictionaryMemoryCeiling = kMaxBlockSize;
inline constexpr uint64_t kDecodeHuffmanBound = kMaxBlockSize;

// Manifest.
inline constexpr uint32_t kManifestVersion = 2;
inline constexpr size_t kManifestHeadSize = 12;
inline constexpr uint64_t kMaxEntryPathBytes = 32768;
inline constexpr uint64_t kMaxEntryAttributeRecords = 64;
inline constexpr uint64_t kFirstCriticalAttributeType = 0x8000;
// The smallest valid entry: a 1-byte path with its 1-byte length, type, attributes, modified,
// size, and one byte each for the chunk count, the offset and the attribute count.
inline constexpr uint64_t kMinManifestEntryBytes = 1 + 1 + 1 + 4 + 8 + 8 + 1 + 1 + 1;

inline constexpr uint8_t kEntryTypeFile = 0;
inline constexpr uint8_t kEntryTypeDirectory = 1;

}  // namespace tolzeb

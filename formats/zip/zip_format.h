// The .zip structures (APPNOTE with its ZIP64 extensions) as this system reads and writes them:
// signatures, record sizes, limits, and the parsed central directory shared by the reader's
// operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/deflate/inflate.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

inline constexpr uint32_t kZipLocalHeaderSignature = 0x04034b50;
inline constexpr uint32_t kZipCentralHeaderSignature = 0x02014b50;
inline constexpr uint32_t kZipEndRecordSignature = 0x06054b50;
inline constexpr uint32_t kZip64EndRecordSignature = 0x06064b50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064b50;

inline constexpr size_t kZipLocalHeaderSize = 30;
inline constexpr size_t kZipCentralHeaderSize = 46;
inline constexpr size_t kZipEndRecordSize = 22;
inline constexpr size_t kZip64EndRecordSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr size_t kZipLargestComment = 0xFFFF;

inline constexpr uint16_t kZip64ExtraId = 1;
// A 16- or 32-bit field holding its largest value says "the real value is in a ZIP64 record".
inline constexpr uint16_t kZip16BitEscape = 0xFFFF;
inline constexpr uint32_t kZip32BitEscape = 0xFFFFFFFF;

inline constexpr uint16_t kZipMethodStored = 0;
inline constexpr uint16_t kZipMethodDeflate = 8;
inline constexpr uint16_t kZipFlagEncrypted = 0x0001;
inline constexpr uint16_t kZipFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kZipFlagUtf8Name = 0x0800;
inline constexpr uint16_t kZipVersionDefault = 20;
inline constexpr uint16_t kZipVersionZip64 = 45;
inline constexpr uint32_t kZipDirectoryAttribute = 0x10;

// DOS date of 1 January 1980, midnight: what a time a DOS field cannot hold becomes.
inline constexpr uint16_t kZipDefaultDosDate = 0x0021;
inline constexpr uint16_t kZipDefaultDosTime = 0;

// Reader limits.
inline constexpr uint64_t kZipMaxEntries = 2000000;
inline constexpr uint64_t kZipMaxCentralDirectorySize = 0x10000000;
inline constexpr size_t kZipMaxNameBytes = 32768;
inline constexpr uint64_t kZipMaxEntryBytes = 0x20000000;

// One entry of the central directory.
struct ZipEntry {
  std::wstring path;  // decoded, trailing slashes removed, normalised
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t externalAttributes = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  bool isDirectory = false;
};

// An opened archive: the whole central directory, parsed and checked, and the open file.
struct ZipArchive {
  UniqueHandle file;
  std::vector<ZipEntry> entries;  // central directory order
  uint64_t fileLength = 0;
  uint64_t totalUncompressed = 0;  // over the file entries
};

// Reads the ZIP64 values the entry's central header escaped, in the order uncompressed size,
// compressed size, local header offset, from the first ID 1 block of the extra field.
Status parseZip64Extra(const uint8_t* extra, size_t length, ZipEntry& entry, bool needUncompressed,
                       bool needCompressed, bool needOffset);

// An entry name: strict UTF-8 when `utf8` (flag bit 11), code page 437 otherwise.
Result<std::wstring> decodeZipName(const uint8_t* bytes, size_t length, bool utf8);

// The DOS fields taken as local time, as a UTC FILETIME; 0 when they are not a valid time.
uint64_t dosTimeToFileTime(uint16_t dosDate, uint16_t dosTime);

ArchiveListing toZipListing(const ZipArchive& zip);

// The entry's decoded bytes, at most `cap` of them, checked against the CRC-32 when whole.
// Without `allowPrefix` an entry larger than `cap` fails with code 8.
Result<Bytes> readZipPayload(ZipArchive& zip, const ZipEntry& entry, uint64_t cap, bool allowPrefix);

// Decodes the entry into `sink` about 1 MiB at a time, whatever its size, and checks its declared
// size (decoding stops one byte past it) and its CRC-32.
Status streamZipPayload(ZipArchive& zip, const ZipEntry& entry, const InflateSink& sink);

}  // namespace tolzeb

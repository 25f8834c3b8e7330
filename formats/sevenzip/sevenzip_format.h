// The 7z container: signature header, property ids, method ids, the numbers and bit vectors of
// the header database, and the in-memory model the header parser fills for the readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/status.h"

namespace tolzeb {

inline constexpr uint8_t kSevenZipSignature[6] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};
inline constexpr uint64_t kSevenZipSignatureHeaderSize = 32;

// Property ids of the header database.
namespace sevenzip_id {
inline constexpr uint8_t kEnd = 0x00;
inline constexpr uint8_t kHeader = 0x01;
inline constexpr uint8_t kArchiveProperties = 0x02;
inline constexpr uint8_t kAdditionalStreamsInfo = 0x03;
inline constexpr uint8_t kMainStreamsInfo = 0x04;
inline constexpr uint8_t kFilesInfo = 0x05;
inline constexpr uint8_t kPackInfo = 0x06;
inline constexpr uint8_t kUnpackInfo = 0x07;
inline constexpr uint8_t kSubStreamsInfo = 0x08;
inline constexpr uint8_t kSize = 0x09;
inline constexpr uint8_t kCrc = 0x0A;
inline constexpr uint8_t kFolder = 0x0B;
inline constexpr uint8_t kCodersUnpackSize = 0x0C;
inline constexpr uint8_t kNumUnpackStream = 0x0D;
inline constexpr uint8_t kEmptyStream = 0x0E;
inline constexpr uint8_t kEmptyFile = 0x0F;
inline constexpr uint8_t kAnti = 0x10;
inline constexpr uint8_t kName = 0x11;
inline constexpr uint8_t kCTime = 0x12;
inline constexpr uint8_t kATime = 0x13;
inline constexpr uint8_t kMTime = 0x14;
inline constexpr uint8_t kWinAttributes = 0x15;
inline constexpr uint8_t kEncodedHeader = 0x17;
}  // namespace sevenzip_id

// Method ids, the id bytes read most significant first.
namespace sevenzip_method {
inline constexpr uint64_t kCopy = 0x00;
inline constexpr uint64_t kDelta = 0x03;
inline constexpr uint64_t kX86 = 0x04;
inline constexpr uint64_t kX86Long = 0x03030103;
inline constexpr uint64_t kBcj2 = 0x0303011B;
inline constexpr uint64_t kLzma2 = 0x21;
inline constexpr uint64_t kLzma = 0x030101;
inline constexpr uint64_t kDeflate = 0x040108;
inline constexpr uint64_t kBzip2 = 0x040202;
inline constexpr uint64_t kAes = 0x06F10701;
}  // namespace sevenzip_method

// Limits of what this build reads.
inline constexpr uint64_t kSevenZipMaxHeaderSize = 0x10000000;
inline constexpr uint64_t kSevenZipMaxEntries = 2000000;
inline constexpr uint64_t kSevenZipMaxPackedStreams = 2000000;
inline constexpr uint64_t kSevenZipMaxFolders = 1000000;
inline constexpr uint64_t kSevenZipMaxCoders = 32;
inline constexpr uint64_t kSevenZipMaxCoderStreams = 32;
inline constexpr uint64_t kSevenZipMaxCoderProperties = 0x100000;
inline constexpr uint64_t kSevenZipMaxSubstreams = 2000000;
inline constexpr uint64_t kSevenZipMaxPropertySize = 0x10000000;
inline constexpr uint64_t kSevenZipPackedHeaderCap = 0x10000000;

struct SevenZipCoder {
  uint64_t methodId = 0;
  uint64_t inputCount = 1;
  uint64_t outputCount = 1;
  std::vector<uint8_t> properties;
  uint64_t firstInputIndex = 0;
  uint64_t firstOutputIndex = 0;
};

struct SevenZipBindPair {
  uint64_t inputIndex = 0;
  uint64_t outputIndex = 0;
};

struct SevenZipFolder {
  std::vector<SevenZipCoder> coders;
  std::vector<SevenZipBindPair> bindPairs;
  std::vector<uint64_t> packedInputs;
  std::vector<uint64_t> unpackSizes;  // one per output stream
  uint64_t firstPackedStream = 0;
  uint64_t packedStreamCount = 0;
  uint32_t crc = 0;
  bool hasCrc = false;
  uint64_t substreamCount = 1;
  std::vector<uint64_t> substreamSizes;
  std::vector<uint32_t> substreamCrcs;
  std::vector<bool> substreamCrcDefined;

  uint64_t totalInputs() const;
  uint64_t totalOutputs() const;
  // The lowest output stream that no bind pair names: the folder's data.
  Result<uint64_t> mainOutput() const;
};

struct SevenZipStreamsInfo {
  uint64_t packPosition = 0;  // counted from the end of the signature header
  std::vector<uint64_t> packedSizes;
  std::vector<SevenZipFolder> folders;
};

struct SevenZipEntry {
  std::wstring name;  // '/'-separated
  bool isDirectory = false;
  uint64_t size = 0;
  uint32_t crc = 0;
  bool crcDefined = false;
  uint64_t modified = 0;  // FILETIME, 0 = none
  uint32_t attributes = 0;
  uint64_t folderIndex = 0;
  uint64_t offsetInFolder = 0;
};

// One open archive, owned by one operation.
struct SevenZipArchive {
  UniqueHandle file;
  uint64_t fileSize = 0;
  SevenZipStreamsInfo streams;
  std::vector<SevenZipEntry> entries;

  SevenZipArchive() = default;
  SevenZipArchive(SevenZipArchive&&) = default;
  SevenZipArchive& operator=(SevenZipArchive&&) = default;
  SevenZipArchive(const SevenZipArchive&) = delete;
  SevenZipArchive& operator=(const SevenZipArchive&) = delete;

  // The sum of the sizes of all entries that are not directories, at most 2^64 - 1.
  uint64_t totalFileBytes() const;
};

// --- Field encoders of the writer ---

// A NUMBER in its shortest form.
void appendSevenZipNumber(Bytes& out, uint64_t value);
// BITS: most significant bit first, the last byte padded with zero bits.
void appendBitVector(Bytes& out, const std::vector<bool>& bits);

}  // namespace tolzeb

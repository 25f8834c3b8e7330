// Part files: a ".zeb" cut into numbered byte ranges, each behind a 64-byte header that names the archive,
// the part's place in the set and the checksum of its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/container/archive_records.h"
#include "engine/core/status.h"

namespace tolzeb {

inline constexpr uint8_t kPartMagic[8] = {'Z', 'E', 'B', 'P', 'A', 'R', 'T', '1'};
inline constexpr size_t kPartHeaderSize = 64;
inline constexpr uint32_t kMaxPartCount = 100000;
inline constexpr uint64_t kMinPartSize = 65536;

struct PartHeader {
  ArchiveId archiveId{};
  uint32_t index = 0;  // 1-based
  uint32_t count = 0;
  uint64_t payloadOffset = 0;  // where this part's bytes lie in the archive
  uint64_t payloadLength = 0;
  uint64_t archiveLength = 0;  // the whole archive file
  uint32_t payloadCrc = 0;     // CRC-32C of the payload

  // Magic, fields, then the CRC-32C of the 64 bytes taken with that last field zero.
  void serialize(uint8_t out[kPartHeaderSize]) const;
};

// Checks, in order, length, magic, header checksum, count and index; every failure has code 3.
Result<PartHeader> parsePartHeader(const uint8_t* data, uint64_t available);

// The archive path + "." + the index with at least three digits: ".001" ... ".999", ".1000".
std::wstring partFileName(const std::wstring& archivePath, uint32_t index);

// The archive path a part's name was made from: everything before a last "." that only digits follow.
// Anything else fails with code 2.
Result<std::wstring> partBasePath(const std::wstring& partPath);

}  // namespace tolzeb

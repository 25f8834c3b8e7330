#include "engine/tools/part_format.h"

#include <algorithm>
#include <cstring>

#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"

namespace tolzeb {
namespace {

constexpr size_t kPartHeaderCrcAt = 60;

}  // namespace

void PartHeader::serialize(uint8_t out[kPartHeaderSize]) const {
  std::memcpy(out, kPartMagic, sizeof kPartMagic);
  std::copy(archiveId.begin(), archiveId.end(), out + 8);
  writeU32le(out + 24, index);
  writeU32le(out + 28, count);
  writeU64le(out + 32, payloadOffset);
  writeU64le(out + 40, payloadLength);
  writeU64le(out + 48, archiveLength);
  writeU32le(out + 56, payloadCrc);
  writeU32le(out + kPartHeaderCrcAt, recordCrc32c(out, kPartHeaderSize, kPartHeaderCrcAt));
}

Result<PartHeader> parsePartHeader(const uint8_t* data, uint64_t available) {
  if (available < kPartHeaderSize) {
    return makeFailure(StatusCode::corrupt_archive, L"Part file is shorter than its header");
  }
  if (std::memcmp(data, kPartMagic, sizeof kPartMagic) != 0) {
    return makeFailure(StatusCode::corrupt_archive, L"Not a TOLZEB part file");
  }
  if (recordCrc32c(data, kPartHeaderSize, kPartHeaderCrcAt) != readU32le(data + kPartHeaderCrcAt)) {
    return makeFailure(StatusCode::corrupt_archive, L"Part header checksum mismatch");
  }
  PartHeader header;
  std::copy(data + 8, data + 24, header.archiveId.begin());
  header.index = readU32le(data + 24);
  header.count = readU32le(data + 28);
  header.payloadOffset = readU64le(data + 32);
  header.payloadLength = readU64le(data + 40);
  header.archiveLength = readU64le(data + 48);
  header.payloadCrc = readU32le(data + 56);
  if (header.count == 0 || header.count > kMaxPartCount) {
    return makeFailure(StatusCode::corrupt_archive, L"Part header declares an absurd part count");
  }
  if (header.index == 0 || header.index > header.count) {
    return makeFailure(StatusCode::corrupt_archive, L"Part header declares an out-of-range index");
  }
  return header;
}

std::wstring partFileName(const std::wstring& archivePath, uint32_t index) {
  std::wstring digits = decimal(index);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
  return archivePath + L"." + digits;
}

Result<std::wstring> partBasePath(const std::wstring& partPath) {
  const size_t dot = partPath.rfind(L'.');
  const bool digitsFollow =
      dot != std::wstring::npos && dot + 1 < partPath.size() &&
      std::all_of(partPath.begin() + dot + 1, partPath.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
  if (!digitsFollow) {
    return makeFailure(StatusCode::invalid_argument, L"Expected a part file ending in .001, got: " + partPath);
  }
  return partPath.substr(0, dot);
}

}  // namespace tolzeb

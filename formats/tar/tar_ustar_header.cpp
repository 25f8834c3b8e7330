#include "formats/tar/tar_ustar_header.h"

#include <cstring>

#include "formats/tar/tar_format.h"

namespace tolzeb {
namespace {

using namespace tarformat;

constexpr uint64_t kEarliestWrittenTicks = 116444736009999999;
constexpr size_t kMaxPrefixedNameBytes = kPrefixWidth + 1 + kNameWidth;
constexpr uint32_t kFolderMode = 0755;
constexpr uint32_t kFileMode = 0644;
constexpr size_t kChecksumDigits = 6;

// `digits` octal digits with leading zeros, right-aligned, then NUL.
void putOctal(uint8_t* field, size_t digits, uint64_t value) {
  std::memset(field, '0', digits);
  for (size_t position = digits; position > 0 && value != 0; --position, value >>= 3)
    field[position - 1] = uint8_t('0' + (value & 7));
  field[digits] = 0;
}

// The GNU base-256 form of a 12-byte field: 0x80, three zero bytes, eight bytes big-endian.
void putBase256(uint8_t* field, uint64_t value) {
  field[0] = 0x80;
  for (size_t i = 0; i < 8; ++i) field[11 - i] = uint8_t(value >> (8 * i));
}

// A 12-byte numeric field: eleven octal digits while they suffice.
void putNumber12(uint8_t* field, uint64_t value) {
  if (value <= kMaxOctalSize)
    putOctal(field, 11, value);
  else
    putBase256(field, value);
}

}  // namespace

bool splitUstarName(const std::string& name, std::string& prefix, std::string& namePart) {
  const size_t length = name.size();
  if (length <= kNameWidth) {
    prefix.clear();
    namePart = name;
    return true;
  }
  if (length > kMaxPrefixedNameBytes) return false;
  // The separator must leave at most 100 bytes after it and at least one.
  const size_t split = name.find('/', length - kNameWidth - 1);
  if (split == std::string::npos || split > length - 2 || split > kPrefixWidth) return false;
  prefix = name.substr(0, split);
  namePart = name.substr(split + 1);
  return true;
}

Result<UstarHeader> formatUstarHeader(const std::string& name, char typeflag, uint64_t size, uint64_t mtimeSeconds) {
  std::string prefix, namePart;
  if (!splitUstarName(name, prefix, namePart))
    return Failure{StatusCode::invalid_argument, L"tar: name does not fit the ustar fields"};
  UstarHeader header{};
  std::memcpy(header.data() + kNameOffset, namePart.data(), namePart.size());
  putOctal(header.data() + kModeOffset, 7, typeflag == kTypeDirectory ? kFolderMode : kFileMode);
  putOctal(header.data() + kUidOffset, 7, 0);
  putOctal(header.data() + kGidOffset, 7, 0);
  putNumber12(header.data() + kSizeOffset, size);
  putNumber12(header.data() + kMtimeOffset, mtimeSeconds);
  header[kTypeflagOffset] = uint8_t(typeflag);
  std::memcpy(header.data() + kMagicOffset, kUstarMagic, sizeof kUstarMagic);
  std::memcpy(header.data() + kVersionOffset, kUstarVersion, kVersionWidth);
  std::memcpy(header.data() + kPrefixOffset, prefix.data(), prefix.size());

  std::memset(header.data() + kChecksumOffset, ' ', kChecksumWidth);
  uint64_t checksum = 0;
  for (const uint8_t byte : header) checksum += byte;
  putOctal(header.data() + kChecksumOffset, kChecksumDigits, checksum);
  header[kChecksumOffset + kChecksumDigits + 1] = ' ';
  return header;
}

uint64_t ustarSecondsFromFileTime(uint64_t modified) {
  return modified > kEarliestWrittenTicks ? modified / kTicksPerSecond - kUnixEpochSeconds : 0;
}

}  // namespace tolzeb

#include "formats/tar/tar_fields.h"

#include <string_view>

#include "engine/core/text.h"
#include "formats/tar/tar_format.h"
#include "formats/tar/tar_platform.h"

namespace tolzeb {
namespace {

using namespace tarformat;

constexpr uint64_t kMaxBeforeByteShift = 0x00FFFFFFFFFFFFFF;
constexpr uint64_t kMaxBeforeOctalDigit = 0x1FFFFFFFFFFFFFFF;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number of at most `limit`; nullopt when empty, not all digits, or above the limit.
std::optional<uint64_t> parseDecimal(std::string_view text, uint64_t limit) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (!isDigit(c)) return std::nullopt;
    const uint64_t digit = uint64_t(c - '0');
    if (value > (limit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// The pax "mtime" value: whole seconds before an optional fraction. Returns false when the record
// is to be ignored (a sign, an exponent, any other character, or zero).
bool applyPaxTime(std::string_view value, uint64_t& modified) {
  const size_t point = value.find('.');
  const std::string_view whole = value.substr(0, point);
  uint64_t seconds = 0;
  for (const char c : whole) {
    if (!isDigit(c)) return false;
    // Saturate: every value from the limit up means the same "does not fit".
    if (seconds < kMaxTimeSeconds) seconds = seconds * 10 + uint64_t(c - '0');
  }
  if (seconds == 0) return false;
  modified = tarSecondsToFileTime(seconds);
  return true;
}

}  // namespace

Result<uint64_t> parseTarNumber(const uint8_t* field, size_t length) {
  if (length == 0) return Failure{StatusCode::corrupt_archive, L"tar: empty numeric field"};
  if (field[0] & 0x80) {
    if (field[0] & 0x40) return Failure{StatusCode::corrupt_archive, L"tar: negative base-256 field"};
    uint64_t value = field[0] & 0x3F;
    for (size_t i = 1; i < length; ++i) {
      if (value > kMaxBeforeByteShift) return Failure{StatusCode::corrupt_archive, L"tar: base-256 field overflows"};
      value = value << 8 | field[i];
    }
    return value;
  }
  uint64_t value = 0;
  bool seenDigit = false;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = field[i];
    if (byte == 0 || byte == ' ') {
      if (seenDigit) break;
      continue;
    }
    if (byte < '0' || byte > '7')
      return Failure{StatusCode::corrupt_archive, L"tar: non-octal digit in a numeric field"};
    if (value > kMaxBeforeOctalDigit) return Failure{StatusCode::corrupt_archive, L"tar: octal field overflows"};
    value = value * 8 + (byte - '0');
    seenDigit = true;
  }
  return value;
}

bool isNegativeBase256(const uint8_t* field, size_t length) { return length > 0 && (field[0] & 0xC0) == 0xC0; }

bool tarChecksumMatches(const uint8_t* header, uint64_t stored) {
  uint64_t unsignedSum = 0;
  int64_t signedSum = 0;
  for (size_t i = 0; i < kUstarHeaderSize; ++i) {
    const bool inChecksum = i >= kChecksumOffset && i < kChecksumOffset + kChecksumWidth;
    const uint8_t byte = inChecksum ? uint8_t(' ') : header[i];
    unsignedSum += byte;
    signedSum += int8_t(byte);
  }
  return stored == unsignedSum || (signedSum >= 0 && stored == uint64_t(signedSum));
}

std::wstring decodeTarName(const std::string& bytes) {
  if (bytes.empty()) return {};
  Result<std::wstring> utf8 = utf8ToUtf16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (utf8.hasValue()) return std::move(utf8).value();
  return ansiCodePageToUtf16(bytes);
}

uint64_t tarSecondsToFileTime(uint64_t seconds) {
  return seconds < kMaxTimeSeconds ? seconds * kTicksPerSecond + kUnixEpochTicks : 0;
}

void parsePaxRecords(const uint8_t* data, size_t size, PaxOverrides& overrides) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t position = 0;
  while (position < size) {
    const size_t space = all.find(' ', position);
    if (space == std::string_view::npos || space == position) return;
    uint64_t length = 0;
    for (size_t i = position; i < space; ++i) {
      if (!isDigit(all[i])) return;
      length = length * 10 + uint64_t(all[i] - '0');
      if (length > size) return;
    }
    if (length == 0) return;
    if (length > size - position) return;
    const size_t digits = space - position;
    if (length < digits + 2) return;  // the digits, the space and the closing byte

    const std::string_view text = all.substr(space + 1, position + length - 1 - (space + 1));
    const size_t equals = text.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view keyword = text.substr(0, equals);
      const std::string_view value = text.substr(equals + 1);
      if (keyword == "path") {
        overrides.path = decodeTarName(std::string(value));
      } else if (keyword == "mtime") {
        applyPaxTime(value, overrides.modified);
      } else if (keyword == "size") {
        if (const auto parsed = parseDecimal(value, UINT64_MAX)) overrides.size = *parsed;
      }
    }
    position += size_t(length);
  }
}

}  // namespace tolzeb

// Decoding of the single fields of a tar header and of pax extended-header records. Every
// function works on bytes already in memory and touches no file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/core/status.h"

namespace tolzeb {

// A numeric header field: octal text (NUL and space around the digits are allowed; no digit at
// all is 0) or, with the first byte's top bit set, a big-endian base-256 number. Failures are
// code 3: an empty field, a negative base-256 value, overflow, or a byte that is no octal digit.
Result<uint64_t> parseTarNumber(const uint8_t* field, size_t length);

// Whether the field holds a base-256 number with its sign bit set.
bool isNegativeBase256(const uint8_t* field, size_t length);

// Whether `stored` equals the header's checksum, with the checksum field counted as eight spaces:
// the sum over unsigned bytes, or the sum over signed bytes that some old writers produced.
bool tarChecksumMatches(const uint8_t* header, uint64_t stored);

// A stored name: strict UTF-8 when the bytes are valid UTF-8, else the platform's legacy code page.
std::wstring decodeTarName(const std::string& bytes);

// Seconds since 1970 as a FILETIME; 0 (unknown) when the result would not fit in 64 bits.
uint64_t tarSecondsToFileTime(uint64_t seconds);

// What pax extended records say about the next entry. Empty path and zero time mean "not given".
struct PaxOverrides {
  std::wstring path;
  uint64_t modified = 0;  // FILETIME
  // The entry's real data size. Writers put it here when the header field cannot hold it, so
  // honouring it is what keeps such an entry's data from being read as headers.
  std::optional<uint64_t> size;
};

// Applies the "path", "mtime" and "size" records of a pax extended header, in order, later ones
// overriding earlier ones. A malformed record ends or skips the parse; it is never a failure.
void parsePaxRecords(const uint8_t* data, size_t size, PaxOverrides& overrides);

}  // namespace tolzeb

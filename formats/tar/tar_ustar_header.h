// Building the 512-byte POSIX ustar headers the tar writer emits.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/core/status.h"

namespace tolzeb {

using UstarHeader = std::array<uint8_t, 512>;

// Places a UTF-8 name into the 155-byte prefix and 100-byte name fields, split at a '/'. Names of
// at most 100 bytes go whole into the name field. The split never leaves the name field empty,
// which peers take as a broken header. False when the name does not fit.
bool splitUstarName(const std::string& name, std::string& prefix, std::string& namePart);

// A complete header with its checksum: mode 755 for a folder ('5'), 644 otherwise, owner 0, no
// link name. Sizes of 0x200000000 and more, and times that need more than eleven octal digits,
// take the base-256 form. A name that the split cannot place fails with code 2.
Result<UstarHeader> formatUstarHeader(const std::string& name, char typeflag, uint64_t size, uint64_t mtimeSeconds);

// The header time for a FILETIME: whole seconds since 1970, or 0 for unknown times and times
// before 1970-01-01 00:00:01.
uint64_t ustarSecondsFromFileTime(uint64_t modified);

}  // namespace tolzeb

// What zip needs from the platform: local-time conversion of DOS date and time fields, and the
// code page 437 of names stored without the UTF-8 flag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tolzeb {

// The DOS fields read as local time, turned into a UTC FILETIME; none for an impossible date or
// time (month 0, 31 February, second 60 and so on).
std::optional<uint64_t> localDosTimeToUtc(uint16_t dosDate, uint16_t dosTime);

struct DosDateTime {
  uint16_t date = 0;
  uint16_t time = 0;  // seconds rounded down to even
};

// A UTC FILETIME as local DOS fields; none outside the years 1980 to 2107.
std::optional<DosDateTime> utcToLocalDosTime(uint64_t fileTime);

// The bytes as code page 437 (every byte defined; 0x00-0x7F map to themselves); none when the
// conversion fails.
std::optional<std::wstring> codePage437ToUtf16(const uint8_t* bytes, size_t length);

}  // namespace tolzeb

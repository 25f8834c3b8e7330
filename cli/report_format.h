// The pieces zeb's reports are made of: sizes in powers of 1024, local times, percentages and
// fixed-width columns. Numbers never carry locale separators.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolzeb::cli {

// "1023 B", "1.00 KiB" ... "16777216.00 TiB": exact below 1024, else two decimals in the
// largest unit up to TiB.
std::wstring formatSize(uint64_t bytes);

// "YYYY-MM-DD HH:MM" in local time of a FILETIME; "-" for 0 or a time that cannot be shown.
std::wstring formatLocalTime(uint64_t fileTime);

// part * 100 / whole, 0 when whole is 0.
double percentOf(uint64_t part, uint64_t whole);

// The number with exactly `decimals` digits after the point, as printf's "%.Nf" in the C locale.
std::wstring fixedDecimals(double value, int decimals);

// The text padded with blanks to `width` units, on the right ("%-Ns") or on the left ("%Ns").
std::wstring padRight(std::wstring_view text, size_t width);
std::wstring padLeft(std::wstring_view text, size_t width);

}  // namespace tolzeb::cli

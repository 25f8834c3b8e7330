#include "cli/report_format.h"

#include <charconv>
#include <string_view>

#include "cli/clock.h"
#include "engine/core/bytes.h"

namespace tolzeb::cli {
namespace {

std::wstring widenAscii(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// "%0Nu"
std::wstring zeroPadded(unsigned value, size_t width) {
  std::wstring text = decimal(value);
  if (text.size() < width) text.insert(0, width - text.size(), L'0');
  return text;
}

}  // namespace

std::wstring fixedDecimals(double value, int decimals) {
  // std::to_chars ignores the locale: a '.' point and no grouping, whatever the user's settings.
  char buffer[400];
  const std::to_chars_result end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (end.ec != std::errc()) return L"?";
  return widenAscii(std::string_view(buffer, size_t(end.ptr - buffer)));
}

std::wstring padRight(std::wstring_view text, size_t width) {
  std::wstring padded(text);
  if (padded.size() < width) padded.append(width - padded.size(), L' ');
  return padded;
}

std::wstring padLeft(std::wstring_view text, size_t width) {
  std::wstring padded;
  if (text.size() < width) padded.assign(width - text.size(), L' ');
  padded.append(text);
  return padded;
}

std::wstring formatSize(uint64_t bytes) {
  static constexpr const wchar_t* kUnits[] = {L"B", L"KiB", L"MiB", L"GiB", L"TiB"};
  double scaled = double(bytes);
  size_t unit = 0;
  while (scaled >= 1024 && unit < 4) {
    scaled /= 1024;
    ++unit;
  }
  if (unit == 0) return decimal(bytes) + L" B";
  return fixedDecimals(scaled, 2) + L" " + kUnits[unit];
}

std::wstring formatLocalTime(uint64_t fileTime) {
  if (fileTime == 0) return L"-";
  const std::optional<CalendarTime> time = localCalendarTime(fileTime);
  if (!time) return L"-";
  return zeroPadded(time->year, 4) + L"-" + zeroPadded(time->month, 2) + L"-" + zeroPadded(time->day, 2) + L" " +
         zeroPadded(time->hour, 2) + L":" + zeroPadded(time->minute, 2);
}

double percentOf(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  return double(part) * 100 / double(whole);
}

}  // namespace tolzeb::cli

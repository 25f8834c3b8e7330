#include <windows.h>

#include "cli/clock.h"

namespace tolzeb::cli {

uint64_t tickMilliseconds() { return GetTickCount64(); }

std::optional<CalendarTime> localCalendarTime(uint64_t fileTime) {
  FILETIME stamp;
  stamp.dwLowDateTime = DWORD(fileTime);
  stamp.dwHighDateTime = DWORD(fileTime >> 32);
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&stamp, &utc)) return std::nullopt;
  SYSTEMTIME local;
  const SYSTEMTIME& shown = SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ? local : utc;
  return CalendarTime{shown.wYear, shown.wMonth, shown.wDay, shown.wHour, shown.wMinute};
}

}  // namespace tolzeb::cli

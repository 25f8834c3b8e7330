// The two readings of time zeb needs: a millisecond tick for throttling, and the local
// calendar time of a stored timestamp.
#pragma once

#include <cstdint>
#include <optional>

namespace tolzeb::cli {

// Milliseconds of a monotonic clock (since boot), so the first progress line is never held back.
uint64_t tickMilliseconds();

struct CalendarTime {
  unsigned year = 0;
  unsigned month = 0;
  unsigned day = 0;
  unsigned hour = 0;
  unsigned minute = 0;
};

// A FILETIME (100 ns units since 1601, UTC) in the current time zone. UTC itself when the zone
// conversion fails; nothing when the value cannot be a calendar time at all.
std::optional<CalendarTime> localCalendarTime(uint64_t fileTime);

}  // namespace tolzeb::cli

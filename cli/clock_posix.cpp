#include <time.h>

#include <cstdint>

#include "cli/clock.h"

namespace tolzeb::cli {
namespace {

constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ull;  // 1970-01-01 in FILETIME units
constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;

std::optional<CalendarTime> fromTm(const struct tm& parts) {
  if (parts.tm_year + 1900 < 0) return std::nullopt;
  return CalendarTime{unsigned(parts.tm_year + 1900), unsigned(parts.tm_mon + 1), unsigned(parts.tm_mday),
                      unsigned(parts.tm_hour), unsigned(parts.tm_min)};
}

}  // namespace

uint64_t tickMilliseconds() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000;
}

std::optional<CalendarTime> localCalendarTime(uint64_t fileTime) {
  // Windows refuses a FILETIME with the top bit set; so do we.
  if (fileTime > uint64_t(INT64_MAX)) return std::nullopt;
  const int64_t seconds =
      int64_t(fileTime / kFileTimeUnitsPerSecond) - int64_t(kFileTimeUnixEpoch / kFileTimeUnitsPerSecond);
  const time_t when = time_t(seconds);
  struct tm parts {};
  if (localtime_r(&when, &parts) != nullptr) return fromTm(parts);
  if (gmtime_r(&when, &parts) != nullptr) return fromTm(parts);
  return std::nullopt;
}

}  // namespace tolzeb::cli

#include <cmath>
#include <cstdio>

#include "ui/foundation/civil_time.h"
#include "ui/foundation/format.h"
#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::platform::CivilTime;

std::wstring widen(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p; ++p) wide.push_back(wchar_t(uint8_t(*p)));
  return wide;
}

// Local time when the time-zone rules can say, else UTC.
CivilTime localTimeOf(uint64_t fileTime) {
  const CivilTime utc = i18n::civilFromFileTime(fileTime);
  return i18n::platform::utcToLocal(utc).value_or(utc);
}

bool sameDate(const CivilTime& a, const CivilTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

std::wstring dateLocaleName() {
  if (i18n::formatsFollowLanguage()) return i18n::currentLanguageTag();
  std::wstring user = i18n::platform::userDefaultLocaleName();
  return user.empty() ? L"en-US" : user;
}

std::wstring timeOfDayText(const std::wstring& locale, const CivilTime& time) {
  if (std::optional<std::wstring> text = i18n::platform::formatTimeOfDay(locale, time)) return *text;
  char buffer[32];
  const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
  std::snprintf(buffer, sizeof(buffer), "%d:%02d %s", hour12, int(time.minute), time.hour < 12 ? "AM" : "PM");
  return widen(buffer);
}

std::wstring shortDateText(const std::wstring& locale, const CivilTime& time) {
  if (std::optional<std::wstring> text = i18n::platform::formatShortDate(locale, time)) return *text;
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%04u-%02u-%02u", unsigned(time.year), unsigned(time.month),
                unsigned(time.day));
  return widen(buffer);
}

}  // namespace

std::wstring formatTimestamp(uint64_t fileTime) {
  return formatTimestamp(fileTime, i18n::platform::currentFileTime());
}

std::wstring formatTimestamp(uint64_t fileTime, uint64_t nowFileTime) {
  if (fileTime == 0) return {};
  const CivilTime local = localTimeOf(fileTime);
  const CivilTime now = localTimeOf(nowFileTime);
  const std::wstring locale = dateLocaleName();
  std::wstring time = timeOfDayText(locale, local);
  if (sameDate(local, now)) return i18n::translateWithArgs("time.today", {Arg("time", std::move(time))});

  const std::optional<uint64_t> nowAsFileTime = i18n::fileTimeFromCivil(now);
  if (nowAsFileTime && *nowAsFileTime > i18n::kTicksPerDay) {
    const CivilTime dayBefore = i18n::civilFromFileTime(*nowAsFileTime - i18n::kTicksPerDay);
    if (sameDate(local, dayBefore)) {
      return i18n::translateWithArgs("time.yesterday", {Arg("time", std::move(time))});
    }
  }
  return i18n::translateWithArgs("time.on_date", {Arg("date", shortDateText(locale, local)), Arg("time", std::move(time))});
}

std::wstring formatDuration(double seconds) {
  // Not-a-number reads as 0 and anything past the largest count as that count, so that an
  // estimate divided by a zero rate still gives text.
  uint64_t s = 0;
  if (seconds > 0) {
    const double rounded = seconds + 0.5;
    s = rounded >= 18446744073709551615.0 ? UINT64_MAX : uint64_t(rounded);
  }
  char buffer[48];
  if (s >= 3600) {
    std::snprintf(buffer, sizeof(buffer), "%llu:%02u:%02u", static_cast<unsigned long long>(s / 3600),
                  unsigned(s / 60 % 60), unsigned(s % 60));
  } else {
    std::snprintf(buffer, sizeof(buffer), "%u:%02u", unsigned(s / 60), unsigned(s % 60));
  }
  return widen(buffer);
}

}  // namespace tolzeb::ui

// What localisation needs from the operating system: the running program's path and embedded
// catalogues, the user's languages, and the locale's way of writing numbers, times and dates.
// Windows answers with its own calls; the POSIX build has a small stand-in for the native tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolzeb::ui::i18n::platform {

// A copy of the running program's RT_RCDATA resource of that name (names compare without regard
// to case); nothing when it is absent, cannot be loaded or is empty.
std::optional<std::vector<uint8_t>> programResource(const std::wstring& name);
bool hasProgramResource(const std::wstring& name);

// The user's preferred UI language names in the user's order; empty on failure.
std::vector<std::wstring> preferredUiLanguages();

// The user's default locale name; empty on failure.
std::wstring userDefaultLocaleName();

enum class LocaleText : uint8_t { thousandSeparator, decimalSeparator, grouping };
// One locale setting as text; nothing when it cannot be read.
std::optional<std::wstring> localeText(const std::wstring& locale, LocaleText which);

// How a number is written: the separators, the size of a digit group (0: no grouping) and the
// number of decimals; the leading zero is always kept and a negative number gets a leading '-'.
struct NumberLayout {
  unsigned decimals = 0;
  unsigned grouping = 3;
  std::wstring decimalSeparator;
  std::wstring thousandSeparator;
};
// `plain` is ASCII: an optional '-', digits, and '.' with decimals. Nothing on failure.
std::optional<std::wstring> formatNumber(const std::wstring& locale, const std::wstring& plain,
                                         const NumberLayout& layout);

// A calendar time as Windows' SYSTEMTIME holds it.
struct CivilTime {
  uint16_t year = 0;
  uint16_t month = 0;      // 1..12
  uint16_t dayOfWeek = 0;  // 0 Sunday
  uint16_t day = 0;        // 1..31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// The current time as a FILETIME (100-ns ticks since 1601-01-01 UTC).
uint64_t currentFileTime();
// UTC to local time under the current time-zone rules; nothing on failure.
std::optional<CivilTime> utcToLocal(const CivilTime& utc);
// The locale's time of day without seconds, and its short date; nothing on failure.
std::optional<std::wstring> formatTimeOfDay(const std::wstring& locale, const CivilTime& time);
std::optional<std::wstring> formatShortDate(const std::wstring& locale, const CivilTime& time);

}  // namespace tolzeb::ui::i18n::platform

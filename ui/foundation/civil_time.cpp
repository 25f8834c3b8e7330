#include "ui/foundation/civil_time.h"

namespace tolzeb::ui::i18n {
namespace {

// Days from 0000-03-01 of the proleptic Gregorian calendar, counted in 400-year eras
// (Howard Hinnant's days_from_civil / civil_from_days, shifted to start at 1601-01-01).
constexpr int64_t kDaysFrom0000To1601 = 584694;  // 0000-03-01 to 1601-01-01

int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = year / 400;  // year >= 0 here
  const unsigned yearOfEra = unsigned(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + int64_t(dayOfEra) - kDaysFrom0000To1601;
}

bool isLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

platform::CivilTime civilFromFileTime(uint64_t fileTime) {
  const uint64_t days = fileTime / kTicksPerDay;
  const uint64_t ticksOfDay = fileTime % kTicksPerDay;

  const uint64_t shifted = days + kDaysFrom0000To1601;
  const uint64_t era = shifted / 146097;
  const unsigned dayOfEra = unsigned(shifted - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const uint64_t year = era * 400 + yearOfEra + (month <= 2);

  platform::CivilTime out;
  out.year = uint16_t(year);
  out.month = uint16_t(month);
  out.day = uint16_t(day);
  out.dayOfWeek = uint16_t((days + 1) % 7);  // 1601-01-01 was a Monday
  out.hour = uint16_t(ticksOfDay / (3600 * kTicksPerSecond));
  out.minute = uint16_t(ticksOfDay / (60 * kTicksPerSecond) % 60);
  out.second = uint16_t(ticksOfDay / kTicksPerSecond % 60);
  out.milliseconds = uint16_t(ticksOfDay / 10000 % 1000);
  return out;
}

std::optional<uint64_t> fileTimeFromCivil(const platform::CivilTime& time) {
  if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12) return std::nullopt;
  if (time.day < 1 || time.day > daysInMonth(time.year, time.month)) return std::nullopt;
  if (time.hour > 23 || time.minute > 59 || time.second > 59 || time.milliseconds > 999) return std::nullopt;
  const uint64_t days = uint64_t(daysFromCivil(time.year, time.month, time.day));
  const uint64_t seconds = days * 86400 + time.hour * 3600u + time.minute * 60u + time.second;
  return seconds * kTicksPerSecond + time.milliseconds * uint64_t(10000);
}

}  // namespace tolzeb::ui::i18n

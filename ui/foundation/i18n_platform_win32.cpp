#include <windows.h>

#include <cstring>

#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui::i18n::platform {
namespace {

SYSTEMTIME toSystemTime(const CivilTime& time) {
  SYSTEMTIME out{};
  out.wYear = time.year;
  out.wMonth = time.month;
  out.wDayOfWeek = time.dayOfWeek;
  out.wDay = time.day;
  out.wHour = time.hour;
  out.wMinute = time.minute;
  out.wSecond = time.second;
  out.wMilliseconds = time.milliseconds;
  return out;
}

CivilTime fromSystemTime(const SYSTEMTIME& time) {
  return CivilTime{time.wYear, time.wMonth, time.wDayOfWeek, time.wDay,
                   time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

HRSRC findCatalogueResource(const std::wstring& name) {
  // The program's own module: the catalogues are compiled into the executable.
  return FindResourceW(nullptr, name.c_str(), RT_RCDATA);
}

// Text that a locale call writes into a fixed buffer, without its terminating NUL.
std::wstring fromBuffer(const wchar_t* buffer, int written) {
  return written > 0 ? std::wstring(buffer, size_t(written) - 1) : std::wstring();
}

}  // namespace

std::optional<std::vector<uint8_t>> programResource(const std::wstring& name) {
  HRSRC resource = findCatalogueResource(name);
  if (!resource) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, resource);
  if (!loaded) return std::nullopt;
  const void* bytes = LockResource(loaded);
  DWORD size = SizeofResource(nullptr, resource);
  if (!bytes || size == 0) return std::nullopt;
  const auto* first = static_cast<const uint8_t*>(bytes);
  return std::vector<uint8_t>(first, first + size);
}

bool hasProgramResource(const std::wstring& name) { return findCatalogueResource(name) != nullptr; }

std::vector<std::wstring> preferredUiLanguages() {
  ULONG count = 0;
  ULONG length = 0;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) return {};
  std::wstring names(length, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) return {};
  // A list of NUL-terminated names, ended by an empty one.
  std::vector<std::wstring> languages;
  size_t start = 0;
  while (start < names.size() && names[start] != L'\0') {
    size_t end = names.find(L'\0', start);
    if (end == std::wstring::npos) end = names.size();
    languages.push_back(names.substr(start, end - start));
    start = end + 1;
  }
  return languages;
}

std::wstring userDefaultLocaleName() {
  wchar_t buffer[LOCALE_NAME_MAX_LENGTH];
  return fromBuffer(buffer, GetUserDefaultLocaleName(buffer, LOCALE_NAME_MAX_LENGTH));
}

std::optional<std::wstring> localeText(const std::wstring& locale, LocaleText which) {
  LCTYPE type = which == LocaleText::thousandSeparator ? LOCALE_STHOUSAND
                : which == LocaleText::decimalSeparator ? LOCALE_SDECIMAL
                                                        : LOCALE_SGROUPING;
  wchar_t buffer[16];
  int written = GetLocaleInfoEx(locale.c_str(), type, buffer, 16);
  if (written <= 0) return std::nullopt;
  return fromBuffer(buffer, written);
}

std::optional<std::wstring> formatNumber(const std::wstring& locale, const std::wstring& plain,
                                         const NumberLayout& layout) {
  // NUMBERFMTW takes non-const separator pointers; it only reads them.
  std::wstring decimalSeparator = layout.decimalSeparator;
  std::wstring thousandSeparator = layout.thousandSeparator;
  NUMBERFMTW format{};
  format.NumDigits = layout.decimals;
  format.LeadingZero = 1;
  format.Grouping = layout.grouping;
  format.lpDecimalSep = decimalSeparator.data();
  format.lpThousandSep = thousandSeparator.data();
  format.NegativeOrder = 1;
  int needed = GetNumberFormatEx(locale.c_str(), 0, plain.c_str(), &format, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring out(size_t(needed), L'\0');
  int written = GetNumberFormatEx(locale.c_str(), 0, plain.c_str(), &format, out.data(), needed);
  if (written <= 0) return std::nullopt;
  out.resize(size_t(written) - 1);
  return out;
}

uint64_t currentFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

std::optional<CivilTime> utcToLocal(const CivilTime& utc) {
  SYSTEMTIME universal = toSystemTime(utc);
  SYSTEMTIME local;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return std::nullopt;
  return fromSystemTime(local);
}

std::optional<std::wstring> formatTimeOfDay(const std::wstring& locale, const CivilTime& time) {
  SYSTEMTIME system = toSystemTime(time);
  wchar_t buffer[64];
  int written = GetTimeFormatEx(locale.c_str(), TIME_NOSECONDS, &system, nullptr, buffer, 64);
  if (written <= 0) return std::nullopt;
  return fromBuffer(buffer, written);
}

std::optional<std::wstring> formatShortDate(const std::wstring& locale, const CivilTime& time) {
  SYSTEMTIME system = toSystemTime(time);
  wchar_t buffer[128];
  int written = GetDateFormatEx(locale.c_str(), DATE_SHORTDATE, &system, nullptr, buffer, 128, nullptr);
  if (written <= 0) return std::nullopt;
  return fromBuffer(buffer, written);
}

}  // namespace tolzeb::ui::i18n::platform

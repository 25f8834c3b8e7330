// The POSIX stand-in: enough of the Windows behaviour for the native tests. Catalogues come from
// the table compiled into the program, languages from the environment, number layouts from a
// small table, and times of day and dates are left to the callers' own fallbacks.
#include <time.h>

#include <cstdlib>
#include <cstring>

#include "engine/core/text.h"
#include "ui/foundation/civil_time.h"
#include "ui/foundation/embedded_catalogues.h"
#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui::i18n::platform {
namespace {

wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + (L'a' - L'A')) : c; }

bool equalsIgnoringCase(const std::wstring& wide, const char* narrow) {
  size_t length = std::strlen(narrow);
  if (wide.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (asciiLower(wide[i]) != asciiLower(wchar_t(uint8_t(narrow[i])))) return false;
  }
  return true;
}

const EmbeddedCatalogue* findEmbedded(const std::wstring& name) {
  for (size_t i = 0; i < kEmbeddedCatalogueCount; ++i) {
    if (equalsIgnoringCase(name, kEmbeddedCatalogues[i].name)) return &kEmbeddedCatalogues[i];
  }
  return nullptr;
}

// "de_DE.UTF-8@euro" -> "de-DE"; "C" and "POSIX" name no language.
std::wstring languageTagFromLocale(const char* value) {
  std::wstring tag;
  for (const char* p = value; *p && *p != '.' && *p != '@'; ++p) tag.push_back(*p == '_' ? L'-' : wchar_t(uint8_t(*p)));
  if (tag == L"C" || tag == L"POSIX") return {};
  return tag;
}

const char* firstSetVariable(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return nullptr;
}

struct KnownLayout {
  const char* locale;
  const wchar_t* thousandSeparator;
  const wchar_t* decimalSeparator;
  const wchar_t* grouping;
};
constexpr KnownLayout kKnownLayouts[] = {
    {"en-US", L",", L".", L"3;0"},
    {"de-DE", L".", L",", L"3;0"},
};

// Seconds since 1970 of a UTC calendar time, without the C library's own range limits.
std::optional<time_t> unixSeconds(const CivilTime& utc) {
  std::optional<uint64_t> fileTime = fileTimeFromCivil(utc);
  if (!fileTime) return std::nullopt;
  return time_t((int64_t(*fileTime) - int64_t(kUnixEpochTicks)) / int64_t(kTicksPerSecond));
}

}  // namespace

std::optional<std::vector<uint8_t>> programResource(const std::wstring& name) {
  const EmbeddedCatalogue* found = findEmbedded(name);
  if (!found || found->size == 0) return std::nullopt;
  return std::vector<uint8_t>(found->bytes, found->bytes + found->size);
}

bool hasProgramResource(const std::wstring& name) { return findEmbedded(name) != nullptr; }

std::vector<std::wstring> preferredUiLanguages() {
  std::vector<std::wstring> languages;
  // LANGUAGE is an ordered, colon-separated list, as the user's preferred UI languages are.
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string names(list);
    size_t start = 0;
    while (start <= names.size()) {
      size_t end = names.find(':', start);
      if (end == std::string::npos) end = names.size();
      std::wstring tag = languageTagFromLocale(names.substr(start, end - start).c_str());
      if (!tag.empty()) languages.push_back(tag);
      start = end + 1;
    }
  }
  if (const char* locale = firstSetVariable({"LC_ALL", "LC_MESSAGES", "LANG"})) {
    std::wstring tag = languageTagFromLocale(locale);
    if (!tag.empty()) languages.push_back(tag);
  }
  return languages;
}

std::wstring userDefaultLocaleName() {
  const char* locale = firstSetVariable({"LC_ALL", "LC_NUMERIC", "LANG"});
  return locale ? languageTagFromLocale(locale) : std::wstring();
}

std::optional<std::wstring> localeText(const std::wstring& locale, LocaleText which) {
  for (const KnownLayout& known : kKnownLayouts) {
    if (!equalsIgnoringCase(locale, known.locale)) continue;
    switch (which) {
      case LocaleText::thousandSeparator: return std::wstring(known.thousandSeparator);
      case LocaleText::decimalSeparator: return std::wstring(known.decimalSeparator);
      case LocaleText::grouping: return std::wstring(known.grouping);
    }
  }
  return std::nullopt;
}

std::optional<std::wstring> formatNumber(const std::wstring&, const std::wstring& plain,
                                         const NumberLayout& layout) {
  size_t pos = 0;
  bool negative = !plain.empty() && plain[0] == L'-';
  if (negative) ++pos;
  size_t integerStart = pos;
  while (pos < plain.size() && plain[pos] >= L'0' && plain[pos] <= L'9') ++pos;
  std::wstring integerDigits = plain.substr(integerStart, pos - integerStart);
  std::wstring fraction;
  if (pos < plain.size() && plain[pos] == L'.') {
    fraction = plain.substr(pos + 1);
    pos = plain.size();
  }
  if (integerDigits.empty() || pos != plain.size()) return std::nullopt;
  for (wchar_t c : fraction) {
    if (c < L'0' || c > L'9') return std::nullopt;
  }
  // The callers print exactly the decimals they ask for; pad or cut anything else.
  fraction.resize(layout.decimals, L'0');

  std::wstring out = negative ? L"-" : L"";
  for (size_t i = 0; i < integerDigits.size(); ++i) {
    size_t left = integerDigits.size() - i;
    if (i > 0 && layout.grouping > 0 && left % layout.grouping == 0) out += layout.thousandSeparator;
    out.push_back(integerDigits[i]);
  }
  if (layout.decimals > 0) out += layout.decimalSeparator + fraction;
  return out;
}

uint64_t currentFileTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return kUnixEpochTicks + uint64_t(now.tv_sec) * kTicksPerSecond + uint64_t(now.tv_nsec) / 100;
}

std::optional<CivilTime> utcToLocal(const CivilTime& utc) {
  std::optional<time_t> seconds = unixSeconds(utc);
  if (!seconds) return std::nullopt;
  tm local{};
  if (!localtime_r(&*seconds, &local)) return std::nullopt;
  CivilTime out;
  out.year = uint16_t(local.tm_year + 1900);
  out.month = uint16_t(local.tm_mon + 1);
  out.dayOfWeek = uint16_t(local.tm_wday);
  out.day = uint16_t(local.tm_mday);
  out.hour = uint16_t(local.tm_hour);
  out.minute = uint16_t(local.tm_min);
  out.second = uint16_t(local.tm_sec);
  out.milliseconds = utc.milliseconds;
  return out;
}

std::optional<std::wstring> formatTimeOfDay(const std::wstring&, const CivilTime&) { return std::nullopt; }

std::optional<std::wstring> formatShortDate(const std::wstring&, const CivilTime&) { return std::nullopt; }

}  // namespace tolzeb::ui::i18n::platform

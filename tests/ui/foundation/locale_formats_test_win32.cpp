// With formats following the interface language, numbers and dates take that language's
// layout from Windows, whatever the user's own regional settings are.
#include <windows.h>

#include <gtest/gtest.h>

#include "i18n_test_support.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/civil_time.h"
#include "ui/foundation/format.h"
#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui {
namespace {

std::wstring localeInfo(const wchar_t* locale, LCTYPE type) {
  wchar_t buffer[16];
  int written = GetLocaleInfoEx(locale, type, buffer, 16);
  return written > 0 ? std::wstring(buffer, size_t(written) - 1) : std::wstring();
}

std::wstring shortDate(const wchar_t* locale, const SYSTEMTIME& time) {
  wchar_t buffer[128];
  int written = GetDateFormatEx(locale, DATE_SHORTDATE, &time, nullptr, buffer, 128, nullptr);
  return written > 0 ? std::wstring(buffer, size_t(written) - 1) : std::wstring();
}

std::shared_ptr<const i18n::Catalog> shippedEnglish() {
  i18n::testing::ProgramFolder noOverrides;
  return i18n::loadCatalog(L"en-US");
}

TEST(LocaleFormats, PolishNumbersAndDatesWhenFormatsFollowThePolishInterface) {
  i18n::testing::StateGuard state(shippedEnglish(), nullptr, i18n::findLanguage(L"pl-PL"), true);
  const std::wstring separator = localeInfo(L"pl-PL", LOCALE_STHOUSAND);
  const std::wstring decimal = localeInfo(L"pl-PL", LOCALE_SDECIMAL);
  ASSERT_FALSE(separator.empty());
  EXPECT_EQ(i18n::formatInteger(1234567), L"1" + separator + L"234" + separator + L"567");
  EXPECT_EQ(i18n::formatDecimal(1234.5, 1), L"1" + separator + L"234" + decimal + L"5");

  // Three days before a January noon is an ordinary date in every time zone.
  const uint64_t now = *i18n::fileTimeFromCivil({2026, 1, 4, 15, 12, 0, 0, 0});
  const uint64_t then = now - 3 * i18n::kTicksPerDay;
  FILETIME utc{DWORD(then), DWORD(then >> 32)};
  SYSTEMTIME universal, local;
  ASSERT_TRUE(FileTimeToSystemTime(&utc, &universal));
  ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local));
  const std::wstring date = shortDate(L"pl-PL", local);
  ASSERT_FALSE(date.empty());
  const std::wstring text = formatTimestamp(then, now);
  EXPECT_EQ(text.rfind(date + L", ", 0), 0u);
}

TEST(LocaleFormats, EnglishAndGermanGroupingComeFromWindows) {
  {
    i18n::testing::StateGuard state(nullptr, nullptr, i18n::findLanguage(L"en-US"), true);
    EXPECT_EQ(i18n::formatInteger(1234567), L"1,234,567");
  }
  {
    i18n::testing::StateGuard state(nullptr, nullptr, i18n::findLanguage(L"de-DE"), true);
    EXPECT_EQ(i18n::formatInteger(1234567), L"1.234.567");
  }
}

TEST(LocalePlatform, PreferredLanguageIsAlwaysARowOfTheTable) {
  EXPECT_NE(i18n::findLanguage(i18n::preferredLanguageTag()), nullptr);
  EXPECT_FALSE(i18n::platform::userDefaultLocaleName().empty());
}

}  // namespace
}  // namespace tolzeb::ui

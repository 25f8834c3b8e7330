// The POSIX stand-in has no locale data for times and dates, so the fixed fallbacks show, and
// with the time zone set to UTC their exact text can be checked.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "i18n_test_support.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/civil_time.h"
#include "ui/foundation/format.h"

namespace tolzeb::ui {
namespace {

TEST(FormatTimestampFallbacks, TwelveHourClockAndIsoDate) {
  setenv("TZ", "UTC", 1);
  tzset();
  std::shared_ptr<const i18n::Catalog> english;
  {
    i18n::testing::ProgramFolder noOverrides;
    english = i18n::loadCatalog(L"en-US");
  }
  i18n::testing::StateGuard state(english, nullptr, i18n::findLanguage(L"en-US"), true);
  const uint64_t now = *i18n::fileTimeFromCivil({2026, 1, 4, 15, 12, 0, 0, 0});
  struct Case {
    i18n::platform::CivilTime when;
    const wchar_t* text;
  };
  const Case cases[] = {
      {{2026, 1, 4, 15, 0, 5, 0, 0}, L"Today, 12:05 AM"},
      {{2026, 1, 4, 15, 11, 59, 0, 0}, L"Today, 11:59 AM"},
      {{2026, 1, 4, 15, 12, 0, 0, 0}, L"Today, 12:00 PM"},
      {{2026, 1, 3, 14, 23, 30, 0, 0}, L"Yesterday, 11:30 PM"},
      {{2026, 1, 3, 14, 0, 0, 0, 0}, L"Yesterday, 12:00 AM"},
      {{2026, 1, 2, 13, 13, 7, 0, 0}, L"2026-01-13, 1:07 PM"},
      {{1999, 12, 5, 31, 9, 0, 0, 0}, L"1999-12-31, 9:00 AM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::wcslen(c.text)));
    EXPECT_EQ(formatTimestamp(*i18n::fileTimeFromCivil(c.when), now), c.text);
  }
  // The first day of the calendar, which has no day before it.
  EXPECT_EQ(formatTimestamp(1, i18n::kTicksPerDay / 2), L"Today, 12:00 AM");
  EXPECT_EQ(formatTimestamp(UINT64_MAX, now), L"60056-05-28, 5:36 AM");
}

}  // namespace
}  // namespace tolzeb::ui

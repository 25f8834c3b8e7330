#include "ui/foundation/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "i18n_test_support.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/civil_time.h"

namespace tolzeb::ui {
namespace {

using i18n::findLanguage;
using i18n::testing::StateGuard;

// The shipped English texts, with numbers written the English way or the German way.
std::shared_ptr<const i18n::Catalog> shippedEnglish() {
  i18n::testing::ProgramFolder noOverrides;
  std::shared_ptr<const i18n::Catalog> english = i18n::loadCatalog(L"en-US");
  EXPECT_TRUE(english);
  return english;
}

class EnglishFormats : public ::testing::Test {
  StateGuard state_{shippedEnglish(), nullptr, findLanguage(L"en-US"), true};
};

class GermanFormats : public ::testing::Test {
  StateGuard state_{shippedEnglish(), nullptr, findLanguage(L"de-DE"), true};
};

TEST_F(EnglishFormats, IntegersAndDecimalsAreGrouped) {
  EXPECT_EQ(i18n::formattingLocaleName(), L"en-US");
  EXPECT_EQ(i18n::formatInteger(1234567), L"1,234,567");
  EXPECT_EQ(i18n::formatInteger(-5), L"-5");
  EXPECT_EQ(i18n::formatInteger(0), L"0");
  EXPECT_EQ(i18n::formatInteger(INT64_MIN), L"-9,223,372,036,854,775,808");
  EXPECT_EQ(i18n::formatDecimal(1234.56, 1), L"1,234.6");
  EXPECT_EQ(i18n::formatDecimal(0.25, 2), L"0.25");
  EXPECT_EQ(i18n::formatDecimal(-1234.6, 0), L"-1,235");
  EXPECT_EQ(i18n::formatDecimal(2.7, -3), L"3");
}

TEST_F(GermanFormats, IntegersAndDecimalsUseTheGermanSeparators) {
  EXPECT_EQ(i18n::formattingLocaleName(), L"de-DE");
  EXPECT_EQ(i18n::formatInteger(1234567), L"1.234.567");
  EXPECT_EQ(i18n::formatDecimal(1234.5, 1), L"1.234,5");
}

TEST(FormattingLocale, FollowsTheLanguageOnlyWhenAskedAndARowIsSet) {
  {
    StateGuard state(nullptr, nullptr, findLanguage(L"de-DE"), false);
    EXPECT_NE(i18n::formattingLocaleName(), L"de-DE");
    EXPECT_FALSE(i18n::formattingLocaleName().empty());
  }
  {
    StateGuard state(nullptr, nullptr, nullptr, true);
    EXPECT_TRUE(i18n::formatsFollowLanguage());
    EXPECT_FALSE(i18n::formattingLocaleName().empty());
  }
}

TEST_F(EnglishFormats, SizesStepThroughTheUnits) {
  struct Case {
    uint64_t bytes;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"0 B"},
      {1023, L"1,023 B"},
      {1024, L"1.0 KB"},
      {1536, L"1.5 KB"},
      {10199, L"10.0 KB"},  // 9.96 KiB still shows a decimal
      {10240, L"10 KB"},
      {1048575, L"1,024 KB"},
      {1048576, L"1.0 MB"},
      {uint64_t(5) << 30, L"5.0 GB"},
      {uint64_t(1) << 40, L"1.0 TB"},
      {uint64_t(1) << 50, L"1,024 TB"},
      {UINT64_MAX, L"16,777,216 TB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(i18n::formatSize(c.bytes), c.text);
    EXPECT_EQ(formatBytes(c.bytes), c.text);
  }
}

TEST(FormatDuration, ClockTextRoundedToWholeSeconds) {
  struct Case {
    double seconds;
    const wchar_t* text;
  };
  const Case cases[] = {
      {-3, L"0:00"},
      {0, L"0:00"},
      {0.49, L"0:00"},
      {7, L"0:07"},
      {59.4, L"0:59"},
      {59.5, L"1:00"},
      {3599.4, L"59:59"},
      {3600, L"1:00:00"},
      {3909, L"1:05:09"},
      {97200, L"27:00:00"},
      // Estimates from a zero rate: no number, or too large for a count of seconds.
      {std::nan(""), L"0:00"},
      {-std::numeric_limits<double>::infinity(), L"0:00"},
      {std::numeric_limits<double>::infinity(), L"5124095576030431:00:15"},
      {1e30, L"5124095576030431:00:15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(formatDuration(c.seconds), c.text);
  }
}

TEST_F(EnglishFormats, StatusTextsGiveTheHeadlineAndTheDetails) {
  EXPECT_EQ(statusKeyText(StatusCode::authentication_failed), L"The password is wrong, or the archive has been altered");
  EXPECT_EQ(statusKeyText(StatusCode::general), L"Something went wrong");
  EXPECT_EQ(statusKeyText(StatusCode(0)), L"Something went wrong");
  EXPECT_EQ(statusKeyText(StatusCode(12)), L"Something went wrong");
  EXPECT_EQ(statusKeyText(StatusCode(42)), L"Something went wrong");
  EXPECT_EQ(statusKeyText(StatusCode::not_found), L"That file could not be found");
  EXPECT_EQ(statusText(StatusCode::canceled, L"Hashing canceled"), L"Cancelled");
  EXPECT_EQ(statusText(StatusCode::io_failure, L"Write failed on '<handle>'"),
            L"A file could not be read or written\nDetails: Write failed on '<handle>'");
  EXPECT_EQ(statusText(StatusCode::io_failure, L""), L"A file could not be read or written");
  EXPECT_EQ(statusText(StatusCode(42), L"x"), L"Something went wrong\nDetails: x");
}

TEST(StatusText, EveryCodeHasItsOwnKey) {
  StateGuard state;  // nothing loaded: the key shows
  const char* keys[] = {"error.generic",         "error.generic",         "error.invalid_argument",
                        "error.corrupt_archive", "error.authentication_failed", "error.io_failure",
                        "error.canceled",        "error.unsupported_version",   "error.resource_limit",
                        "error.path_unsafe",     "error.already_exists",        "error.not_found",
                        "error.generic"};
  for (int code = 0; code <= 12; ++code) {
    SCOPED_TRACE(code);
    const std::string key = keys[code];
    EXPECT_EQ(statusKeyText(StatusCode(code)), std::wstring(key.begin(), key.end()));
  }
}

// 2026-01-15 12:00 UTC: mid-month and far from any change of daylight saving time, so that a
// day before and three days before are yesterday and an earlier date in every time zone.
const uint64_t kNoonJanuary15 = *i18n::fileTimeFromCivil({2026, 1, 4, 15, 12, 0, 0, 0});

TEST_F(EnglishFormats, TimestampsSayTodayYesterdayOrTheDate) {
  const std::wstring today = formatTimestamp(kNoonJanuary15 - kTicksPerSecond * 60, kNoonJanuary15);
  const std::wstring yesterday = formatTimestamp(kNoonJanuary15 - i18n::kTicksPerDay, kNoonJanuary15);
  const std::wstring earlier = formatTimestamp(kNoonJanuary15 - 3 * i18n::kTicksPerDay, kNoonJanuary15);
  EXPECT_EQ(today.rfind(L"Today, ", 0), 0u) << std::string(today.begin(), today.end());
  EXPECT_EQ(yesterday.rfind(L"Yesterday, ", 0), 0u);
  EXPECT_EQ(earlier.find(L"Today"), std::wstring::npos);
  EXPECT_EQ(earlier.find(L"Yesterday"), std::wstring::npos);
  EXPECT_NE(earlier.find(L", "), std::wstring::npos);
  EXPECT_EQ(formatTimestamp(0, kNoonJanuary15), L"");
  EXPECT_EQ(formatTimestamp(0), L"");
  // The real clock: a time from a moment ago is today.
  EXPECT_EQ(formatTimestamp(i18n::platform::currentFileTime() - kTicksPerSecond).rfind(L"Today, ", 0), 0u);
}

TEST_F(EnglishFormats, TimestampsBeyondTheCalendarStillGiveText) {
  EXPECT_FALSE(formatTimestamp(UINT64_MAX, kNoonJanuary15).empty());
  EXPECT_FALSE(formatTimestamp(1, kNoonJanuary15).empty());
  EXPECT_FALSE(formatTimestamp(kNoonJanuary15, 1).empty());
}

}  // namespace
}  // namespace tolzeb::ui

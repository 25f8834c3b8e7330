#include "ui/foundation/civil_time.h"

#include <gtest/gtest.h>

namespace tolzeb::ui::i18n {
namespace {

using platform::CivilTime;

bool sameTime(const CivilTime& a, const CivilTime& b) {
  return a.year == b.year && a.month == b.month && a.dayOfWeek == b.dayOfWeek && a.day == b.day &&
         a.hour == b.hour && a.minute == b.minute && a.second == b.second && a.milliseconds == b.milliseconds;
}

TEST(CivilTime, FileTimesConvertBothWays) {
  struct Case {
    uint64_t fileTime;
    CivilTime civil;  // year, month, day of week, day, hour, minute, second, ms
  };
  const Case cases[] = {
      {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
      {116444736000000000, {1970, 1, 4, 1, 0, 0, 0, 0}},
      {134129520000000000, {2026, 1, 4, 15, 12, 0, 0, 0}},
      {133537247999990000, {2024, 2, 4, 29, 23, 59, 59, 999}},
      {133537248000000000, {2024, 3, 5, 1, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileTime);
    EXPECT_TRUE(sameTime(civilFromFileTime(c.fileTime), c.civil));
    EXPECT_EQ(fileTimeFromCivil(c.civil), c.fileTime);
  }
}

TEST(CivilTime, EveryFileTimeHasACalendarTime) {
  const CivilTime last = civilFromFileTime(UINT64_MAX);
  EXPECT_TRUE(sameTime(last, {60056, 5, 0, 28, 5, 36, 10, 955}));
  EXPECT_FALSE(fileTimeFromCivil(last));
}

TEST(CivilTime, FieldsOutOfRangeHaveNoFileTime) {
  const CivilTime refused[] = {
      {1600, 12, 0, 31, 0, 0, 0, 0}, {30828, 1, 0, 1, 0, 0, 0, 0}, {2023, 2, 0, 29, 0, 0, 0, 0},
      {2024, 13, 0, 1, 0, 0, 0, 0},  {2024, 0, 0, 1, 0, 0, 0, 0},  {2024, 4, 0, 31, 0, 0, 0, 0},
      {2024, 1, 0, 0, 0, 0, 0, 0},   {2024, 1, 0, 1, 24, 0, 0, 0}, {2024, 1, 0, 1, 0, 60, 0, 0},
      {2024, 1, 0, 1, 0, 0, 60, 0},  {2024, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (const CivilTime& time : refused) {
    SCOPED_TRACE(::testing::Message() << time.year << "-" << time.month << "-" << time.day << " " << time.hour
                                      << ":" << time.minute << ":" << time.second << "." << time.milliseconds);
    EXPECT_FALSE(fileTimeFromCivil(time));
  }
  EXPECT_TRUE(fileTimeFromCivil({2000, 2, 0, 29, 0, 0, 0, 0}));
  EXPECT_TRUE(fileTimeFromCivil({30827, 12, 0, 31, 23, 59, 59, 999}));
}

}  // namespace
}  // namespace tolzeb::ui::i18n

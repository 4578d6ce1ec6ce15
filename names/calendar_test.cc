#include "names/calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>

#include "platform/platform.h"

namespace kavo {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

CalendarTime at(int year, int month, int day, int hour = 0, int minute = 0,
                int second = 0) {
  return CalendarTime{year, month, day, hour, minute, second, 3};
}

auto fields(const CalendarTime& t) {
  return std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// Julian before the reform of 1582 (every fourth year, counted without a
// year zero: -1 is 1 BC), Gregorian after it.
TEST(CalendarTest, YearsAndMonths) {
  for (int32_t year : {2000, 2004, 1500, 1584, 8, -9, -45, -12}) {
    EXPECT_TRUE(is_leap_year(year)) << year;
  }
  for (int32_t year : {1900, 2005, 1582, 4, 7, -8, -46, -10}) {
    EXPECT_FALSE(is_leap_year(year)) << year;
  }
  EXPECT_EQ(days_in_month(-9, 2), 30);  // early leap year
  for (int32_t year = -100; year <= 2500; ++year) {
    int total = 0;
    for (int month = 1; month <= 12; ++month) {
      total += days_in_month(year, month);
    }
    EXPECT_EQ(total, is_leap_year(year) ? 366 : 365) << year;
  }
  // A month outside the year (a mistyped filter date) counts 31 days.
  for (int32_t month : {0, 13, -1, 200113, kMin, kMax}) {
    EXPECT_EQ(days_in_month(2001, month), 31) << month;
  }
}

// The Julian Date of the reform: 4 October 1582 is followed by 15 October.
TEST(CalendarTest, JulianDates) {
  EXPECT_DOUBLE_EQ(julian_date(1582, 10, 4, 0, 0, 0), 2299159.5);
  EXPECT_DOUBLE_EQ(julian_date(1582, 10, 15, 6, 30, 36),
                   2299160.5 + (6 * 3600 + 30 * 60 + 36) / 86400.0);
  EXPECT_DOUBLE_EQ(julian_date(-4713, 1, 1, 12, 0, 0), 0.0);
  EXPECT_TRUE(std::isfinite(julian_date(kMax, kMax, kMax, kMax, kMax, kMax)));
  EXPECT_TRUE(std::isfinite(julian_date(kMin, kMin, kMin, kMin, kMin, kMin)));
}

TEST(CalendarTest, ShiftsCarryAndSaturate) {
  const struct {
    CalendarTime from;
    int64_t seconds;
    CalendarTime to;
  } cases[] = {
      {at(1500, 2, 28, 12), 86400, at(1500, 2, 29, 12)},
      // No days are skipped at the reform: the carry uses the month table.
      {at(1582, 10, 4), 86400, at(1582, 10, 5)},
      {at(1, 1, 1), -86400, at(0, 12, 31)},
      {at(kMax, 12, 31, 23), kMax, at(kMax, 12, 31, 23, 59, 59)},
      {at(kMin, 1, 1, 1), kMin, at(kMin, 1, 1)},
      {at(kMax, 12, 31, 23), 60, at(kMax, 12, 31, 23, 1)},
      // No step may overflow (the remainder of the lowest shift once did).
      {at(2000, 6, 15, 12), std::numeric_limits<int64_t>::min(),
       at(kMin, 1, 1)},
      {at(2000, 6, 15, 12), std::numeric_limits<int64_t>::max(),
       at(kMax, 12, 31, 23, 59, 59)},
  };
  for (const auto& c : cases) {
    CalendarTime time = c.from;
    shift_calendar_time(c.seconds, &time);
    EXPECT_EQ(fields(time), fields(c.to)) << c.seconds;
  }
}

// Random shifts from dates of every era: a valid date results, shifting
// back returns, and from Gregorian dates the result agrees with the era
// arithmetic of the proleptic Gregorian calendar, an independent oracle.
TEST(CalendarTest, RandomShiftsAgreeWithTheCivilCalendar) {
  std::mt19937 random(1582);
  std::uniform_int_distribution<int64_t> shifts(-2147483648LL, 2147483648LL);
  std::uniform_int_distribution<int> years(-3000, 9000);
  auto utc = [](const CalendarTime& t) {  // the era arithmetic
    const int64_t y = t.year - (t.month <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400, of_era = y - era * 400;
    const int64_t days = era * 146097 + of_era * 365 + of_era / 4 -
                         of_era / 100 - 719468 + t.day - 1 +
                         (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
  };
  for (int i = 0; i < 40000; ++i) {
    int y = years(random);
    int m = 1 + int(random() % 12);
    int d = 1 + int(random() % days_in_month(y, m));
    CalendarTime start =
        at(y, m, d, int(random() % 24), int(random() % 60), int(random() % 60));
    int64_t shift = shifts(random);
    CalendarTime time = start;
    shift_calendar_time(shift, &time);
    SCOPED_TRACE(::testing::PrintToString(fields(start)) + " + " +
                 std::to_string(shift));
    ASSERT_TRUE(time.month >= 1 && time.month <= 12);
    ASSERT_TRUE(time.day >= 1 &&
                time.day <= days_in_month(time.year, time.month));
    ASSERT_TRUE(time.hour < 24 && time.minute < 60 && time.second < 60);
    if (y >= 1700) {
      ASSERT_EQ(utc(time), utc(start) + shift);
    }
    shift_calendar_time(-shift, &time);
    ASSERT_EQ(fields(time), fields(start));
  }
}

}  // namespace
}  // namespace kavo

#include "names/calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "platform/platform.h"

namespace kavo {
namespace {

CalendarTime at(int year, int month, int day, int hour = 0, int minute = 0,
                int second = 0) {
  return CalendarTime{year, month, day, hour, minute, second, 3};
}

void expect_same(const CalendarTime& actual, const CalendarTime& expected) {
  EXPECT_EQ(actual.year, expected.year);
  EXPECT_EQ(actual.month, expected.month);
  EXPECT_EQ(actual.day, expected.day);
  EXPECT_EQ(actual.hour, expected.hour);
  EXPECT_EQ(actual.minute, expected.minute);
  EXPECT_EQ(actual.second, expected.second);
  EXPECT_EQ(actual.weekday, expected.weekday);
}

TEST(CalendarTest, LeapYears) {
  struct Case {
    int32_t year;
    bool leap;
  } cases[] = {
      {1900, false}, {2000, true}, {2004, true}, {2005, false}, {1500, true},
      {1582, false}, {1584, true}, {8, true},    {7, false},    {4, false},
      {-8, false},   {-9, true},   {-45, true},  {-46, false},  {-48, false},
      {-12, true},   {-10, false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_leap_year(c.year), c.leap) << c.year;
}

TEST(CalendarTest, MonthLengths) {
  EXPECT_EQ(days_in_month(2004, 2), 29);
  EXPECT_EQ(days_in_month(2005, 2), 28);
  EXPECT_EQ(days_in_month(2005, 4), 30);
  EXPECT_EQ(days_in_month(2005, 12), 31);
  EXPECT_EQ(days_in_month(-9, 2), 30);  // early leap year
  EXPECT_EQ(days_in_month(-10, 2), 29);
  EXPECT_EQ(days_in_month(-10, 4), 30);
  EXPECT_EQ(days_in_month(-10, 7), 31);
}

TEST(CalendarTest, MonthOutsideYearIsLong) {
  for (int32_t month : {0, 13, -1, 200113, std::numeric_limits<int32_t>::min(),
                        std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(days_in_month(2001, month), 31) << month;
    EXPECT_EQ(days_in_month(-100, month), 31) << month;
  }
}

TEST(CalendarTest, YearLengthMatchesLeapRule) {
  for (int32_t year = -100; year <= 2500; ++year) {
    int total = 0;
    for (int month = 1; month <= 12; ++month)
      total += days_in_month(year, month);
    EXPECT_EQ(total, is_leap_year(year) ? 366 : 365) << year;
  }
}

TEST(CalendarTest, JulianDates) {
  EXPECT_DOUBLE_EQ(julian_date(2000, 1, 1, 0, 0, 0), 2451544.5);
  EXPECT_DOUBLE_EQ(julian_date(2000, 1, 1, 12, 0, 0), 2451545.0);
  EXPECT_DOUBLE_EQ(julian_date(2001, 2, 31, 0, 0, 0),
                   julian_date(2001, 3, 3, 0, 0, 0));
  // The Gregorian reform: 4 October 1582 is followed by 15 October.
  EXPECT_DOUBLE_EQ(julian_date(1582, 10, 4, 0, 0, 0), 2299159.5);
  EXPECT_DOUBLE_EQ(julian_date(1582, 10, 15, 0, 0, 0), 2299160.5);
  // Noon of 1 January 4713 BC (no year zero) is the epoch.
  EXPECT_DOUBLE_EQ(julian_date(-4713, 1, 1, 12, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(julian_date(2000, 1, 1, 6, 30, 36),
                   2451544.5 + (6 * 3600 + 30 * 60 + 36) / 86400.0);
  // 2000 is divisible by 400; 1900 is a plain century year.
  EXPECT_DOUBLE_EQ(
      julian_date(1900, 3, 1, 0, 0, 0) - julian_date(1900, 2, 28, 0, 0, 0),
      1.0);
  EXPECT_DOUBLE_EQ(
      julian_date(2000, 3, 1, 0, 0, 0) - julian_date(2000, 2, 28, 0, 0, 0),
      2.0);
}

TEST(CalendarTest, JulianDateOfExtremeFieldsIsFinite) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  EXPECT_TRUE(std::isfinite(julian_date(kMax, kMax, kMax, kMax, kMax, kMax)));
  EXPECT_TRUE(std::isfinite(julian_date(kMin, kMin, kMin, kMin, kMin, kMin)));
}

TEST(CalendarTest, ShiftExamples) {
  struct Case {
    CalendarTime from;
    int64_t seconds;
    CalendarTime to;
  } cases[] = {
      {at(2004, 12, 31, 23, 30, 0), 3600, at(2005, 1, 1, 0, 30, 0)},
      {at(2005, 4, 19, 0, 0, 30), -60, at(2005, 4, 18, 23, 59, 30)},
      {at(2005, 4, 19, 12, 59, 45), 30, at(2005, 4, 19, 13, 0, 15)},
      {at(2004, 3, 1, 0, 0, 30), -45, at(2004, 2, 29, 23, 59, 45)},
      {at(2005, 3, 1, 0, 0, 30), -45, at(2005, 2, 28, 23, 59, 45)},
      {at(2005, 1, 1, 0, 0, 0), -1, at(2004, 12, 31, 23, 59, 59)},
      {at(2005, 4, 19, 9, 5, 7), 0, at(2005, 4, 19, 9, 5, 7)},
      {at(1500, 2, 28, 12, 0, 0), 86400, at(1500, 2, 29, 12, 0, 0)},
      {at(1900, 2, 28, 12, 0, 0), 86400, at(1900, 3, 1, 12, 0, 0)},
      // No days are skipped at the reform: the carry uses the month table.
      {at(1582, 10, 4, 0, 0, 0), 86400, at(1582, 10, 5, 0, 0, 0)},
      {at(1, 1, 1, 0, 0, 0), -86400, at(0, 12, 31, 0, 0, 0)},
      {at(-9, 3, 1, 0, 0, 0), -86400, at(-9, 2, 30, 0, 0, 0)},
      {at(2000, 1, 1, 0, 0, 0), 2147483647LL, at(2068, 1, 19, 3, 14, 7)},
      {at(2000, 1, 1, 0, 0, 0), -2147483648LL, at(1931, 12, 13, 20, 45, 52)},
  };
  for (const Case& c : cases) {
    CalendarTime time = c.from;
    shift_calendar_time(c.seconds, &time);
    SCOPED_TRACE(c.seconds);
    expect_same(time, c.to);
  }
}

// Civil date of a day count from 1970-01-01 in the proleptic Gregorian
// calendar, by era arithmetic: an oracle independent of the code under test.
void civil_from_days(int64_t z, int64_t* y, int* m, int* d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2);
}

int64_t floor_div(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Gregorian dates are checked against the oracle for random shifts of the
// whole 32-bit range.
TEST(CalendarTest, ShiftAgreesWithCivilCalendar) {
  std::mt19937 random(20050419);
  std::uniform_int_distribution<int64_t> shifts(-2147483648LL, 2147483648LL);
  // Day counts from 1700-01-01 to 9000-12-31.
  std::uniform_int_distribution<int64_t> start_days(-98627, 2567612);
  std::uniform_int_distribution<int64_t> seconds_of_day(0, 86399);
  for (int i = 0; i < 20000; ++i) {
    int64_t start_day = start_days(random);
    int64_t start_second = seconds_of_day(random);
    int64_t shift = shifts(random);
    int64_t y;
    int m, d;
    civil_from_days(start_day, &y, &m, &d);
    CalendarTime time{int(y),
                      m,
                      d,
                      int(start_second / 3600),
                      int(start_second / 60 % 60),
                      int(start_second % 60),
                      0};
    shift_calendar_time(shift, &time);

    int64_t point = start_day * 86400 + start_second + shift;
    int64_t expected_day = floor_div(point, 86400);
    civil_from_days(expected_day, &y, &m, &d);
    ASSERT_EQ(time.year, y) << i;
    ASSERT_EQ(time.month, m) << i;
    ASSERT_EQ(time.day, d) << i;
    ASSERT_EQ(time.hour * 3600 + time.minute * 60 + time.second,
              point - expected_day * 86400)
        << i;
  }
}

// Across the early and Julian years, shifting there and back again must
// return to the start, and every step stays a valid date.
TEST(CalendarTest, ShiftRoundTripsInEveryEra) {
  std::mt19937 random(1582);
  std::uniform_int_distribution<int64_t> shifts(-2147483648LL, 2147483648LL);
  std::uniform_int_distribution<int> years(-3000, 3000);
  for (int i = 0; i < 20000; ++i) {
    int y = years(random);
    int m = 1 + int(random() % 12);
    int d = 1 + int(random() % days_in_month(y, m));
    CalendarTime start =
        at(y, m, d, int(random() % 24), int(random() % 60), int(random() % 60));
    int64_t shift = shifts(random);
    CalendarTime time = start;
    shift_calendar_time(shift, &time);
    ASSERT_GE(time.month, 1);
    ASSERT_LE(time.month, 12);
    ASSERT_GE(time.day, 1);
    ASSERT_LE(time.day, days_in_month(time.year, time.month));
    shift_calendar_time(-shift, &time);
    ASSERT_EQ(time.year, start.year) << i;
    ASSERT_EQ(time.month, start.month) << i;
    ASSERT_EQ(time.day, start.day) << i;
    ASSERT_EQ(time.second + 60 * time.minute + 3600 * time.hour,
              start.second + 60 * start.minute + 3600 * start.hour)
        << i;
  }
}

TEST(CalendarTest, ShiftAtTheEdgesOfTheYearRangeSaturates) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  CalendarTime late = at(kMax, 12, 31, 23, 0, 0);
  shift_calendar_time(2147483647LL, &late);
  expect_same(late, at(kMax, 12, 31, 23, 59, 59));
  CalendarTime early = at(kMin, 1, 1, 1, 0, 0);
  shift_calendar_time(-2147483648LL, &early);
  expect_same(early, at(kMin, 1, 1, 0, 0, 0));
  // Within the range the edges still carry normally.
  CalendarTime near = at(kMax, 12, 31, 23, 0, 0);
  shift_calendar_time(60, &near);
  expect_same(near, at(kMax, 12, 31, 23, 1, 0));
}

// The whole range of the shift's type: no step of the arithmetic may
// overflow (the remainder of the lowest value once did).
TEST(CalendarTest, ShiftByTheExtremesOfSixtyFourBits) {
  CalendarTime low = at(2000, 6, 15, 12, 0, 0);
  shift_calendar_time(std::numeric_limits<int64_t>::min(), &low);
  expect_same(low, at(std::numeric_limits<int>::min(), 1, 1, 0, 0, 0));
  CalendarTime high = at(2000, 6, 15, 12, 0, 0);
  shift_calendar_time(std::numeric_limits<int64_t>::max(), &high);
  expect_same(high, at(std::numeric_limits<int>::max(), 12, 31, 23, 59, 59));
}

}  // namespace
}  // namespace kavo

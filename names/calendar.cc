#include "names/calendar.h"

#include <cmath>
#include <limits>

#include "platform/platform.h"

namespace kavo {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Quotient and remainder rounded toward minus infinity, so that negative
// day and second counts carry the same way as positive ones.
int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Taken from the remainder itself: a - floor_div(a, b) * b would overflow
// for an `a` near the lower end of 64 bits.
int64_t floor_mod(int64_t a, int64_t b) {
  int64_t r = a % b;
  return r != 0 && ((r < 0) != (b < 0)) ? r + b : r;
}

// Number of leap years up to and including `year`, following is_leap_year
// in closed form (there are none before -45). Lets dates be turned into day
// numbers without walking year by year.
int64_t leap_years_through(int64_t year) {
  if (year < -45) return 0;
  if (year <= -9) return floor_div(year, 3) + 16;  // -45, -42, ..., -9
  if (year <= 7) return 13;
  if (year <= 1582) return 13 + year / 4 - 1;  // 8, 12, ..., 1580
  auto gregorian = [](int64_t y) { return y / 4 - y / 100 + y / 400; };
  return 407 + gregorian(year) - gregorian(1582);
}

// Day number of 1 January of `year`; consecutive years differ by their
// length of 365 or 366 days.
int64_t year_start_day(int64_t year) {
  return 365 * year + leap_years_through(year - 1);
}

// Calendar years this far from zero cannot be reached by any shift the
// program makes and keep every day number well inside 64 bits.
constexpr int64_t kYearSearchLimit = int64_t{1} << 40;

int64_t year_of_day(int64_t day) {
  int64_t low = -kYearSearchLimit;  // year_start_day(low) <= day
  int64_t high = kYearSearchLimit;  // year_start_day(high) > day
  if (day < year_start_day(low)) return low;
  if (day >= year_start_day(high)) return high;
  while (high - low > 1) {
    int64_t middle = low + (high - low) / 2;
    if (year_start_day(middle) <= day) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return low;
}

// days_in_month for a year that may lie outside 32 bits; such a year is
// clamped at the end anyway, so any month length will do for it.
int month_length(int64_t year, int month) {
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t clamped = year < kMin ? kMin : (year > kMax ? kMax : year);
  return days_in_month(static_cast<int32_t>(clamped), month);
}

void set_clamped_year(int64_t year, CalendarTime* time) {
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  if (year < kMin) {
    *time = CalendarTime{static_cast<int>(kMin), 1, 1, 0, 0, 0, time->weekday};
  } else if (year > kMax) {
    *time =
        CalendarTime{static_cast<int>(kMax), 12, 31, 23, 59, 59, time->weekday};
  } else {
    time->year = static_cast<int>(year);
  }
}

}  // namespace

bool is_leap_year(int32_t year) {
  if (year < -46) return false;
  if (year <= -9) return year % 3 == 0;
  if (year <= 7) return false;
  if (year <= 1582) return year % 4 == 0;
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int32_t year, int32_t month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // A month outside the year (a mistyped filter date) must not read outside
  // the table; it counts as a long month.
  if (month < 1 || month > 12) return 31;
  if (year < -8) {
    if (month == 2) return is_leap_year(year) ? 30 : 29;
    return month % 2 == 1 ? 31 : 30;
  }
  if (month == 2 && is_leap_year(year)) return 29;
  return kDays[month - 1];
}

double julian_date(int32_t year, int32_t month, int32_t day, int32_t hour,
                   int32_t minute, int32_t second) {
  // 64-bit intermediates: the fields are unchecked and may be extreme.
  int64_t y = year < 0 ? int64_t{year} + 1 : int64_t{year};
  int64_t mo = month;
  double t = std::floor(365.25 * static_cast<double>(y + 4715)) +
             static_cast<double>(31 * mo + day) - 1127.5;
  if (mo >= 3) {
    t -= std::floor(0.4 * static_cast<double>(mo) + 1.2);
    if ((y + 4712) % 4 != 0) t -= 1;
  }
  bool gregorian = y > 1582 || (y == 1582 && mo > 10) ||
                   (y == 1582 && mo == 10 && day >= 15);
  if (gregorian) {
    int64_t q = (y - 1601) / 100;
    t -= std::floor(0.75 * static_cast<double>((q < 0 ? -q : q) + 1)) + 10;
    if (mo >= 3 && y % 100 == 0 && y % 400 != 0) t -= 1;
  }
  double seconds = second;
  return t + ((seconds / 60 + minute) / 60 + hour) / 24;
}

void shift_calendar_time(int64_t seconds, CalendarTime* time) {
  // The time is turned into a day number and a second of the day, moved,
  // and turned back; the cost does not grow with the size of the shift.
  int64_t year = time->year + floor_div(int64_t{time->month} - 1, 12);
  int month = static_cast<int>(floor_mod(int64_t{time->month} - 1, 12)) + 1;
  int64_t day = year_start_day(year) + int64_t{time->day} - 1;
  for (int m = 1; m < month; ++m) {
    day += month_length(year, m);
  }
  int64_t second_of_day = int64_t{time->hour} * 3600 +
                          int64_t{time->minute} * 60 + int64_t{time->second};
  // Split the shift first so that adding it cannot overflow.
  second_of_day += floor_mod(seconds, kSecondsPerDay);
  day += floor_div(seconds, kSecondsPerDay) +
         floor_div(second_of_day, kSecondsPerDay);
  second_of_day = floor_mod(second_of_day, kSecondsPerDay);

  year = year_of_day(day);
  day -= year_start_day(year);
  month = 1;
  while (month < 12 && day >= month_length(year, month)) {
    day -= month_length(year, month);
    ++month;
  }
  time->month = month;
  time->day = static_cast<int>(day) + 1;
  time->hour = static_cast<int>(second_of_day / 3600);
  time->minute = static_cast<int>(second_of_day / 60 % 60);
  time->second = static_cast<int>(second_of_day % 60);
  set_clamped_year(year, time);
}

}  // namespace kavo

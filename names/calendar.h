// Calendar arithmetic shared by the run's stopwatch, date naming and the
// date filters. Plain integers in, no state, no errors.

#ifndef KAVO_NAMES_CALENDAR_H_
#define KAVO_NAMES_CALENDAR_H_

#include <cstdint>

namespace kavo {

struct CalendarTime;

// Leap years: Julian rule before the Gregorian reform of 1582, with the
// early irregular years of the Julian calendar.
bool is_leap_year(int32_t year);

// Days of `month` in `year`; a month outside 1..12 answers 31.
int days_in_month(int32_t year, int32_t month);

// Astronomical Julian Date of a local calendar time (Julian calendar before
// 1582-10-15, Gregorian from then on), time of day as a fraction of a day.
double julian_date(int32_t year, int32_t month, int32_t day, int32_t hour,
                   int32_t minute, int32_t second);

// Moves `*time` by `seconds` (either sign), carrying through minutes,
// hours, days, months and years of the calendar above. `weekday` is left
// as it was.
void shift_calendar_time(int64_t seconds, CalendarTime* time);

}  // namespace kavo

#endif  // KAVO_NAMES_CALENDAR_H_

// Date naming: the entry's last-write time as a date text that takes the
// place of the '/' in the new string.

#ifndef KAVO_NAMES_DATE_NAME_H_
#define KAVO_NAMES_DATE_NAME_H_

#include <cstdint>
#include <string>

namespace kavo {

struct CalendarTime;

// Date naming off, or the layout of the date text.
enum DateFormat {
  kDateOff = 0,
  kDateYmdHms = 1,     // yyyymmdd-hhmmss
  kDateYmdHm = 2,      // yyyymmdd-hhmm
  kDateShortHms = 3,   // yymmdd-hhmmss
  kDateShortHm = 4,    // yymmdd-hhmm
  kDateYmd = 5,        // yyyymmdd
  kDateShortYmd = 6,   // yymmdd
};

// How a date text is made: the layout, and the seconds added to the
// entry's time first (negative: back in time).
struct DateNaming {
  DateFormat layout = kDateOff;
  int64_t shift_seconds = 0;
};

// The date text for attempt `attempt` (1, 2, ...) of an entry whose
// last-write time is `local` (local calendar time): shifted and laid out
// as `naming` says, and for attempt >= 2 followed by "-<attempt>" at the
// text's end (past every year digit).
std::string make_date_text(const CalendarTime& local, int attempt,
                           const DateNaming& naming);

// `*new_string` = `template_text` with its first '/' replaced by
// `date_text`. Returns false when the template holds no '/'.
bool insert_date_text(const std::string& template_text,
                      const std::string& date_text, std::string* new_string);

}  // namespace kavo

#endif  // KAVO_NAMES_DATE_NAME_H_

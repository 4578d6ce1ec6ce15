// Date naming: the entry's last-write time as a date text that takes the
// place of the '/' in the new string.

#ifndef KAVO_NAMES_DATE_NAME_H_
#define KAVO_NAMES_DATE_NAME_H_

#include <string>

namespace kavo {

struct CalendarTime;
struct RunOptions;

// Values of RunOptions::date_format.
enum DateFormat {
  kDateOff = 0,
  kDateYmdHms = 1,     // yyyymmdd-hhmmss
  kDateYmdHm = 2,      // yyyymmdd-hhmm
  kDateShortHms = 3,   // yymmdd-hhmmss
  kDateShortHm = 4,    // yymmdd-hhmm
  kDateYmd = 5,        // yyyymmdd
  kDateShortYmd = 6,   // yymmdd
};

// The date text for attempt `attempt` (1, 2, ...) of an entry whose
// last-write time is `local` (local calendar time): corrected by the
// options' shift, laid out by options.date_format, and for attempt >= 2
// followed by "-<attempt>" at the text's end (past every year digit).
std::string make_date_text(const CalendarTime& local, int attempt,
                           const RunOptions& options);

// `*new_string` = `template_text` with its first '/' replaced by
// `date_text`. Returns false when the template holds no '/'.
bool insert_date_text(const std::string& template_text,
                      const std::string& date_text, std::string* new_string);

}  // namespace kavo

#endif  // KAVO_NAMES_DATE_NAME_H_

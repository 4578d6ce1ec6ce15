#include "names/date_name.h"

#include <cstdio>

#include "names/calendar.h"
#include "platform/platform.h"

namespace kavo {

namespace {

// The fields as printf gets them; "%4d" gives years outside 1000-9999 more
// or fewer characters than the layout's usual length, and the text simply
// grows with them.
std::string format_date(const CalendarTime& t, DateFormat layout) {
  // Room for six fields of the widest int and the separators.
  char text[96];
  int short_year = t.year % 100;
  switch (layout) {
    case kDateYmdHms:
      std::snprintf(text, sizeof text, "%4d%02d%02d-%02d%02d%02d", t.year,
                    t.month, t.day, t.hour, t.minute, t.second);
      break;
    case kDateYmdHm:
      std::snprintf(text, sizeof text, "%4d%02d%02d-%02d%02d", t.year, t.month,
                    t.day, t.hour, t.minute);
      break;
    case kDateShortHms:
      std::snprintf(text, sizeof text, "%02d%02d%02d-%02d%02d%02d", short_year,
                    t.month, t.day, t.hour, t.minute, t.second);
      break;
    case kDateShortHm:
      std::snprintf(text, sizeof text, "%02d%02d%02d-%02d%02d", short_year,
                    t.month, t.day, t.hour, t.minute);
      break;
    case kDateYmd:
      std::snprintf(text, sizeof text, "%4d%02d%02d", t.year, t.month, t.day);
      break;
    case kDateShortYmd:
      std::snprintf(text, sizeof text, "%02d%02d%02d", short_year, t.month,
                    t.day);
      break;
    default:  // kDateOff
      return std::string();
  }
  return text;
}

}  // namespace

std::string make_date_text(const CalendarTime& local, int attempt,
                           const DateNaming& naming) {
  CalendarTime time = local;
  if (naming.shift_seconds != 0) {
    shift_calendar_time(naming.shift_seconds, &time);
  }
  std::string text = format_date(time, naming.layout);
  // The duplicate number goes at the real end of the text, which differs
  // from the layout's usual length for years outside 1000-9999.
  if (attempt >= 2) {
    text += '-';
    text += std::to_string(attempt);
  }
  return text;
}

bool insert_date_text(const std::string& template_text,
                      const std::string& date_text, std::string* new_string) {
  // '/' is never a trail byte, so a byte-wise search is exact.
  size_t slash = template_text.find('/');
  if (slash == std::string::npos) return false;
  *new_string = template_text;
  new_string->replace(slash, 1, date_text);
  return true;
}

}  // namespace kavo

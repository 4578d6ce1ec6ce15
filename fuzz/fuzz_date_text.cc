// Date naming and the calendar arithmetic under it: a local time (from any
// file time, or fields as they come), a shift, a layout and a duplicate
// number. Checked: the date text holds digits and hyphens only (after the
// spaces that pad a year below 1000) and ends in "-<attempt>" from the
// second attempt on; a shifted time always has its fields inside their
// ranges, and shifting a valid time there and back gives it again; the date
// goes where the new string's '/' was.

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/options.h"
#include "fuzz/fuzz_check.h"
#include "names/calendar.h"
#include "names/date_name.h"
#include "platform/platform.h"

namespace {

using kavo::CalendarTime;

CalendarTime any_time(FuzzedDataProvider* in) {
  if (in->ConsumeBool()) {
    return kavo::local_calendar_time(in->ConsumeIntegral<int64_t>());
  }
  CalendarTime t;
  t.year = in->ConsumeIntegral<int32_t>();
  t.month = in->ConsumeIntegral<int32_t>();
  t.day = in->ConsumeIntegral<int32_t>();
  t.hour = in->ConsumeIntegral<int32_t>();
  t.minute = in->ConsumeIntegral<int32_t>();
  t.second = in->ConsumeIntegral<int32_t>();
  return t;
}

bool is_valid(const CalendarTime& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= kavo::days_in_month(t.year, t.month) && t.hour >= 0 &&
         t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60;
}

bool same_time(const CalendarTime& a, const CalendarTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day &&
         a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}

void check_date_text(const CalendarTime& local, int attempt,
                     const kavo::RunOptions& options) {
  std::string text = kavo::make_date_text(local, attempt, options);
  FUZZ_CHECK(!text.empty());
  // A year below 1000 is padded with spaces ("%4d"), nothing else is.
  size_t start = text.find_first_not_of(' ');
  FUZZ_CHECK(start != std::string::npos);
  for (char c : text.substr(start)) {
    FUZZ_CHECK((c >= '0' && c <= '9') || c == '-');
  }
  if (attempt >= 2) {
    std::string suffix = "-" + std::to_string(attempt);
    FUZZ_CHECK(
        text.size() > suffix.size() &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0);
  }
}

// Years this far from the limits of 32 bits are never clamped by a shift
// of up to about 300,000 years.
constexpr int32_t kSafeYear = INT32_MAX / 2;
constexpr int64_t kLargestRoundTrip = int64_t{1} << 43;

void check_shift(const CalendarTime& start, int64_t seconds) {
  CalendarTime t = start;
  kavo::shift_calendar_time(seconds, &t);
  FUZZ_CHECK(is_valid(t));
  if (!is_valid(start) || start.year > kSafeYear || start.year < -kSafeYear ||
      seconds > kLargestRoundTrip || seconds < -kLargestRoundTrip) {
    return;
  }
  kavo::shift_calendar_time(-seconds, &t);
  FUZZ_CHECK(same_time(t, start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  kavo::RunOptions options;
  options.date_format = in.ConsumeIntegralInRange<int>(1, 6);
  options.date_shift_seconds = in.ConsumeIntegral<int32_t>();
  options.date_shift_sign = in.ConsumeIntegralInRange<int>(-1, 1);
  const int attempt = in.ConsumeIntegralInRange<int>(1, INT_MAX);
  const CalendarTime local = any_time(&in);
  const int64_t seconds = in.ConsumeIntegral<int64_t>();
  const std::string template_text = in.ConsumeRemainingBytesAsString();

  check_date_text(local, attempt, options);
  check_shift(local, seconds);
  kavo::julian_date(local.year, local.month, local.day, local.hour,
                    local.minute, local.second);

  std::string date = kavo::make_date_text(local, attempt, options);
  std::string new_string;
  size_t slash = template_text.find('/');
  bool inserted = kavo::insert_date_text(template_text, date, &new_string);
  FUZZ_CHECK(inserted == (slash != std::string::npos));
  if (inserted) {
    FUZZ_CHECK(new_string == template_text.substr(0, slash) + date +
                                 template_text.substr(slash + 1));
  }
  return 0;
}

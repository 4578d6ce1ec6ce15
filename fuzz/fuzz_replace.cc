// The new name: a subject, an old string (pattern), a new string, the
// match flags and the name part, then a date text for the same entry.
// Checked: a match lies inside the subject on character boundaries and
// honours the anchors; a literal pattern is found where a plain search
// finds it; a replacement is exactly the match replaced and never grows a
// name part to 260 bytes; the new path keeps its directory. A date text is
// digits and hyphens (after the spaces padding a year below 1000) ending in
// "-<attempt>" from the second attempt; a shift keeps every field in range
// and shifting back returns; the date goes where the new string's '/' was.

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/options.h"
#include "fuzz/fuzz_check.h"
#include "names/calendar.h"
#include "names/date_name.h"
#include "names/name_part.h"
#include "names/pattern.h"
#include "platform/platform.h"

namespace {

using kavo::Match;
using kavo_fuzz::on_boundary;

void check_replace(const std::string& subject, const std::string& pattern,
                   const std::string& replacement, kavo::MatchFlags flags) {
  Match m;
  bool found = kavo::find_match(subject, pattern, flags, &m);
  if (found) {
    FUZZ_CHECK(!pattern.empty());
    FUZZ_CHECK(m.start <= m.end && m.end <= subject.size());
    FUZZ_CHECK(on_boundary(subject, m.start) && on_boundary(subject, m.end));
    FUZZ_CHECK(!flags.head || m.start == 0);
    FUZZ_CHECK(!flags.tail || m.end == subject.size());
  }
  if (!flags.fold && !flags.head && !flags.tail &&
      pattern.find_first_of("*?\\") == std::string::npos) {
    size_t at = pattern.empty() ? std::string::npos : subject.find(pattern);
    while (at != std::string::npos &&
           !(on_boundary(subject, at) &&
             on_boundary(subject, at + pattern.size()))) {
      at = subject.find(pattern, at + 1);
    }
    FUZZ_CHECK(found == (at != std::string::npos));
    FUZZ_CHECK(!found || (m.start == at && m.end == at + pattern.size()));
  }
  std::string part = subject;
  if (!kavo::replace_first_match(&part, pattern, replacement, flags)) {
    FUZZ_CHECK(part == subject);
    return;
  }
  FUZZ_CHECK(found);
  FUZZ_CHECK(part ==
             subject.substr(0, m.start) + replacement + subject.substr(m.end));
  FUZZ_CHECK(part.size() <= subject.size() ||
             part.size() < kavo::kNamePartLimit);
}

void check_new_path(const std::string& name, const std::string& old_string,
                    const std::string& new_string, kavo::RunOptions options) {
  std::string new_path;
  if (!kavo::compute_new_path("dir\\" + name, old_string, new_string, options,
                              &new_path)) {
    return;
  }
  FUZZ_CHECK(new_path.compare(0, 4, "dir\\") == 0);
  if (kavo_fuzz::well_formed(name) && kavo_fuzz::well_formed(new_string) &&
      kavo::sjis_find_char(name, '\\') == kavo::kNoPosition &&
      kavo::sjis_find_char(new_string, '\\') == kavo::kNoPosition) {
    FUZZ_CHECK(kavo::sjis_find_last_char(new_path, '\\') == 3);
    FUZZ_CHECK(name.size() >= kavo::kNamePartLimit ||
               options.name_part != kavo::kWholeName ||
               new_path.size() - 4 < kavo::kNamePartLimit);
  }
}

bool valid(const kavo::CalendarTime& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= kavo::days_in_month(t.year, t.month) && t.hour >= 0 &&
         t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60;
}

void check_date(FuzzedDataProvider* in, kavo::RunOptions options,
                const std::string& new_string) {
  options.date_format = in->ConsumeIntegralInRange<int>(1, 6);
  options.date_shift_seconds = in->ConsumeIntegral<int32_t>();
  options.date_shift_sign = in->ConsumeIntegralInRange<int>(-1, 1);
  const int attempt = in->ConsumeIntegralInRange<int>(1, INT_MAX);
  kavo::CalendarTime t =
      kavo::local_calendar_time(in->ConsumeIntegral<int64_t>());
  if (in->ConsumeBool()) {
    t = {in->ConsumeIntegral<int>(), in->ConsumeIntegral<int>(),
         in->ConsumeIntegral<int>(), in->ConsumeIntegral<int>(),
         in->ConsumeIntegral<int>(), in->ConsumeIntegral<int>()};
  }
  std::string date = kavo::make_date_text(t, attempt, options);
  size_t digits = date.find_first_not_of(' ');
  FUZZ_CHECK(digits != std::string::npos);
  FUZZ_CHECK(date.find_first_not_of("0123456789-", digits) ==
             std::string::npos);
  const std::string suffix = "-" + std::to_string(attempt);
  FUZZ_CHECK(attempt < 2 ||
             (date.size() > suffix.size() && date.ends_with(suffix)));
  const int64_t shift = in->ConsumeIntegral<int64_t>();
  kavo::CalendarTime shifted = t;
  kavo::shift_calendar_time(shift, &shifted);
  FUZZ_CHECK(valid(shifted));
  // Far from the ends of 32-bit years no shift saturates.
  if (valid(t) && t.year < INT_MAX / 2 && t.year > -INT_MAX / 2 &&
      shift < (int64_t{1} << 43) && shift > -(int64_t{1} << 43)) {
    kavo::shift_calendar_time(-shift, &shifted);
    FUZZ_CHECK(shifted.year == t.year && shifted.month == t.month &&
               shifted.day == t.day && shifted.hour == t.hour &&
               shifted.minute == t.minute && shifted.second == t.second);
  }
  std::string named;
  size_t slash = new_string.find('/');
  FUZZ_CHECK(kavo::insert_date_text(new_string, date, &named) ==
             (slash != std::string::npos));
  FUZZ_CHECK(slash == std::string::npos ||
             named == new_string.substr(0, slash) + date +
                          new_string.substr(slash + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t bits = in.ConsumeIntegral<uint8_t>();
  kavo::MatchFlags flags{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
  kavo::RunOptions options;
  options.name_part = (bits >> 3) % 5;
  options.old_case_fold = flags.fold;
  options.anchor_head = flags.head;
  options.anchor_tail = flags.tail;
  const std::string subject = in.ConsumeRandomLengthString(600);
  const std::string pattern = in.ConsumeRandomLengthString(80);
  const std::string replacement = in.ConsumeRandomLengthString(300);
  check_replace(subject, pattern, replacement, flags);
  check_new_path(subject, pattern, replacement, options);
  check_date(&in, options, replacement);
  return 0;
}

// The new name: a match lies on character boundaries and honours its
// anchors, a literal is found where a plain search finds it, a replacement
// is the match replaced and never grows a name part to 260 bytes as stored,
// the new path keeps its directory. A date text is digits and hyphens
// (after spaces padding a year below 1000) ending in "-<attempt>" from the
// second, a shift keeps every field in range, the date replaces the '/'.

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <string>

#include "fuzz/fuzz_check.h"
#include "names/calendar.h"
#include "names/date_name.h"
#include "names/name_part.h"
#include "names/pattern.h"
#include "platform/platform.h"

namespace {

using kavo_fuzz::on_boundary;

void check_replace(const std::string& s, const std::string& pattern,
                   const std::string& with, kavo::MatchFlags flags) {
  kavo::Match m;
  bool found = kavo::find_match(s, pattern, flags, &m);
  FUZZ_CHECK(!found ||
             (!pattern.empty() && m.start <= m.end && m.end <= s.size() &&
              on_boundary(s, m.start) && on_boundary(s, m.end) &&
              (!flags.head || m.start == 0) &&
              (!flags.tail || m.end == s.size())));
  if (!flags.fold && !flags.head && !flags.tail && !pattern.empty() &&
      pattern.find_first_of("*?\\") == std::string::npos) {
    size_t at = s.find(pattern);
    while (at != std::string::npos &&
           !(on_boundary(s, at) && on_boundary(s, at + pattern.size()))) {
      at = s.find(pattern, at + 1);
    }
    FUZZ_CHECK(found == (at != std::string::npos) && (!found || m.start == at));
  }
  std::string part = s;
  bool replaced = kavo::replace_first_match(&part, pattern, with, flags);
  FUZZ_CHECK(replaced ? found && part == s.substr(0, m.start) + with +
                                             s.substr(m.end)
                      : part == s);
  size_t stored = kavo::stored_name_length(part);
  FUZZ_CHECK(stored <= kavo::stored_name_length(s) ||
             stored < kavo::kNamePartLimit);
}

void check_new_path(const std::string& name, const std::string& old_string,
                    const std::string& new_string,
                    const kavo::NameChange& change) {
  std::string path;
  if (!kavo::compute_new_path("dir\\" + name, old_string, new_string, change,
                              &path)) {
    return;
  }
  FUZZ_CHECK(path.compare(0, 4, "dir\\") == 0);
  if (kavo_fuzz::well_formed(name + new_string) &&
      kavo::sjis_find_char(name + new_string, '\\') == kavo::kNoPosition) {
    FUZZ_CHECK(kavo::sjis_find_last_char(path, '\\') == 3);
  }
}

void check_date(FuzzedDataProvider* in, const std::string& new_string) {
  kavo::DateNaming naming;
  naming.layout =
      static_cast<kavo::DateFormat>(in->ConsumeIntegralInRange<int>(1, 6));
  const int32_t seconds = in->ConsumeIntegral<int32_t>();
  naming.shift_seconds =
      in->ConsumeIntegralInRange<int>(-1, 1) * int64_t{seconds};
  const int attempt = in->ConsumeIntegralInRange<int>(1, INT_MAX);
  kavo::CalendarTime t =
      kavo::local_calendar_time(in->ConsumeIntegral<int64_t>());
  if (in->ConsumeBool()) {
    for (int* field :
         {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second}) {
      *field = in->ConsumeIntegral<int>();
    }
  }
  std::string date = kavo::make_date_text(t, attempt, naming);
  size_t digits = date.find_first_not_of(' ');
  FUZZ_CHECK(digits != std::string::npos &&
             date.find_first_not_of("0123456789-", digits) ==
                 std::string::npos);
  const std::string suffix = "-" + std::to_string(attempt);
  FUZZ_CHECK(attempt < 2 ||
             (date.size() > suffix.size() && date.ends_with(suffix)));
  kavo::CalendarTime u = t;  // every field stays in range
  kavo::shift_calendar_time(in->ConsumeIntegral<int64_t>(), &u);
  FUZZ_CHECK(u.month >= 1 && u.month <= 12 && u.day >= 1 &&
             u.day <= kavo::days_in_month(u.year, u.month) && u.hour >= 0 &&
             u.hour < 24 && u.minute >= 0 && u.minute < 60 && u.second >= 0 &&
             u.second < 60);
  std::string named;
  size_t slash = new_string.find('/');
  bool inserted = kavo::insert_date_text(new_string, date, &named);
  FUZZ_CHECK(inserted == (slash != std::string::npos));
  FUZZ_CHECK(!inserted || named == new_string.substr(0, slash) + date +
                                       new_string.substr(slash + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t bits = in.ConsumeIntegral<uint8_t>();
  kavo::MatchFlags flags{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
  kavo::NameChange change;
  change.part = static_cast<kavo::NamePart>((bits >> 3) % 5);
  change.match = flags;
  const std::string subject = in.ConsumeRandomLengthString(600);
  const std::string pattern = in.ConsumeRandomLengthString(80);
  const std::string replacement = in.ConsumeRandomLengthString(300);
  check_replace(subject, pattern, replacement, flags);
  check_new_path(subject, pattern, replacement, change);
  check_date(&in, replacement);
  return 0;
}

// The filters: their four path matchers (whole name, whole name with
// escapes, head and tail of a path) and the directory comparison on any
// text and pattern, and the option values read from the same pattern.
// Checked: a text matches itself written as a pattern and "*" matches
// every whole text; list elements keep no white space at their end nor a
// lone single-byte backslash; a size is never a range marker; a date range
// never has both sides open nor ends before it starts.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "fuzz/fuzz_check.h"
#include "platform/platform.h"

namespace {

// The pattern that stands for `text` byte for byte where "\*", "\?" and
// "\\" are escapes (only single-byte characters are escaped).
std::string escaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.find_first_of("*?\\", i) == i &&
        kavo::sjis_byte_class(text, i) == 0) {
      out.push_back('\\');
    }
    out.push_back(text[i]);
  }
  return out;
}

void check_matchers(const std::string& text, const std::string& pattern,
                    bool fold) {
  kavo::match_whole(text, pattern, fold);
  kavo::match_whole_escaped(text, pattern, fold);
  kavo::match_head(text, pattern, fold);
  kavo::match_tail(text, pattern, fold);
  kavo::is_path_under_nocase(pattern, text);
  FUZZ_CHECK(kavo::match_whole(text, "*", fold));
  if (!kavo_fuzz::well_formed(text)) return;
  FUZZ_CHECK(kavo::match_whole_escaped(text, escaped(text), fold));
  if (text.empty() || kavo::sjis_find_char(text, '*') != kavo::kNoPosition ||
      kavo::sjis_find_char(text, '?') != kavo::kNoPosition) {
    return;
  }
  FUZZ_CHECK(kavo::match_whole(text, text, fold));
  FUZZ_CHECK(kavo::match_head(text, text, fold));
  FUZZ_CHECK(kavo::match_tail(text, text, fold));
}

void check_values(const std::string& value, int64_t seconds) {
  for (kavo::PatternElement& item : kavo::split_elements(value)) {
    std::string& text = item.text;
    if (text.empty()) continue;
    FUZZ_CHECK(std::string_view(" \t\n\v\f\r").find(text.back()) ==
               std::string_view::npos);
    FUZZ_CHECK(text.back() != '\\' ||
               kavo::sjis_byte_class(text, text.size() - 1) == 2);
    kavo::strip_dir_suffix(&text);
  }
  uint64_t size = kavo::parse_size(value);
  FUZZ_CHECK(size != kavo::kSizeNone && size != kavo::kSizeOpen);
  kavo::DateRange range;
  kavo::parse_date_range(value, &range);
  FUZZ_CHECK(!(range.from.year == -2 && range.to.year == -2));
  if (range.from.year > 0 && range.to.year > 0) {
    FUZZ_CHECK(kavo::range_start_julian(range.from) <=
               kavo::range_end_julian(range.to));
  }
  kavo::time_in_range(kavo::local_calendar_time(seconds), range);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool fold = in.ConsumeBool();
  // Far beyond the calendar's everyday years on both sides.
  const int64_t seconds =
      in.ConsumeIntegralInRange<int64_t>(-400000000000, 400000000000);
  const std::string text = in.ConsumeRandomLengthString(2100);
  const std::string pattern = in.ConsumeRemainingBytesAsString();
  check_matchers(text, pattern, fold);
  check_values(pattern, seconds);
  return 0;
}

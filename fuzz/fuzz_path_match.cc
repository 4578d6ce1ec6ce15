// The path matchers and the directory comparison on any text and pattern,
// and option values read from the pattern: a text matches itself and "*";
// list elements end in no white space nor lone single-byte backslash; a
// size is never a range marker; a date range has a side and no end before
// its start.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "fuzz/fuzz_check.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool fold = in.ConsumeBool();
  const int64_t seconds =  // far beyond everyday years on both sides
      in.ConsumeIntegralInRange<int64_t>(-400000000000, 400000000000);
  const std::string text = in.ConsumeRandomLengthString(2100);
  const std::string pattern = in.ConsumeRemainingBytesAsString();
  kavo::match_whole(text, pattern, fold);
  kavo::match_whole_escaped(text, pattern, fold);
  kavo::match_head(text, pattern, fold);
  kavo::match_tail(text, pattern, fold);
  kavo::is_path_under_nocase(pattern, text);
  FUZZ_CHECK(kavo::match_whole(text, "*", fold));
  if (kavo_fuzz::well_formed(text)) {
    std::string escaped;  // "\*", "\?" and "\\" for single-byte ones
    for (size_t i = 0; i < text.size(); ++i) {
      if (std::string_view("*?\\").find(text[i]) != std::string_view::npos &&
          kavo::sjis_byte_class(text, i) == 0) {
        escaped += '\\';
      }
      escaped += text[i];
    }
    FUZZ_CHECK(kavo::match_whole_escaped(text, escaped, fold));
    if (!text.empty() && escaped.size() == text.size()) {
      FUZZ_CHECK(kavo::match_whole(text, text, fold) &&
                 kavo::match_head(text, text, fold) &&
                 kavo::match_tail(text, text, fold));
    }
  }
  for (kavo::PatternElement& item : kavo::split_elements(pattern)) {
    std::string& e = item.text;
    if (e.empty()) continue;
    FUZZ_CHECK(std::string_view(" \t\n\v\f\r").find(e.back()) ==
               std::string_view::npos);
    FUZZ_CHECK(e.back() != '\\' || kavo::sjis_byte_class(e, e.size() - 1) == 2);
    kavo::strip_dir_suffix(&e);
  }
  uint64_t bytes = kavo::parse_size(pattern);
  FUZZ_CHECK(bytes != kavo::kSizeNone && bytes != kavo::kSizeOpen);
  kavo::DateRange range;
  kavo::parse_date_range(pattern, &range);
  FUZZ_CHECK(range.from.year != -2 || range.to.year != -2);
  FUZZ_CHECK(range.from.year <= 0 || range.to.year <= 0 ||
             kavo::range_start_julian(range.from) <=
                 kavo::range_end_julian(range.to));
  kavo::time_in_range(kavo::local_calendar_time(seconds), range);
  return 0;
}

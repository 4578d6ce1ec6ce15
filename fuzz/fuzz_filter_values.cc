// The values of the filter options: list elements, sizes and date ranges,
// each read from the same input, and a date range asked about a time that
// the input also chooses. Checked: elements keep no trailing white space
// and never end in a lone separator; a size is never one of the two
// markers; a range never has both sides open and never ends before it
// starts.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "fuzz/fuzz_check.h"
#include "names/sjis.h"
#include "platform/platform.h"

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

void check_elements(const std::string& value) {
  std::vector<kavo::PatternElement> items = kavo::split_elements(value);
  for (kavo::PatternElement& item : items) {
    std::string& text = item.text;
    if (text.empty()) continue;
    FUZZ_CHECK(!is_space(text.back()));
    FUZZ_CHECK(text.back() != '\\' ||
               kavo::sjis_byte_class(text, text.size() - 1) == 2);
    kavo::strip_dir_suffix(&text);
  }
  kavo::PatternList list;
  kavo::set_pattern_list(value, &list);
}

void check_size(const std::string& value) {
  uint64_t size = kavo::parse_size(value);
  FUZZ_CHECK(size != kavo::kSizeNone && size != kavo::kSizeOpen);
}

void check_range(const std::string& value, int64_t seconds) {
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
  // Far beyond the calendar's everyday years on both sides.
  const int64_t seconds =
      in.ConsumeIntegralInRange<int64_t>(-400000000000, 400000000000);
  const std::string value = in.ConsumeRemainingBytesAsString();
  check_elements(value);
  check_size(value);
  check_range(value, seconds);
  return 0;
}

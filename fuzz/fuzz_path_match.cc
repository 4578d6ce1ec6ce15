// The four path matchers of the filters (whole name, whole name with
// escapes, head of a path, tail of a path) and the path comparison of the
// directory filters, on any text and pattern. Besides memory safety: a
// text always matches itself written as a pattern, and "*" matches every
// whole text.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "filters/filter_parts.h"
#include "fuzz/fuzz_check.h"
#include "names/sjis.h"

namespace {

bool has_wildcard(std::string_view text) {
  return kavo::sjis_find_char(text, '*') != kavo::kNoPosition ||
         kavo::sjis_find_char(text, '?') != kavo::kNoPosition;
}

// The pattern that stands for `text` byte for byte where "\*", "\?" and
// "\\" are escapes (only characters of their own are escaped).
std::string escaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if ((c == '*' || c == '?' || c == '\\') &&
        kavo::sjis_byte_class(text, i) == 0) {
      out.push_back('\\');
    }
    out.push_back(c);
  }
  return out;
}

void check_identities(const std::string& text, bool fold) {
  FUZZ_CHECK(kavo::match_whole(text, "*", fold));
  if (!kavo_fuzz::well_formed(text)) return;
  FUZZ_CHECK(kavo::match_whole_escaped(text, escaped(text), fold));
  if (has_wildcard(text)) return;
  FUZZ_CHECK(kavo::match_whole(text, text, fold));
  if (text.empty()) return;
  FUZZ_CHECK(kavo::match_head(text, text, fold));
  FUZZ_CHECK(kavo::match_tail(text, text, fold));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool fold = in.ConsumeBool();
  const std::string text = in.ConsumeRandomLengthString(2100);
  const std::string pattern = in.ConsumeRemainingBytesAsString();
  kavo::match_whole(text, pattern, fold);
  kavo::match_whole_escaped(text, pattern, fold);
  kavo::match_head(text, pattern, fold);
  kavo::match_tail(text, pattern, fold);
  kavo::is_path_under_nocase(pattern, text);
  check_identities(text, fold);
  return 0;
}

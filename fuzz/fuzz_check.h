// What the fuzz targets share: an invariant check that stays on in every
// build type and stops the fuzzer with a report, and Shift-JIS tests.

#ifndef KAVO_FUZZ_FUZZ_CHECK_H_
#define KAVO_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "names/sjis.h"

#define FUZZ_CHECK(c)                                                     \
  ((c) ? (void)0                                                          \
       : (std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, \
                       __LINE__, #c),                                     \
          std::abort()))

namespace kavo_fuzz {

// True when the byte at `at` starts a character (or ends the text).
inline bool on_boundary(std::string_view s, size_t at) {
  return kavo::sjis_byte_class(s, at) != 2;
}

// True when every lead byte of `s` is followed by a trail byte.
inline bool well_formed(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (!kavo::sjis_lead_byte(s[i])) continue;
    if (++i == s.size() || !kavo::sjis_trail_byte(s[i])) return false;
  }
  return true;
}

}  // namespace kavo_fuzz

#endif  // KAVO_FUZZ_FUZZ_CHECK_H_

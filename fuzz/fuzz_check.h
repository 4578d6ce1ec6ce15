// What the fuzz targets share: an invariant check that stops the fuzzer
// with a report, and the Shift-JIS well-formedness test.

#ifndef KAVO_FUZZ_FUZZ_CHECK_H_
#define KAVO_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "names/sjis.h"

// Unlike assert, stays on in every build type.
#define FUZZ_CHECK(condition)                                         \
  do {                                                                \
    if (!(condition)) {                                               \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, \
                   __LINE__, #condition);                             \
      std::abort();                                                   \
    }                                                                 \
  } while (0)

namespace kavo_fuzz {

// True when no character of `s` is cut: the byte at `at` is no trail byte.
inline bool on_boundary(std::string_view s, size_t at) {
  return at >= s.size() || kavo::sjis_byte_class(s, at) != 2;
}

// True when every lead byte of `s` is followed by a trail byte.
inline bool well_formed(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (!kavo::sjis_lead_byte(s[i])) continue;
    if (i + 1 == s.size() || !kavo::sjis_trail_byte(s[i + 1])) return false;
    ++i;
  }
  return true;
}

}  // namespace kavo_fuzz

#endif  // KAVO_FUZZ_FUZZ_CHECK_H_

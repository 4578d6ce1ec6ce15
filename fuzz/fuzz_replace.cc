// The replacement engine: a subject, an old string (pattern), a new string
// and the match flags. Checked: a match lies inside the subject on
// character boundaries and honours the anchors; a literal pattern is found
// where a plain search finds it; a replacement is exactly the match
// replaced, never grows a name part to 260 bytes, and no match changes
// nothing. The same strings then go through the name-part choice.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/options.h"
#include "fuzz/fuzz_check.h"
#include "names/name_part.h"
#include "names/pattern.h"
#include "names/sjis.h"
#include "platform/platform.h"

namespace {

using kavo::Match;
using kavo::MatchFlags;

bool on_boundary(std::string_view s, size_t at) {
  return at == s.size() || kavo::sjis_byte_class(s, at) != 2;
}

bool is_literal(std::string_view pattern) {
  return pattern.find_first_of("*?\\") == std::string_view::npos;
}

// The first match of a literal pattern, found the plain way.
bool plain_search(std::string_view subject, std::string_view pattern,
                  Match* match) {
  for (size_t at = 0; at + pattern.size() <= subject.size(); ++at) {
    if (!on_boundary(subject, at)) continue;
    if (subject.compare(at, pattern.size(), pattern) != 0) continue;
    if (!on_boundary(subject, at + pattern.size())) continue;
    *match = Match{at, at + pattern.size()};
    return true;
  }
  return false;
}

void check_match(std::string_view subject, std::string_view pattern,
                 MatchFlags flags) {
  Match match;
  bool found = kavo::find_match(subject, pattern, flags, &match);
  if (pattern.empty()) FUZZ_CHECK(!found);
  if (found) {
    FUZZ_CHECK(match.start <= match.end);
    FUZZ_CHECK(match.end <= subject.size());
    FUZZ_CHECK(on_boundary(subject, match.start));
    FUZZ_CHECK(on_boundary(subject, match.end));
    if (flags.head) FUZZ_CHECK(match.start == 0);
    if (flags.tail) FUZZ_CHECK(match.end == subject.size());
  }
  if (!flags.fold && !flags.head && !flags.tail && !pattern.empty() &&
      is_literal(pattern)) {
    Match expected;
    bool plain = plain_search(subject, pattern, &expected);
    FUZZ_CHECK(found == plain);
    if (found) {
      FUZZ_CHECK(match.start == expected.start && match.end == expected.end);
    }
  }
}

void check_replace(const std::string& subject, const std::string& pattern,
                   const std::string& replacement, MatchFlags flags) {
  Match match;
  bool found = kavo::find_match(subject, pattern, flags, &match);
  std::string part = subject;
  bool replaced = kavo::replace_first_match(&part, pattern, replacement, flags);
  if (!found) FUZZ_CHECK(!replaced);
  if (!replaced) {
    FUZZ_CHECK(part == subject);
    return;
  }
  std::string expected =
      subject.substr(0, match.start) + replacement + subject.substr(match.end);
  FUZZ_CHECK(part == expected);
  size_t stored = kavo::stored_name_length(part);
  if (stored > kavo::stored_name_length(subject)) {
    FUZZ_CHECK(stored < kavo::kNamePartLimit);
  }
}

// A well-formed new path keeps its directory: no separator appears in the
// name, and the directory part is untouched.
void check_new_path(const std::string& name, const std::string& old_string,
                    const std::string& new_string, int name_part,
                    MatchFlags flags) {
  kavo::RunOptions options;
  options.name_part = name_part;
  options.old_case_fold = flags.fold;
  options.anchor_head = flags.head;
  options.anchor_tail = flags.tail;
  const std::string path = "dir\\" + name;
  std::string new_path;
  if (!kavo::compute_new_path(path, old_string, new_string, options,
                              &new_path)) {
    return;
  }
  FUZZ_CHECK(new_path.compare(0, 4, "dir\\") == 0);
  bool clean = kavo_fuzz::well_formed(name) &&
               kavo_fuzz::well_formed(new_string) &&
               kavo::sjis_find_char(name, '\\') == kavo::kNoPosition &&
               kavo::sjis_find_char(new_string, '\\') == kavo::kNoPosition;
  if (clean) {
    FUZZ_CHECK(kavo::sjis_find_last_char(new_path, '\\') == 3);
    if (kavo::stored_name_length(name) < kavo::kNamePartLimit &&
        name_part == kavo::kWholeName) {
      FUZZ_CHECK(kavo::stored_name_length(new_path.substr(4)) <
                 kavo::kNamePartLimit);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t bits = in.ConsumeIntegral<uint8_t>();
  MatchFlags flags{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
  const int name_part = (bits >> 3) % 5;
  const std::string subject = in.ConsumeRandomLengthString(600);
  const std::string pattern = in.ConsumeRandomLengthString(80);
  const std::string replacement = in.ConsumeRemainingBytesAsString();
  check_match(subject, pattern, flags);
  check_replace(subject, pattern, replacement, flags);
  check_new_path(subject, pattern, replacement, name_part, flags);
  return 0;
}

// The replacement engine: the first match of the old string (with `?`, `*`,
// escapes, anchors and case folding) in a name part, and its replacement.

#ifndef KAVO_NAMES_PATTERN_H_
#define KAVO_NAMES_PATTERN_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "names/wildcard.h"

namespace kavo {

struct FindRecord;

// A name part must stay below this many bytes (259 bytes and the NUL), as
// the file system stores the name (stored_name_length).
constexpr size_t kNamePartLimit = 260;

struct MatchFlags {
  bool fold = false;  // a-z and A-Z alike (never on trail bytes)
  bool head = false;  // the match must start at the start of the subject
  bool tail = false;  // the match must end at the end of the subject
};

// Finds the first match of `pattern` in `subject`. Returns false when there
// is none; an empty pattern never matches. A match never starts on a trail
// byte nor ends between a lead byte and its trail byte.
bool find_match(std::string_view subject, std::string_view pattern,
                MatchFlags flags, Match* match);

// A pattern parsed once with its flags, for the many names of a run.
struct NamePattern {
  std::string text;
  WildcardPattern wildcard;
};

NamePattern prepare_pattern(std::string_view pattern, MatchFlags flags);

// find_match with a prepared pattern.
inline bool find_match(std::string_view subject, const NamePattern& pattern,
                       Match* match) {
  return find_wildcard(subject, pattern.wildcard, match);
}

// Replaces the first match of `old_string` in `*name_part` by
// `new_string`. Returns false (and leaves the name part unchanged) when
// there is no match or the result would be kNamePartLimit bytes or longer.
bool replace_first_match(std::string* name_part, std::string_view old_string,
                         std::string_view new_string, MatchFlags flags);
bool replace_first_match(std::string* name_part, const NamePattern& old,
                         std::string_view new_string);

// The same for the name part text[start, start + size) of a longer text,
// replaced where it stands.
bool replace_first_match(std::string* text, size_t start, size_t size,
                         const NamePattern& old, std::string_view new_string);

// Puts `new_string` in front of `*name_part`; false (unchanged) when the
// result would reach kNamePartLimit bytes.
bool insert_at_start(std::string* name_part, std::string_view new_string);

// Appends `new_string` to `*name_part`; false (unchanged) when the result
// would reach kNamePartLimit bytes.
bool append_at_end(std::string* name_part, std::string_view new_string);

// The file pattern prepared for entry_matches_pattern: both anchors.
NamePattern prepare_file_pattern(std::string_view pattern, bool fold);

// Whether the entry matches the file pattern (prepare_file_pattern) as a
// whole name (both anchors); a null pattern matches everything. With
// `use_short_name` the 8.3 alias is the subject where the entry has one.
bool entry_matches_pattern(const FindRecord& entry, const NamePattern* pattern,
                           bool use_short_name);

}  // namespace kavo

#endif  // KAVO_NAMES_PATTERN_H_

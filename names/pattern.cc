#include "names/pattern.h"

#include "names/wildcard.h"
#include "platform/platform.h"

namespace kavo {

namespace {

// Whether a name part of `before` bytes may become one of `after` bytes,
// both counted as the file system stores names (on Linux the external
// bytes, where a byte without a Shift-JIS form, two bytes inside, counts
// once). Only a change that makes it longer is refused, so a name that is
// already long may still shrink.
bool fits(size_t before, size_t after) {
  return after < kNamePartLimit || after <= before;
}

// A part this short fits whatever its characters, so that the usual name
// is never measured.
bool surely_fits(size_t size) {
  return size < kNamePartLimit / kStoredBytesPerByte;
}

}  // namespace

NamePattern prepare_pattern(std::string_view pattern, MatchFlags flags) {
  // A match anchored at the tail alone is the first one found reading
  // backward from the end.
  WildcardRules rules;
  rules.fold = flags.fold;
  rules.escapes = true;
  rules.backward = flags.tail && !flags.head;
  rules.anchored = flags.head || rules.backward;
  rules.whole = flags.head && flags.tail;
  return NamePattern{std::string(pattern), prepare_wildcard(pattern, rules)};
}

bool find_match(std::string_view subject, std::string_view pattern,
                MatchFlags flags, Match* match) {
  return find_match(subject, prepare_pattern(pattern, flags), match);
}

bool replace_first_match(std::string* name_part, std::string_view old_string,
                         std::string_view new_string, MatchFlags flags) {
  return replace_first_match(name_part, prepare_pattern(old_string, flags),
                             new_string);
}

bool replace_first_match(std::string* name_part, const NamePattern& old,
                         std::string_view new_string) {
  return replace_first_match(name_part, 0, name_part->size(), old, new_string);
}

bool replace_first_match(std::string* text, size_t start, size_t size,
                         const NamePattern& old, std::string_view new_string) {
  Match match;
  if (!find_match(std::string_view(*text).substr(start, size), old, &match)) {
    return false;
  }
  size_t at = start + match.start;
  size_t matched = match.end - match.start;
  size_t new_size = size - matched + new_string.size();
  if (surely_fits(new_size)) {
    if (matched == new_string.size()) {
      new_string.copy(text->data() + at, matched);  // no bytes move
    } else {
      text->replace(at, matched, new_string);
    }
    return true;
  }
  // Measured in place, and put back when it does not fit.
  size_t before =
      stored_name_length(std::string_view(*text).substr(start, size));
  std::string removed = text->substr(at, matched);
  text->replace(at, matched, new_string);
  std::string_view after = std::string_view(*text).substr(start, new_size);
  if (!fits(before, stored_name_length(after))) {
    text->replace(at, new_string.size(), removed);
    return false;
  }
  return true;
}

bool insert_at_start(std::string* name_part, std::string_view new_string) {
  if (surely_fits(name_part->size() + new_string.size())) {
    name_part->insert(0, new_string);
    return true;
  }
  size_t before = stored_name_length(*name_part);
  name_part->insert(0, new_string);
  if (!fits(before, stored_name_length(*name_part))) {
    name_part->erase(0, new_string.size());
    return false;
  }
  return true;
}

bool append_at_end(std::string* name_part, std::string_view new_string) {
  if (surely_fits(name_part->size() + new_string.size())) {
    name_part->append(new_string);
    return true;
  }
  size_t before = stored_name_length(*name_part);
  name_part->append(new_string);
  if (!fits(before, stored_name_length(*name_part))) {
    name_part->resize(name_part->size() - new_string.size());
    return false;
  }
  return true;
}

NamePattern prepare_file_pattern(std::string_view pattern, bool fold) {
  return prepare_pattern(pattern, MatchFlags{fold, true, true});
}

bool entry_matches_pattern(const FindRecord& entry, const NamePattern* pattern,
                           bool use_short_name) {
  if (pattern == nullptr) return true;
  const std::string& subject = use_short_name && !entry.short_name.empty()
                                   ? entry.short_name
                                   : entry.name;
  Match match;
  return find_match(subject, *pattern, &match);
}

}  // namespace kavo

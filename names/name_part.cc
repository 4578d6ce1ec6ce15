#include "names/name_part.h"

#include <string_view>

#include "names/pattern.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace kavo {

namespace {

bool drive_prefix(std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return false;
  char letter = fold_ascii(path[0]);
  return letter >= 'A' && letter <= 'Z';
}

// Where the entry's name begins in `path`, or kNoPosition when the path
// ends in a lone lead byte, so that its last separator cannot be trusted.
size_t name_begin(std::string_view path) {
  size_t separator = sjis_find_last_char(path, '\\');
  if (separator != kNoPosition) return separator + 1;
  // Only a final lead byte can be a lone one: the path is scanned then.
  if (!path.empty() && sjis_lead_byte(path.back()) &&
      sjis_byte_class(path, path.size() - 1) == 1) {
    return kNoPosition;
  }
  return drive_prefix(path) ? 2 : 0;
}

bool splits_at_first_period(NamePart name_part) {
  return name_part == kBodyLeft || name_part == kExtensionLeft;
}

bool works_on_extension(NamePart name_part) {
  return name_part == kExtensionRight || name_part == kExtensionLeft;
}

// An entry's name cut at its split period: the body, and the extension
// (empty when there is none, or when the name ends in the period). A
// period is never a trail byte, so a byte-wise search finds the same
// periods as a character-wise one.
struct NameSplit {
  std::string_view body;
  std::string_view extension;
};

NameSplit split_name(std::string_view name, NamePart name_part) {
  size_t period =
      splits_at_first_period(name_part) ? name.find('.') : name.rfind('.');
  if (period == std::string_view::npos || period + 1 == name.size()) {
    return NameSplit{name, std::string_view()};
  }
  return NameSplit{name.substr(0, period), name.substr(period + 1)};
}

// The name part changed by the old and new strings; false when nothing is
// replaced.
bool change_part(const NamePattern& old, const std::string& new_string,
                 const NameChange& change, bool extension_was_empty,
                 std::string* part) {
  const MatchFlags& match = change.match;
  if (!old.text.empty()) return replace_first_match(part, old, new_string);
  if (match.head && !match.tail) return insert_at_start(part, new_string);
  if (match.tail && !match.head) return append_at_end(part, new_string);
  // Neither or both anchors: only a missing extension can be made up.
  if (!works_on_extension(change.part) || !extension_was_empty) {
    return false;
  }
  *part = new_string;
  return stored_name_length(*part) < kNamePartLimit;
}

}  // namespace

bool compute_new_path(const std::string& path, const std::string& old_string,
                      const std::string& new_string, const NameChange& change,
                      std::string* new_path) {
  size_t begin = name_begin(path);
  if (begin == kNoPosition) return false;
  return compute_new_path(path, begin, prepare_pattern(old_string, change.match),
                          new_string, change, new_path);
}

bool compute_new_path(const std::string& path, size_t begin,
                      const NamePattern& old, const std::string& new_string,
                      const NameChange& change, std::string* new_path) {
  std::string_view name = std::string_view(path).substr(begin);
  NameSplit split = change.part == kWholeName
                        ? NameSplit{name, std::string_view()}
                        : split_name(name, change.part);
  const bool extension = works_on_extension(change.part);
  std::string_view in_name = extension ? split.extension : split.body;
  if (!old.text.empty() && !(extension && split.extension.empty())) {
    // The part keeps its place in the name: the match is replaced there.
    new_path->assign(path);
    return replace_first_match(new_path, begin + (in_name.data() - name.data()),
                               in_name.size(), old, new_string);
  }
  std::string part(in_name);
  if (!change_part(old, new_string, change,
                   extension && split.extension.empty(), &part)) {
    return false;
  }
  new_path->assign(path, 0, begin);
  if (extension) {
    // The period is written even when the name had none or ended in one.
    new_path->append(split.body).append(".").append(part);
  } else {
    new_path->append(part);
    if (!split.extension.empty()) new_path->append(".").append(split.extension);
  }
  return true;
}

}  // namespace kavo

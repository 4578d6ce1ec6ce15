// The wildcard matchers shared by every filter, the path tests of the head,
// tail and path options, and the completion of relative path elements
// against the directory of the file arguments.

#include <string>
#include <string_view>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "names/wildcard.h"
#include "output/channels.h"
#include "text/path_text.h"
#include "text/sjis.h"

namespace kavo {

namespace {

// ---- The matchers ---------------------------------------------------------
//
// The path matchers walk a pattern as the replacement engine does
// (names/wildcard.h); what differs is where a match may lie. A path test
// covers a path from its start (a tail from its end) up to the end of the
// path or, for a head or tail, up to a separator: a head ends before a
// single-byte backslash, a tail after a backslash or the colon of a drive,
// since a component is never cut in the middle. The engine instead
// searches a name part for a piece anywhere in it. Escape pairs are read
// only in the name elements that take them (match_whole_escaped): a path
// element's backslashes are separators.

enum class Span { kWhole, kHead, kTail };

bool run_match(std::string_view text, std::string_view pattern, bool fold,
               Span span, bool escapes) {
  if (pattern.empty()) return span == Span::kWhole && text.empty();
  WildcardRules rules;
  rules.fold = fold;
  rules.escapes = escapes;
  rules.backward = span == Span::kTail;
  rules.anchored = true;
  rules.whole = true;
  rules.stops = span == Span::kHead ? "\\" : span == Span::kTail ? "\\:" : "";
  // The tail's last pattern byte is literal when it stands alone or after
  // a double-byte character ending in 0x5C, so "*" and "?" match no path.
  size_t m = pattern.size();
  rules.last_byte_literal =
      span == Span::kTail && (m == 1 || (pattern[m - 2] == '\\' &&
                                         sjis_byte_class(pattern, m - 2) == 2));
  Match match;
  return find_wildcard(text, pattern, rules, &match);
}

// ---- Path tests ------------------------------------------------------------

bool list_matches(const PatternList& list, std::string_view path, Span span,
                  bool fold) {
  for (const PatternElement& element : list.items) {
    if (run_match(path, element.text, fold, span, false)) return true;
  }
  return false;
}

// A limit list that has elements and none of them matches.
bool list_fails(const PatternList& list, std::string_view path, Span span,
                bool fold) {
  return !list.items.empty() && !list_matches(list, path, span, fold);
}

// A directory passes a head or path limit when it lies on the way to an
// element (compared literally) or at or below an element taken as a head.
bool directory_list_fails(const PatternList& list, std::string_view path,
                          bool fold) {
  if (list.items.empty()) return false;
  for (const PatternElement& element : list.items) {
    bool on_the_way = fold ? is_path_under_nocase(element.text, path)
                           : is_path_under(element.text, path);
    if (on_the_way || match_head(path, element.text, fold)) return false;
  }
  return true;
}

// ---- Completing and checking the elements ---------------------------------

bool is_absolute_element(std::string_view element) {
  return (!element.empty() && element[0] == '\\') ||
         (element.size() > 1 && element[1] == ':');
}

char byte_at(std::string_view s, size_t i) { return i < s.size() ? s[i] : 0; }

// The element has been compared equal with all of the directory.
bool inside_after_directory(std::string_view element,
                            std::string_view directory) {
  size_t end = directory.size();
  if (element.size() == end) return true;
  if (element[end] == '\\' && directory.back() != ':') return true;
  return directory.back() == '\\' && sjis_byte_class(directory, end - 1) != 2;
}

// Whether the absolute `element` lies in `directory`, comparing character
// by character; the directory itself (with or without its final backslash)
// is inside.
bool absolute_element_inside(std::string_view element,
                             std::string_view directory, bool fold) {
  size_t i = 0;
  for (;;) {
    if (i == directory.size() && i > 0) {
      return inside_after_directory(element, directory);
    }
    char e = byte_at(element, i);
    char d = byte_at(directory, i);
    if (i < element.size() && sjis_char_length(element, i) == 2) {
      if (e != d || i + 1 >= directory.size()) return false;
      if (byte_at(element, i + 1) != directory[i + 1]) return false;
      i += 2;
      continue;
    }
    if (fold) {
      e = fold_ascii(e);
      d = fold_ascii(d);
    }
    if (e != d) {
      // Only the directory's own final backslash may be left over.
      return i == element.size() && directory.size() - i == 1 && d == '\\';
    }
    ++i;
  }
}

struct CheckedList {
  PatternList FilterSet::*list;
  bool fold;
  const char* option;
};

constexpr CheckedList kCheckedLists[] = {
    {&FilterSet::skip_head, true, "sh"},
    {&FilterSet::skip_head_case, false, "sH"},
    {&FilterSet::skip_path, true, "sp"},
    {&FilterSet::skip_path_case, false, "sP"},
    {&FilterSet::limit_head, true, "lh"},
    {&FilterSet::limit_head_case, false, "lH"},
    {&FilterSet::limit_head_dirs, true, "lh"},
    {&FilterSet::limit_head_case_dirs, false, "lH"},
    {&FilterSet::limit_path, true, "lp"},
    {&FilterSet::limit_path_case, false, "lP"},
};

}  // namespace

bool match_whole(std::string_view text, std::string_view pattern, bool fold) {
  return run_match(text, pattern, fold, Span::kWhole, false);
}

bool match_whole_escaped(std::string_view text, std::string_view pattern,
                         bool fold) {
  return run_match(text, pattern, fold, Span::kWhole, true);
}

bool match_head(std::string_view path, std::string_view pattern, bool fold) {
  return run_match(path, pattern, fold, Span::kHead, false);
}

bool match_tail(std::string_view path, std::string_view pattern, bool fold) {
  return run_match(path, pattern, fold, Span::kTail, false);
}

bool is_path_under_nocase(std::string_view element, std::string_view path) {
  if (path.empty()) return element.empty();
  if (element.size() < path.size()) return false;
  int cls = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    cls = next_byte_class(cls, element[i]);
    char a = element[i];
    char b = path[i];
    if (cls == 0) {
      a = fold_ascii(a);
      b = fold_ascii(b);
    }
    if (a != b) return false;
  }
  if (element.size() == path.size()) return true;
  return element[path.size()] == '\\' &&
         next_byte_class(cls, element[path.size()]) == 0;
}

void complete_path_element(std::string_view directory,
                           PatternElement* element) {
  if (element->directory_length < 0) {
    if (is_absolute_element(element->text)) return;
    element->directory_length = 0;
  }
  // Always from the element as given: a relative directory text (d\) is
  // never put in front of an element that already holds it.
  element->text.replace(0, element->directory_length, directory);
  element->directory_length = static_cast<ptrdiff_t>(directory.size());
}

bool path_element_inside(const PatternElement& element,
                         std::string_view directory, bool fold) {
  if (element.directory_length >= 0 || !is_absolute_element(element.text)) {
    return true;
  }
  return absolute_element_inside(element.text, directory, fold);
}

void complete_path_filters(const std::string& directory, FilterSet* filters) {
  for (const CheckedList& checked : kCheckedLists) {
    for (PatternElement& element : (filters->*checked.list).items) {
      complete_path_element(directory, &element);
    }
  }
}

void validate_path_filters(const char* label, const std::string& directory,
                           const FilterSet& filters) {
  const char* separator = directory.empty() ? "" : " ";
  for (const CheckedList& checked : kCheckedLists) {
    for (const PatternElement& element : (filters.*checked.list).items) {
      if (path_element_inside(element, directory, checked.fold)) continue;
      abort_run_unlogged(
          "オプション /%s%s のパスは%s%s%s%s以下ではありません。",
          checked.option, element.text.c_str(), label, separator,
          directory.c_str(), separator);
    }
  }
}

bool path_skipped(const FilterSet& f, std::string_view path) {
  return list_matches(f.skip_head, path, Span::kHead, true) ||
         list_matches(f.skip_head_case, path, Span::kHead, false) ||
         list_matches(f.skip_tail, path, Span::kTail, true) ||
         list_matches(f.skip_tail_case, path, Span::kTail, false) ||
         list_matches(f.skip_path, path, Span::kWhole, true) ||
         list_matches(f.skip_path_case, path, Span::kWhole, false);
}

bool file_outside_path_limits(const FilterSet& f, std::string_view path) {
  return list_fails(f.limit_head, path, Span::kHead, true) ||
         list_fails(f.limit_head_case, path, Span::kHead, false) ||
         list_fails(f.limit_tail, path, Span::kTail, true) ||
         list_fails(f.limit_tail_case, path, Span::kTail, false) ||
         list_fails(f.limit_path, path, Span::kWhole, true) ||
         list_fails(f.limit_path_case, path, Span::kWhole, false);
}

bool directory_outside_path_limits(const FilterSet& f, std::string_view path) {
  return directory_list_fails(f.limit_head_dirs, path, true) ||
         directory_list_fails(f.limit_head_case_dirs, path, false) ||
         directory_list_fails(f.limit_path, path, true) ||
         directory_list_fails(f.limit_path_case, path, false);
}

}  // namespace kavo

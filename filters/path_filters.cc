// The wildcard matchers shared by every filter, the path tests of the head,
// tail and path options, and the completion of relative path elements
// against the directory of the file arguments.

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "names/sjis.h"
#include "output/channels.h"
#include "targets/paths.h"

namespace kavo {

namespace {

// ---- Byte classes --------------------------------------------------------

// The byte classes of a text, computed once per match so that the walk can
// ask for any position in either direction. Texts below the run's path
// length limit (2048 bytes) stay on the stack.
struct ByteClasses {
  uint8_t local[2048];
  std::vector<uint8_t> heap;
  const uint8_t* data = nullptr;
};

void classify(std::string_view text, ByteClasses* classes) {
  uint8_t* out = classes->local;
  if (text.size() > sizeof(classes->local)) {
    classes->heap.resize(text.size());
    out = classes->heap.data();
  }
  int cls = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    cls = next_byte_class(cls, text[i]);
    out[i] = static_cast<uint8_t>(cls);
  }
  classes->data = out;
}

// ---- The matcher walk ----------------------------------------------------

enum class Span { kWhole, kHead, kTail };

enum class TokenKind { kStars, kAny, kByte };

// One pattern element: a star, a question mark or a byte to compare (an
// escaped byte takes two pattern bytes).
struct Token {
  TokenKind kind;
  unsigned char byte;
  uint8_t cls;
  size_t length;
};

// Star runs whose failed landings are remembered without a heap
// allocation. Every run is remembered: a run without that memory would be
// tried again for every landing of the runs before it, which takes time
// exponential in the number of runs.
constexpr size_t kLocalStarRuns = 32;

// A match in progress. Positions are logical: for the tail matcher both
// texts are read from their ends, so one walk serves all matchers.
struct Walk {
  std::string_view text;
  std::string_view pattern;
  const uint8_t* text_classes;
  const uint8_t* pattern_classes;
  Span span;
  bool fold;
  bool escapes;
  bool reverse;
  bool first_byte_literal;
  // For each star run: every landing at this text position or later is
  // known to fail, so a second resolution of the run never repeats work.
  size_t* failed_from;
};

size_t physical(const Walk& w, std::string_view s, size_t i) {
  return w.reverse ? s.size() - 1 - i : i;
}

unsigned char text_byte(const Walk& w, size_t i) {
  return w.text[physical(w, w.text, i)];
}

uint8_t text_class(const Walk& w, size_t i) {
  return w.text_classes[physical(w, w.text, i)];
}

Token token_at(const Walk& w, size_t p) {
  size_t at = physical(w, w.pattern, p);
  unsigned char c = w.pattern[at];
  uint8_t cls = w.pattern_classes[at];
  if (p == 0 && w.first_byte_literal) return {TokenKind::kByte, c, cls, 1};
  if (cls == 0 && c == '*') return {TokenKind::kStars, c, 0, 1};
  if (cls == 0 && c == '?') return {TokenKind::kAny, c, 0, 1};
  if (w.escapes && cls == 0 && c == '\\' && p + 1 < w.pattern.size()) {
    unsigned char next = w.pattern[at + 1];
    if (next == '*' || next == '?' || next == '\\') {
      return {TokenKind::kByte, next, 0, 2};
    }
  }
  return {TokenKind::kByte, c, cls, 1};
}

// Whether the text byte at `t` is the token's byte: the same class (so a
// trail byte never stands for a letter or a backslash), letters of
// single-byte characters alike when folding.
bool same_byte(const Walk& w, size_t t, const Token& token) {
  uint8_t cls = text_class(w, t);
  if (cls != token.cls) return false;
  unsigned char c = text_byte(w, t);
  if (w.fold && cls == 0) {
    return fold_ascii(c) == fold_ascii(token.byte);
  }
  return c == token.byte;
}

// Where the covered part of the text may end: the end of the text, or for
// the head a single-byte backslash, for the tail also a colon.
bool at_span_end(const Walk& w, size_t t) {
  if (t == w.text.size()) return true;
  if (w.span == Span::kWhole || text_class(w, t) != 0) return false;
  unsigned char c = text_byte(w, t);
  return c == '\\' || (w.span == Span::kTail && c == ':');
}

bool walk_from(Walk* w, size_t t, size_t p, size_t star_run);

// A run of stars met at text position `t`. The byte X after the run is
// looked for: found right at `t`, the stars take nothing and that choice is
// final; a question mark takes the byte after one byte for the stars;
// otherwise the first later landing on X from which the rest matches.
bool resolve_stars(Walk* w, size_t t, size_t p, size_t star_run) {
  size_t q = p;
  while (q < w->pattern.size() && token_at(*w, q).kind == TokenKind::kStars) {
    ++q;
  }
  if (q == w->pattern.size()) return true;
  Token x = token_at(*w, q);
  size_t after = q + x.length;
  size_t n = w->text.size();
  if (t < n && same_byte(*w, t, x))
    return walk_from(w, t + 1, after, star_run + 1);
  if (x.kind == TokenKind::kAny) {
    return t + 1 < n && walk_from(w, t + 2, after, star_run + 1);
  }
  size_t limit = w->failed_from[star_run];
  for (size_t s = t + 1; s < limit; ++s) {
    if (same_byte(*w, s, x) && walk_from(w, s + 1, after, star_run + 1)) {
      return true;
    }
  }
  if (t + 1 < w->failed_from[star_run]) w->failed_from[star_run] = t + 1;
  return false;
}

bool walk_from(Walk* w, size_t t, size_t p, size_t star_run) {
  while (p < w->pattern.size()) {
    Token token = token_at(*w, p);
    if (token.kind == TokenKind::kStars) {
      return resolve_stars(w, t, p, star_run);
    }
    if (t >= w->text.size()) return false;
    if (token.kind == TokenKind::kByte && !same_byte(*w, t, token)) {
      return false;
    }
    ++t;
    p += token.length;
  }
  return at_span_end(*w, t);
}

bool run_match(std::string_view text, std::string_view pattern, bool fold,
               Span span, bool escapes) {
  if (pattern.empty()) return span == Span::kWhole && text.empty();
  ByteClasses text_classes;
  ByteClasses pattern_classes;
  classify(text, &text_classes);
  classify(pattern, &pattern_classes);
  Walk w;
  w.text = text;
  w.pattern = pattern;
  w.text_classes = text_classes.data;
  w.pattern_classes = pattern_classes.data;
  w.span = span;
  w.fold = fold;
  w.escapes = escapes;
  w.reverse = span == Span::kTail;
  // The tail's last pattern byte is literal when it stands alone or after
  // a double-byte character ending in 0x5C, so "*" and "?" match no path.
  size_t m = pattern.size();
  w.first_byte_literal =
      span == Span::kTail &&
      (m == 1 || (pattern[m - 2] == '\\' && pattern_classes.data[m - 2] == 2));
  // Each star run holds at least one '*'.
  size_t runs = std::count(pattern.begin(), pattern.end(), '*') + 1;
  size_t local[kLocalStarRuns];
  std::vector<size_t> heap;
  w.failed_from = local;
  if (runs > kLocalStarRuns) {
    heap.resize(runs);
    w.failed_from = heap.data();
  }
  std::fill(w.failed_from, w.failed_from + runs, text.size());
  return walk_from(&w, 0, 0, 0);
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
    if (i < element.size() && sjis_lead_byte(e)) {
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

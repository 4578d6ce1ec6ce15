#include "names/wildcard.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "text/sjis.h"

namespace kavo {

namespace {

// A fixed stack array for the common sizes (names are below 260 bytes,
// paths below 2048) and a heap array beyond, so that a match allocates
// nothing in the usual case.
template <typename T, size_t N>
class ScratchArray {
 public:
  explicit ScratchArray(size_t size) : data_(local_) { resize(size); }
  ScratchArray(const ScratchArray&) = delete;
  ScratchArray& operator=(const ScratchArray&) = delete;

  // Room for `size` elements; what the array held is not kept.
  void resize(size_t size) {
    if (size <= N) return;
    heap_.reset(new T[size]);
    data_ = heap_.get();
  }
  T* data() { return data_; }
  T& operator[](size_t i) { return data_[i]; }

 private:
  T local_[N];
  std::unique_ptr<T[]> heap_;
  T* data_;
};

constexpr size_t kScratchText = 2048;

// The classes of every byte of an ASCII text: all single-byte characters.
constexpr unsigned char kSingleByteClasses[kScratchText] = {};

// The byte classes of `s`: a shared table of zeros when `s` is ASCII (the
// usual name), else computed into `*scratch`.
template <size_t N>
const unsigned char* byte_classes(std::string_view s,
                                  ScratchArray<unsigned char, N>* scratch) {
  if (s.size() <= kScratchText && is_ascii(s)) return kSingleByteClasses;
  scratch->resize(s.size());
  sjis_byte_classes(s, scratch->data());
  return scratch->data();
}

enum ElementKind : unsigned char { kLiteral, kAnyByte, kStar };

using Element = WildcardElement;

// The byte a literal also matches: the other case of a single-byte letter
// when case is folded (trail bytes never are).
unsigned char other_case(unsigned char byte, unsigned char byte_class,
                         bool fold) {
  if (!fold || byte_class != 0) return byte;
  if (byte >= 'a' && byte <= 'z') return byte - 'a' + 'A';
  if (byte >= 'A' && byte <= 'Z') return byte - 'A' + 'a';
  return byte;
}

bool escapable(char c) { return c == '*' || c == '?' || c == '\\'; }

// Splits the pattern into elements; returns their number. Consecutive
// stars become one. `classes` are the pattern's byte classes.
size_t parse_pattern(std::string_view pattern, const unsigned char* classes,
                     const WildcardRules& rules, Element* elements) {
  size_t count = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    Element element{kLiteral, 0, 0, 0, -1};
    if (rules.last_byte_literal && i + 1 == pattern.size()) {
      element.byte = c;
      element.byte_class = classes[i];
    } else if (rules.escapes && c == '\\' && classes[i] != 2 &&
               i + 1 < pattern.size() && escapable(pattern[i + 1])) {
      element.byte = pattern[++i];
    } else if (c == '*') {
      if (count > 0 && elements[count - 1].kind == kStar) continue;
      element.kind = kStar;
    } else if (c == '?') {
      element.kind = kAnyByte;
    } else {
      element.byte = c;
      element.byte_class = classes[i];
    }
    element.other = other_case(element.byte, element.byte_class, rules.fold);
    elements[count++] = element;
  }
  return count;
}

// Gives every element that directly follows a star the number of that star
// run; returns the number of runs.
size_t number_star_runs(Element* elements, size_t count) {
  size_t runs = 0;
  for (size_t j = 1; j < count; ++j) {
    if (elements[j - 1].kind == kStar && elements[j].kind != kStar) {
      elements[j].slot = static_cast<int>(runs++);
    }
  }
  return runs;
}

// Where the run of literals that ends `elements` begins, when a match must
// end at the text's end; else the number of elements, which no star
// precedes.
size_t final_literals(const std::vector<Element>& elements,
                      const WildcardRules& rules) {
  size_t start = elements.size();
  if (!rules.whole || !rules.stops.empty()) return start;
  while (start > 0 && elements[start - 1].kind == kLiteral) --start;
  return start;
}

// How a walk from one candidate start ended. Values >= 0 are a match
// ending there.
constexpr int64_t kTryNextStart = -1;
constexpr int64_t kNoMatchAtAll = -2;

// One walk over a text that is given in reading order: as it stands, or
// reversed (with the pattern) when read backward. Byte classes are always
// those of the unreversed strings.
struct Walker {
  const unsigned char* text;
  const unsigned char* classes;  // per byte of `text`, in reading order
  size_t size;
  const Element* elements;
  size_t count;
  size_t final_literals;  // WildcardPattern::final_literals
  const WildcardRules& rules;
  // For each star run: every landing of the element after it at this text
  // position or later is known to fail. A run is resolved again for every
  // landing of the runs before it; without this the walk would take time
  // exponential in the number of runs.
  size_t* failed_from;

  // A literal equals a text byte of its own class only: a single-byte
  // character never matches half of a double-byte one (nor the inside of
  // an escaped name byte), and trail bytes are never folded.
  bool equal(size_t r, const Element& element) const {
    unsigned char c = text[r];
    return (c == element.byte || c == element.other) &&
           classes[r] == element.byte_class;
  }

  // The first position in [from, limit) where the literal `element`
  // matches, or `limit`. A byte without another case is looked for with
  // memchr: the search that most walks spend their time in.
  size_t landing(size_t from, size_t limit, const Element& element) const {
    for (; from < limit; ++from) {
      if (element.byte == element.other) {
        const void* at = memchr(text + from, element.byte, limit - from);
        if (at == nullptr) return limit;
        from = static_cast<const unsigned char*>(at) - text;
      } else if (text[from] != element.byte && text[from] != element.other) {
        continue;
      }
      if (classes[from] == element.byte_class) return from;
    }
    return limit;
  }

  // True when a match ending at reading position `end` would cut a
  // double-byte character: the byte after it in the unreversed text is a
  // trail byte.
  bool splits(size_t end) const {
    if (rules.backward) return end > 0 && classes[end - 1] == 2;
    return end < size && classes[end] == 2;
  }

  bool may_end_at(size_t end) const {
    if (end == size) return true;
    if (!rules.whole) return !splits(end);
    return classes[end] == 0 &&
           rules.stops.find(static_cast<char>(text[end])) !=
               std::string_view::npos;
  }

  // The pattern is used up at `end`. A whole match is anchored: when it may
  // not end there, no other start is left to try.
  int64_t ended_at(size_t end) const {
    if (may_end_at(end)) return static_cast<int64_t>(end);
    return rules.whole ? kNoMatchAtAll : kTryNextStart;
  }

  bool only_stars_from(size_t j) const {
    for (; j < count; ++j) {
      if (elements[j].kind != kStar) return false;
    }
    return true;
  }

  // Element `j` (not a star) has matched at `r`; walks on from there.
  int64_t continue_after(size_t j, size_t r) const {
    for (;;) {
      ++r;
      ++j;
      if (j == count) return ended_at(r);
      const Element& element = elements[j];
      if (element.kind == kStar) {
        if (r != size) return star_step(j, r);
        return only_stars_from(j) ? ended_at(r) : kNoMatchAtAll;
      }
      if (r == size) return kTryNextStart;
      if (element.kind == kLiteral && !equal(r, element)) return kTryNextStart;
    }
  }

  // The star element `j` begins at `r` (r < size).
  int64_t star_step(size_t j, size_t r) const {
    size_t x = j + 1;  // stars were merged while parsing
    if (x == count) return ended_at(size);
    const Element& next = elements[x];
    bool takes_nothing =
        next.kind == kAnyByte ? text[r] == '?' : equal(r, next);
    // Taking nothing is final: the star is never given more bytes later.
    if (takes_nothing) return continue_after(x, r);
    if (next.kind == kAnyByte) {
      return r + 1 < size ? continue_after(x, r + 1) : kNoMatchAtAll;
    }
    size_t limit = failed_from[next.slot];
    if (x == final_literals) return final_landing(x, r, limit);
    for (size_t s = landing(r + 1, limit, next); s < limit;
         s = landing(s + 1, limit, next)) {
      int64_t end = continue_after(x, s);
      if (end >= 0) return end;
    }
    failed_from[next.slot] = std::min(limit, r + 1);
    return kNoMatchAtAll;
  }

  // The star before element `x`, which begins the literals that end a
  // pattern whose match must end at the text's end, begins at `r` and
  // takes at least one byte: the one landing that can match is the one
  // whose literals end there.
  int64_t final_landing(size_t x, size_t r, size_t limit) const {
    size_t tail = count - x;
    if (size >= tail) {
      size_t s = size - tail;
      if (s > r && s < limit && equal(s, elements[x])) {
        int64_t end = continue_after(x, s);
        if (end >= 0) return end;
      }
    }
    failed_from[elements[x].slot] = std::min(limit, r + 1);
    return kNoMatchAtAll;
  }

  // The walk from candidate start `c`, whose first element already passed.
  int64_t walk_from(size_t c) const {
    if (elements[0].kind != kStar) return continue_after(0, c);
    if (c != size) return star_step(0, c);
    return only_stars_from(0) ? ended_at(c) : kNoMatchAtAll;
  }

  size_t next_character(size_t c) const {
    ++c;
    if (c < size && classes[c] == 2) ++c;
    return c;
  }

  // The first candidate start at or after `from` for an unanchored start:
  // never on a trail byte. Returns size + 1 when there is none.
  size_t candidate(size_t from) const {
    const Element& first = elements[0];
    if (first.kind == kStar) return from;
    if (first.kind == kAnyByte) return from < size ? from : size + 1;
    // The first literal is never a trail byte, so it lands on a
    // character's start only.
    size_t c = landing(from, size, first);
    return c < size ? c : size + 1;
  }

  bool first_fits_at_start() const {
    const Element& first = elements[0];
    if (first.kind == kStar) return true;
    if (size == 0) return false;
    return first.kind == kAnyByte || equal(0, first);
  }

  bool run(Match* match) const {
    if (rules.anchored) {
      if (!first_fits_at_start()) return false;
      int64_t end = walk_from(0);
      if (end < 0) return false;
      *match = Match{0, static_cast<size_t>(end)};
      return true;
    }
    for (size_t from = 0;;) {
      size_t c = candidate(from);
      if (c > size) return false;
      int64_t end = walk_from(c);
      if (end >= 0) {
        *match = Match{c, static_cast<size_t>(end)};
        return true;
      }
      if (end == kNoMatchAtAll || c >= size) return false;
      from = next_character(c);
    }
  }
};

}  // namespace

WildcardPattern prepare_wildcard(std::string_view pattern,
                                 const WildcardRules& rules) {
  WildcardPattern prepared;
  prepared.rules = rules;
  ScratchArray<unsigned char, 512> classes(0);
  prepared.elements.resize(pattern.size());
  size_t count = parse_pattern(pattern, byte_classes(pattern, &classes), rules,
                               prepared.elements.data());
  prepared.elements.resize(count);
  if (rules.backward) {
    // The backward walk is the forward walk over both strings reversed.
    std::reverse(prepared.elements.begin(), prepared.elements.end());
  }
  prepared.star_runs = number_star_runs(prepared.elements.data(), count);
  prepared.final_literals = final_literals(prepared.elements, rules);
  return prepared;
}

namespace {

// The walk over a text given in reading order with its byte classes.
bool walk_text(const unsigned char* bytes, const unsigned char* classes,
               size_t n, const WildcardPattern& pattern, Match* match) {
  ScratchArray<size_t, 16> failed_from(pattern.star_runs);
  std::fill(failed_from.data(), failed_from.data() + pattern.star_runs, n);
  Walker walker{bytes,
                classes,
                n,
                pattern.elements.data(),
                pattern.elements.size(),
                pattern.final_literals,
                pattern.rules,
                failed_from.data()};
  return walker.run(match);
}

// A text with double-byte characters, or one read backward: its classes are
// computed, and a backward text is reversed with them. Kept out of line so
// that the usual ASCII name needs none of these arrays.
[[gnu::noinline]] bool find_in_prepared_text(std::string_view text,
                                             const WildcardPattern& pattern,
                                             Match* match) {
  const size_t n = text.size();
  ScratchArray<unsigned char, kScratchText> scratch(0);
  const unsigned char* classes = byte_classes(text, &scratch);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  if (!pattern.rules.backward) {
    return walk_text(bytes, classes, n, pattern, match);
  }
  ScratchArray<unsigned char, kScratchText> reversed(2 * n);
  std::reverse_copy(text.begin(), text.end(), reversed.data());
  std::reverse_copy(classes, classes + n, reversed.data() + n);
  Match found;
  if (!walk_text(reversed.data(), reversed.data() + n, n, pattern, &found)) {
    return false;
  }
  *match = Match{n - found.end, n - found.start};
  return true;
}

}  // namespace

bool find_wildcard(std::string_view text, const WildcardPattern& pattern,
                   Match* match) {
  if (pattern.elements.empty()) return false;
  if (pattern.rules.backward || text.size() > kScratchText || !is_ascii(text)) {
    return find_in_prepared_text(text, pattern, match);
  }
  return walk_text(reinterpret_cast<const unsigned char*>(text.data()),
                   kSingleByteClasses, text.size(), pattern, match);
}

bool find_wildcard(std::string_view text, std::string_view pattern,
                   const WildcardRules& rules, Match* match) {
  return find_wildcard(text, prepare_wildcard(pattern, rules), match);
}

}  // namespace kavo

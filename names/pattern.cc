#include "names/pattern.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "text/sjis.h"

namespace kavo {

namespace {

// A fixed stack array for the common sizes (names are below 260 bytes) and
// a heap array beyond, so that a match allocates nothing in the usual case.
template <typename T, size_t N>
class ScratchArray {
 public:
  explicit ScratchArray(size_t size) : data_(local_) {
    if (size > N) {
      heap_.resize(size);
      data_ = heap_.data();
    }
  }
  ScratchArray(const ScratchArray&) = delete;
  ScratchArray& operator=(const ScratchArray&) = delete;

  T* data() { return data_; }
  T& operator[](size_t i) { return data_[i]; }

 private:
  T local_[N];
  std::vector<T> heap_;
  T* data_;
};

enum ElementKind : unsigned char { kLiteral, kAnyByte, kStar };

// Plain data, so that the scratch array of elements costs nothing to set up.
struct Element {
  ElementKind kind;
  unsigned char byte;
  unsigned char byte_class;  // the literal's class in the pattern (0, 1, 2)
  int slot;  // memo row when the element directly follows a star, else -1
};

bool escapable(char c) { return c == '*' || c == '?' || c == '\\'; }

// Splits the old string into elements; returns their number. Consecutive
// stars become one. `classes` are the pattern's byte classes.
size_t parse_pattern(std::string_view pattern, const unsigned char* classes,
                     Element* elements) {
  size_t count = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    Element element{kLiteral, 0, 0, -1};
    if (c == '\\' && classes[i] != 2 && i + 1 < pattern.size() &&
        escapable(pattern[i + 1])) {
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
    elements[count++] = element;
  }
  return count;
}

// Gives every element that directly follows a star a memo row; returns the
// number of rows.
int assign_memo_slots(Element* elements, size_t count) {
  int slots = 0;
  for (size_t j = 1; j < count; ++j) {
    if (elements[j - 1].kind == kStar && elements[j].kind != kStar) {
      elements[j].slot = slots++;
    }
  }
  return slots;
}

// How a walk from one candidate start ended. Values >= 0 are a match
// ending there; kUnknown marks a memo entry not computed yet.
constexpr int64_t kTryNextStart = -1;
constexpr int64_t kNoMatchAtAll = -2;
constexpr int64_t kUnknown = -3;

// One walk over a subject that is given in walk order: as it stands for the
// forward walk, reversed (with the pattern) for the backward walk of a
// tail-only match. Byte classes are always those of the unreversed strings.
struct Walker {
  const unsigned char* subject;
  const unsigned char* classes;  // per byte of `subject`, in walk order
  size_t size;
  bool reversed;
  const Element* elements;
  size_t count;
  bool fold;
  bool both_anchors;
  int64_t* memo;  // memo rows of size + 1 entries each

  // A literal equals a subject byte of its own class only: a single-byte
  // character never matches half of a double-byte one (nor the inside of
  // an escaped name byte), and trail bytes are never folded.
  bool equal(size_t r, const Element& element) const {
    unsigned char c = subject[r];
    if (classes[r] != element.byte_class) return false;
    if (c == element.byte) return true;
    return fold && element.byte_class == 0 &&
           fold_ascii(c) == fold_ascii(element.byte);
  }

  // True when a match ending at walk position `end` would cut a double-byte
  // character: the byte after it in the unreversed subject is a trail byte.
  bool splits(size_t end) const {
    if (reversed) return end > 0 && classes[end - 1] == 2;
    return end < size && classes[end] == 2;
  }

  bool only_stars_from(size_t j) const {
    for (; j < count; ++j) {
      if (elements[j].kind != kStar) return false;
    }
    return true;
  }

  int64_t ended_at(size_t end) const {
    return splits(end) ? kTryNextStart : static_cast<int64_t>(end);
  }

  // Element `j` (not a star) has matched at `r`; walks on from there.
  int64_t continue_after(size_t j, size_t r) const {
    for (;;) {
      ++r;
      ++j;
      if (j == count) {
        if (both_anchors && r != size) return kNoMatchAtAll;
        return ended_at(r);
      }
      const Element& element = elements[j];
      if (element.kind == kStar) {
        if (r != size) return star_step(j, r);
        return only_stars_from(j) ? ended_at(r) : kNoMatchAtAll;
      }
      if (r == size) return kTryNextStart;
      if (element.kind == kLiteral && !equal(r, element)) return kTryNextStart;
    }
  }

  // continue_after for the element after a star; the star step asks the
  // same question again from many candidate starts, so results are kept.
  int64_t remembered(size_t j, size_t r) const {
    int64_t& entry = memo[elements[j].slot * (size + 1) + r];
    if (entry == kUnknown) entry = continue_after(j, r);
    return entry;
  }

  // The star element `j` begins at `r` (r < size).
  int64_t star_step(size_t j, size_t r) const {
    size_t x = j + 1;  // stars were merged while parsing
    if (x == count) return ended_at(size);
    const Element& next = elements[x];
    bool takes_nothing =
        next.kind == kAnyByte ? subject[r] == '?' : equal(r, next);
    // Taking nothing is final: the star is never given more bytes later.
    if (takes_nothing) return remembered(x, r);
    for (size_t s = r + 1; s < size; ++s) {
      if (next.kind == kAnyByte) return remembered(x, s);
      if (equal(s, next)) {
        int64_t end = remembered(x, s);
        if (end >= 0) return end;
      }
    }
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
    for (size_t c = from; c < size; c = next_character(c)) {
      if (equal(c, first)) return c;
    }
    return size + 1;
  }

  bool first_fits_at_start() const {
    const Element& first = elements[0];
    if (first.kind == kStar) return true;
    if (size == 0) return false;
    return first.kind == kAnyByte || equal(0, first);
  }

  // Forward walk; with `head` the only candidate is 0.
  bool run(bool head, Match* match) const {
    if (head) {
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

// Whether a name part of `before` bytes may become one of `after` bytes,
// both counted as the file system stores names (on Linux the external
// bytes, where a byte without a Shift-JIS form, two bytes inside, counts
// once). Only a change that makes it longer is refused, so a name that is
// already long may still shrink.
bool fits(size_t before, size_t after) {
  return after < kNamePartLimit || after <= before;
}

}  // namespace

bool find_match(std::string_view subject, std::string_view pattern,
                MatchFlags flags, Match* match) {
  if (pattern.empty()) return false;
  bool backward = flags.tail && !flags.head;
  size_t n = subject.size();

  ScratchArray<unsigned char, 512> pattern_classes(pattern.size() + 1);
  sjis_byte_classes(pattern, pattern_classes.data());
  pattern_classes[pattern.size()] = 0;
  ScratchArray<Element, 256> elements(pattern.size());
  size_t count =
      parse_pattern(pattern, pattern_classes.data(), elements.data());

  ScratchArray<unsigned char, 512> subject_bytes(n);
  ScratchArray<unsigned char, 512> classes(n + 1);
  std::copy(subject.begin(), subject.end(), subject_bytes.data());
  sjis_byte_classes(subject, classes.data());
  classes[n] = 0;  // the end of the subject
  if (backward) {
    // The backward walk is the forward walk over both strings reversed.
    std::reverse(subject_bytes.data(), subject_bytes.data() + n);
    std::reverse(classes.data(), classes.data() + n);
    std::reverse(elements.data(), elements.data() + count);
  }
  int slots = assign_memo_slots(elements.data(), count);
  ScratchArray<int64_t, 1024> memo(slots * (n + 1));
  std::fill(memo.data(), memo.data() + slots * (n + 1), kUnknown);

  Walker walker{subject_bytes.data(),
                classes.data(),
                n,
                backward,
                elements.data(),
                count,
                flags.fold,
                flags.head && flags.tail,
                memo.data()};
  Match found;
  if (!walker.run(flags.head || backward, &found)) return false;
  if (backward) found = Match{n - found.end, n - found.start};
  *match = found;
  return true;
}

bool replace_first_match(std::string* name_part, std::string_view old_string,
                         std::string_view new_string, MatchFlags flags) {
  Match match;
  if (!find_match(*name_part, old_string, flags, &match)) return false;
  size_t matched = match.end - match.start;
  // Measured in place, and put back when it does not fit.
  size_t before = stored_name_length(*name_part);
  std::string removed = name_part->substr(match.start, matched);
  name_part->replace(match.start, matched, new_string);
  if (!fits(before, stored_name_length(*name_part))) {
    name_part->replace(match.start, new_string.size(), removed);
    return false;
  }
  return true;
}

bool insert_at_start(std::string* name_part, std::string_view new_string) {
  size_t before = stored_name_length(*name_part);
  name_part->insert(0, new_string);
  if (!fits(before, stored_name_length(*name_part))) {
    name_part->erase(0, new_string.size());
    return false;
  }
  return true;
}

bool append_at_end(std::string* name_part, std::string_view new_string) {
  size_t before = stored_name_length(*name_part);
  name_part->append(new_string);
  if (!fits(before, stored_name_length(*name_part))) {
    name_part->resize(name_part->size() - new_string.size());
    return false;
  }
  return true;
}

bool entry_matches_pattern(const FindRecord& entry,
                           const std::optional<std::string>& pattern,
                           bool use_short_name, bool fold) {
  if (!pattern) return true;
  const std::string& subject = use_short_name && !entry.short_name.empty()
                                   ? entry.short_name
                                   : entry.name;
  Match match;
  return find_match(subject, *pattern, MatchFlags{fold, true, true}, &match);
}

}  // namespace kavo

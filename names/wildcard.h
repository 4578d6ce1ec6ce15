// The wildcard walk: `?` takes one byte, a run of `*` any bytes, every other
// byte is compared with one byte of the text. The replacement engine
// (pattern.h) and the path matchers of the filters both match with it; they
// differ only in the rules they pass.
//
// What the walk decides alike for both: a literal byte matches a text byte
// of its own class only (a single-byte character never matches half of a
// double-byte one, a trail byte never stands for `\` or a letter, and only
// single-byte letters are folded); a star whose next byte is found right
// where the star begins takes nothing, and that choice is final; a star
// followed by `?` takes exactly one byte (none when a `?` stands where it
// begins); a trailing star takes the rest.

#ifndef KAVO_NAMES_WILDCARD_H_
#define KAVO_NAMES_WILDCARD_H_

#include <cstddef>
#include <string_view>
#include <vector>

namespace kavo {

// A match: the bytes [start, end) of the text.
struct Match {
  size_t start = 0;
  size_t end = 0;
};

// How one pattern is matched. The replacement engine searches a name part
// for a piece anywhere in it; the path matchers cover a path from its
// start (or, for a tail, from its end) up to its end or a separator.
struct WildcardRules {
  bool fold = false;      // a-z and A-Z alike (never on trail bytes)
  bool escapes = false;   // "\*", "\?" and "\\" stand for the second byte
  bool backward = false;  // text and pattern are read from their ends
  bool anchored = false;  // the match starts where the reading starts
  // Where the match may end, in reading order: with `whole` (anchored
  // matches only) at the end of the text or before a single-byte character
  // of `stops`; without it at any character boundary.
  bool whole = false;
  std::string_view stops;
  // The pattern's last byte is a literal even when it is `*` or `?` (a
  // path's tail, see path_filters.cc).
  bool last_byte_literal = false;
};

// Finds the first match of `pattern` in `text`: the first start, in
// reading order and on a character boundary, from which the walk reaches
// an end the rules allow. Returns false when there is none; an empty
// pattern never matches. A match never starts on a trail byte nor ends
// between a lead byte and its trail byte.
bool find_wildcard(std::string_view text, std::string_view pattern,
                   const WildcardRules& rules, Match* match);

// One element of a parsed pattern: a literal byte, `?` or a run of `*`.
struct WildcardElement {
  unsigned char kind;  // see wildcard.cc
  unsigned char byte;
  // The other case of a single-byte letter when case is folded; else `byte`.
  unsigned char other;
  unsigned char byte_class;  // the literal's class in the pattern (0, 1, 2)
  int slot;  // the star run before it, when it directly follows one; else -1
};

// A pattern parsed once with its rules, for matching many texts.
struct WildcardPattern {
  std::vector<WildcardElement> elements;  // in reading order
  size_t star_runs = 0;
  // Where the literals that end the pattern begin when a whole match must
  // end at the text's end (no stops); else the number of elements.
  size_t final_literals = 0;
  WildcardRules rules;
};

// Parses `pattern` for `rules` (the rules' `stops` must outlive it).
WildcardPattern prepare_wildcard(std::string_view pattern,
                                 const WildcardRules& rules);

// find_wildcard with a pattern parsed by prepare_wildcard.
bool find_wildcard(std::string_view text, const WildcardPattern& pattern,
                   Match* match);

}  // namespace kavo

#endif  // KAVO_NAMES_WILDCARD_H_

// Shift-JIS (code page 932) byte-string primitives. Every string of the
// program is such a byte string; these let the rest step over double-byte
// characters so that a trail byte is never taken for `\`, `|` or a letter.
//
// One rule splits a text into characters everywhere: a lead byte and the
// trail byte after it are one character; a lead byte followed by a byte
// that cannot be a trail byte (or by nothing) is a character of its own,
// and that next byte starts the character after it.

#ifndef KAVO_TEXT_SJIS_H_
#define KAVO_TEXT_SJIS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kavo {

// Returned by the searches when nothing is found.
constexpr size_t kNoPosition = std::string_view::npos;

// True for 0x81-0x9F and 0xE0-0xFC. (Inline, as the byte tests below:
// every scanner asks them once per byte.)
inline bool sjis_lead_byte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for 0x40-0x7E and 0x80-0xFC.
inline bool sjis_trail_byte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// True when no byte of `s` is 0x80 or above: every byte is a character of
// its own, and byte-wise searches find characters. Eight bytes at a time;
// inline, since the matchers ask it of every name.
inline bool is_ascii(std::string_view s) {
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  const char* p = s.data();
  const size_t n = s.size();
  uint64_t seen = 0;
  uint64_t word;
  if (n < 8) {
    for (size_t i = 0; i < n; ++i) seen |= static_cast<unsigned char>(p[i]);
    return (seen & kHighBits) == 0;
  }
  for (size_t i = 0; i + 8 <= n; i += 8) {
    memcpy(&word, p + i, 8);
    seen |= word;
  }
  memcpy(&word, p + n - 8, 8);  // the last bytes, read again where they overlap
  return ((seen | word) & kHighBits) == 0;
}

// Bytes in the character that starts at `pos` (pos < s.size()): 2 for a
// lead byte followed by a trail byte, else 1.
size_t sjis_char_length(std::string_view s, size_t pos);

// The start of the character after the one that starts at `pos`.
size_t sjis_next_char(std::string_view s, size_t pos);

// The class (0 single-byte character, 1 lead byte, 2 trail byte) of a byte
// that follows a byte of class `previous`; 0 for the first byte of a text.
int next_byte_class(int previous, unsigned char byte);

// Class of the byte at `index` of `s`, scanning from the start; 0 at or
// past the end.
int sjis_byte_class(std::string_view s, size_t index);

// Fills classes[0, s.size()) with the class of each byte of `s`.
void sjis_byte_classes(std::string_view s, unsigned char* classes);

// 'a'-'z' to 'A'-'Z'; every other byte unchanged.
inline char fold_ascii(char c) {
  return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

// True when `a` and `b` are the same text, letters of single-byte
// characters compared without regard to case (a trail byte is never
// folded).
bool names_equal_ignoring_case(std::string_view a, std::string_view b);

// True for the ASCII white space of numbers and lists: space, tab, line
// feed, vertical tab, form feed and carriage return (never a trail byte's
// value, so safe at any position).
bool is_space(char c);

// True for '0'-'9'.
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Exact prefix test; an empty prefix matches only an empty string.
bool starts_with(std::string_view s, std::string_view prefix);

// As starts_with, each byte compared after fold_ascii.
bool starts_with_nocase(std::string_view s, std::string_view prefix);

// Whole-word compare ignoring ASCII case: true when `text` equals `word` or
// continues with '/' exactly where `word` ends.
bool option_word_equals(std::string_view text, std::string_view word);

// First position at or after `from`, at a character start, holding `c`.
// Searching for '\0' gives s.size(), or kNoPosition when `s` ends in a lone
// lead byte.
size_t sjis_find_char(std::string_view s, char c, size_t from = 0);

// First character start at or after `from` where `needle` begins; an empty
// needle gives `from`.
size_t sjis_find_string(std::string_view s, std::string_view needle,
                        size_t from = 0);

// Last position where `c` stands at a character start; kNoPosition when
// there is none or `s` ends in a lone lead byte.
size_t sjis_find_last_char(std::string_view s, char c);

// Position just past the last '.' of `path` when no '\' (a character of its
// own) follows it; kNoPosition otherwise. A path ending in '.' gives
// path.size().
size_t find_extension(std::string_view path);

// `path` with the text after the period of find_extension replaced by
// `extension`, or with '.' and `extension` appended when it has none.
std::string set_extension(std::string_view path, std::string_view extension);

}  // namespace kavo

#endif  // KAVO_TEXT_SJIS_H_

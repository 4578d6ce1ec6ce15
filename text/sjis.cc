#include "text/sjis.h"

namespace kavo {

namespace {

bool ends_in_lone_lead_byte(std::string_view s, size_t pos) {
  return pos + 1 == s.size() && sjis_lead_byte(s[pos]);
}

}  // namespace

size_t sjis_char_length(std::string_view s, size_t pos) {
  if (sjis_lead_byte(s[pos]) && pos + 1 < s.size() &&
      sjis_trail_byte(s[pos + 1])) {
    return 2;
  }
  return 1;
}

size_t sjis_next_char(std::string_view s, size_t pos) {
  return pos + sjis_char_length(s, pos);
}

int next_byte_class(int previous, unsigned char byte) {
  // A byte that cannot be a trail byte is never a lead byte either, so
  // after a lone lead byte it is a single-byte character.
  if (previous == 1) return sjis_trail_byte(byte) ? 2 : 0;
  return sjis_lead_byte(byte) ? 1 : 0;
}

int sjis_byte_class(std::string_view s, size_t index) {
  if (index >= s.size()) return 0;
  int state = 0;
  for (size_t i = 0; i <= index; ++i) state = next_byte_class(state, s[i]);
  return state;
}

void sjis_byte_classes(std::string_view s, unsigned char* classes) {
  // next_byte_class unrolled: a lead byte takes the trail byte after it;
  // any other byte (a lone lead byte's successor included, which is never
  // a lead byte) is a character of its own.
  const size_t n = s.size();
  if (is_ascii(s)) {
    memset(classes, 0, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    if (!sjis_lead_byte(s[i])) {
      classes[i] = 0;
      continue;
    }
    classes[i] = 1;
    if (i + 1 < n && sjis_trail_byte(s[i + 1])) classes[++i] = 2;
  }
}

bool names_equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t length = sjis_char_length(a, i);
    if (length == 2) {
      if (a.compare(i, 2, b, i, 2) != 0) return false;
    } else if (fold_ascii(a[i]) != fold_ascii(b[i])) {
      return false;
    }
    i += length;
  }
  return true;
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool starts_with(std::string_view s, std::string_view prefix) {
  if (prefix.empty()) return s.empty();
  return s.substr(0, prefix.size()) == prefix;
}

bool starts_with_nocase(std::string_view s, std::string_view prefix) {
  if (prefix.empty()) return s.empty();
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (fold_ascii(s[i]) != fold_ascii(prefix[i])) return false;
  }
  return true;
}

bool option_word_equals(std::string_view text, std::string_view word) {
  // The strings are compared as if NUL-terminated: the end of either one
  // reads as a NUL byte.
  for (size_t k = 0;; ++k) {
    char t = k < text.size() ? fold_ascii(text[k]) : '\0';
    char w = k < word.size() ? fold_ascii(word[k]) : '\0';
    if (t != w) return t == '/' && k >= word.size();
    if (t == '\0') return true;
  }
}

size_t sjis_find_char(std::string_view s, char c, size_t from) {
  for (size_t pos = from; pos < s.size(); pos = sjis_next_char(s, pos)) {
    if (s[pos] == c) return pos;
    if (ends_in_lone_lead_byte(s, pos)) return kNoPosition;
  }
  if (c == '\0' && from <= s.size()) return s.size();
  return kNoPosition;
}

size_t sjis_find_string(std::string_view s, std::string_view needle,
                        size_t from) {
  if (needle.empty()) return from;
  for (size_t pos = from; pos < s.size(); pos = sjis_next_char(s, pos)) {
    if (s.compare(pos, needle.size(), needle) == 0) return pos;
    if (ends_in_lone_lead_byte(s, pos)) return kNoPosition;
  }
  return kNoPosition;
}

size_t sjis_find_last_char(std::string_view s, char c) {
  // The hot search of every path: stepped byte by byte, a lead byte taking
  // its trail byte along, as sjis_next_char would.
  if (is_ascii(s)) {
    for (size_t pos = s.size(); pos-- > 0;) {
      if (s[pos] == c) return pos;
    }
    return kNoPosition;
  }
  const size_t n = s.size();
  size_t last = kNoPosition;
  for (size_t pos = 0; pos < n;) {
    unsigned char b = s[pos];
    if (b == static_cast<unsigned char>(c)) last = pos;
    if (!sjis_lead_byte(b)) {
      ++pos;
    } else if (pos + 1 == n) {
      return kNoPosition;
    } else {
      pos += sjis_trail_byte(s[pos + 1]) ? 2 : 1;
    }
  }
  return last;
}

size_t find_extension(std::string_view path) {
  // A period always starts a character, so the byte-wise search finds it;
  // a separator after it is looked for character by character, since the
  // second byte of a double-byte character (that of 表) may be 0x5C.
  size_t period = path.rfind('.');
  if (period == std::string_view::npos) return kNoPosition;
  if (sjis_find_char(path, '\\', period + 1) != kNoPosition) {
    return kNoPosition;
  }
  return period + 1;
}

std::string set_extension(std::string_view path, std::string_view extension) {
  size_t start = find_extension(path);
  std::string result;
  if (start == kNoPosition) {
    result.reserve(path.size() + 1 + extension.size());
    result.append(path);
    result.push_back('.');
  } else {
    result.reserve(start + extension.size());
    result.append(path.substr(0, start));
  }
  result.append(extension);
  return result;
}

}  // namespace kavo

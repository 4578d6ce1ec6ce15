#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "platform/platform.h"

namespace kavo {
namespace {

// The elements of a list, each in brackets.
std::string texts(const PatternList& list) {
  std::string out;
  for (const PatternElement& e : list.items) out += "[" + e.text + "]";
  return out;
}

// Elements lose white space at their end; a final single-byte backslash
// gains a star, and head copies lose "\*" or "\*.*" again. 0x95 0x5C is
// one kanji: its trail byte is no backslash.
TEST(FilterValuesTest, ListElements) {
  const std::pair<std::string, std::string> lists[] = {
      {"a, b ,c", "[a][b][c]"},
      {"a,,b,", "[a][][b][]"},
      {"C:\\tmp\\  ,x\\", "[C:\\tmp\\*][x\\*]"},
      {"a\\\x95\x5C,b", "[a\\\x95\x5C][b]"},
      {"\x95,b", "[\x95][b]"},
  };
  for (const auto& [value, expected] : lists) {
    PatternList list;
    set_pattern_list(value, &list);
    EXPECT_EQ(texts(list), expected) << value;
  }
  const std::pair<std::string, std::string> heads[] = {
      {"C:\\tmp\\*", "C:\\tmp"},
      {"C:\\tmp\\*.*", "C:\\tmp"},
      {"C:\\tmp\\*.txt", "C:\\tmp\\*.txt"},
      {"*", "*"},
      {"\\*", ""},
      {"a\x95\x5C*.*", "a\x95\x5C*.*"},
  };
  for (const auto& [element, expected] : heads) {
    std::string text = element;
    strip_dir_suffix(&text);
    EXPECT_EQ(text, expected) << element;
  }
}

// F of 2^54 times 1024 needs 65 bits: its last digit is dropped; only the
// first 19 fraction digits count (10^k would overflow).
TEST(FilterValuesTest, Sizes) {
  const std::pair<std::string, uint64_t> cases[] = {
      {"1.05K", 1075},
      {"0.5G", 536870912},
      {"1.5", 1},
      {".5K", 0},
      {"abc", 0},
      {"7 K", 7},
      {"  +12", 12},
      {"1.K", 1024},
      {"0.18014398509481984K", 184},
      {"0.9999999999999999999999999G", 1073741823},
      {"1.0000000000000000000000001K", 1024},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(parse_size(text), expected) << text;
  }
  // Beyond 64 bits sizes stay huge but never become the range markers.
  for (const char* text : {"99999999999999999999G", "18446744073709551615"}) {
    EXPECT_GT(parse_size(text), uint64_t{1} << 62) << text;
    EXPECT_LT(parse_size(text), kSizeOpen) << text;
  }
}

// A calendar time written as digits, YYYYMMDD[hh[mm[ss]]].
CalendarTime at(std::string digits) {
  digits.resize(14, '0');
  CalendarTime t;
  std::sscanf(digits.c_str(), "%4d%2d%2d%2d%2d%2d", &t.year, &t.month, &t.day,
              &t.hour, &t.minute, &t.second);
  return t;
}

// A bound covers the whole of its last given field; an end before the
// start leaves that side open; a side of two digits or fewer is not given;
// a month beyond December ends like a 31-day month.
TEST(FilterValuesTest, DateRanges) {
  const struct {
    std::string value;
    std::vector<std::string> inside;
    std::vector<std::string> outside;
  } cases[] = {
      {"20010417", {"2001041708"}, {"20010418"}},
      {"200012-200102", {"20010115"}, {"20001130235959", "20010301"}},
      {"-2018062512", {"20180625125959"}, {"2018062513"}},
      {"2005-2001", {"20060101"}, {"20041231"}},
      {"20-2001", {"19900101"}, {"20020101"}},
      {"2001x-2002", {"20021231"}, {"20000101"}},
      {"200104171234567", {"20010417123456"}, {"20010417123457"}},
      {"20010417123456-20010417123456", {"20010417123456"}, {"20010417123457"}},
      {"-20", {}, {"20010101"}},
      {"2001-200113", {"20011231235959"}, {"20030101"}},
  };
  for (const auto& c : cases) {
    DateRange range;
    range.from.year = 1999;
    parse_date_range(c.value, &range);
    for (const std::string& t : c.inside) {
      EXPECT_TRUE(time_in_range(at(t), range)) << c.value << " at " << t;
    }
    for (const std::string& t : c.outside) {
      EXPECT_FALSE(time_in_range(at(t), range)) << c.value << " at " << t;
    }
  }
}

}  // namespace
}  // namespace kavo

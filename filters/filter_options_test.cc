#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"

namespace kavo {
namespace {

std::vector<std::string> texts(const PatternList& list) {
  std::vector<std::string> out;
  for (const PatternElement& e : list.items) out.push_back(e.text);
  return out;
}

std::vector<std::string> split(const std::string& value) {
  PatternList list;
  set_pattern_list(value, &list);
  return texts(list);
}

using Texts = std::vector<std::string>;

TEST(FilterOptionsTest, SplitsAndNormalisesElements) {
  struct Case {
    std::string value;
    Texts expected;
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"a", {"a"}},
      {"a,b", {"a", "b"}},
      {"a, b ,c", {"a", "b", "c"}},
      {"a,\t\n b", {"a", "b"}},
      {"TXT,", {"TXT", ""}},
      {",", {"", ""}},
      {"a,,b", {"a", "", "b"}},
      {" a", {" a"}},
      {"a b ", {"a b"}},
      {"C:\\tmp\\", {"C:\\tmp\\*"}},
      {"C:\\tmp\\  ,x\\", {"C:\\tmp\\*", "x\\*"}},
      // 0x95 0x5C is one kanji: its trail byte is no backslash.
      {"\x95\x5C", {"\x95\x5C"}},
      {"a\\\x95\x5C,b", {"a\\\x95\x5C", "b"}},
      // A comma never hides in a trail byte (0x2C cannot be one), but a
      // lead byte followed by it stands alone.
      {"\x95,b", {"\x95", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(split(c.value), c.expected) << c.value;
  }
}

TEST(FilterOptionsTest, StripsDirectorySuffixOfHeadCopies) {
  struct Case {
    std::string element;
    std::string expected;
  };
  const Case cases[] = {
      {"C:\\tmp\\*", "C:\\tmp"},
      {"C:\\tmp\\*.*", "C:\\tmp"},
      {"C:\\tmp\\*.txt", "C:\\tmp\\*.txt"},
      {"C:\\tmp", "C:\\tmp"},
      {"*", "*"},
      {"\\*", ""},
      // The 0x5C before the star is the trail byte of a kanji.
      {"a\x95\x5C*", "a\x95\x5C*"},
      {"a\x95\x5C*.*", "a\x95\x5C*.*"},
  };
  for (const Case& c : cases) {
    std::string element = c.element;
    strip_dir_suffix(&element);
    EXPECT_EQ(element, c.expected) << c.element;
  }
}

TEST(FilterOptionsTest, ChoosesSkipListsByCaseSensitiveLetter) {
  FilterSet f;
  EXPECT_EQ(compile_skip_option("sha", &f), 0);
  EXPECT_EQ(compile_skip_option("sHb", &f), 0);
  EXPECT_EQ(compile_skip_option("sTc", &f), 0);
  EXPECT_EQ(compile_skip_option("SPd", &f), 0);
  EXPECT_EQ(compile_skip_option("sEe", &f), 0);
  EXPECT_EQ(texts(f.skip_head), Texts{"a"});
  EXPECT_EQ(texts(f.skip_head_case), Texts{"b"});
  EXPECT_EQ(texts(f.skip_tail_case), Texts{"c"});
  EXPECT_EQ(texts(f.skip_path_case), Texts{"d"});
  EXPECT_EQ(texts(f.skip_extension_case), Texts{"e"});
  EXPECT_TRUE(f.skip_tail.items.empty());
  EXPECT_TRUE(f.skip_path.items.empty());
}

TEST(FilterOptionsTest, RejectsLettersThatNameNoOption) {
  FilterSet f;
  for (const char* text : {"sx", "sS", "sy", "s", "sL"}) {
    EXPECT_EQ(compile_skip_option(text, &f), 2) << text;
  }
  for (const char* text : {"lz", "l", "lx", "lR"}) {
    EXPECT_EQ(compile_limit_option(text, &f), 2) << text;
  }
  EXPECT_EQ(compile_limit_option("LS5", &f), 0);
  EXPECT_EQ(compile_limit_option("LY2001", &f), 0);
}

TEST(FilterOptionsTest, LaterOptionReplacesEarlierAndEmptySwitchesOff) {
  FilterSet f;
  compile_skip_option("sha,b", &f);
  compile_skip_option("shc", &f);
  EXPECT_EQ(texts(f.skip_head), Texts{"c"});
  compile_skip_option("sh", &f);
  EXPECT_TRUE(f.skip_head.items.empty());
  compile_limit_option("la r", &f);
  compile_limit_option("la", &f);
  EXPECT_TRUE(f.limit_attributes.items.empty());
  ASSERT_TRUE(finish_filters(&f));
  EXPECT_FALSE(f.skip_files_active || f.skip_dirs_active ||
               f.limit_files_active || f.limit_dirs_active);
}

TEST(FilterOptionsTest, ValueRunsToTheEndOfTheArgument) {
  FilterSet f;
  compile_skip_option("shC:\\tmp/d", &f);
  EXPECT_EQ(texts(f.skip_head), Texts{"C:\\tmp/d"});
}

TEST(FilterOptionsTest, HeadLimitKeepsADirectoryCopy) {
  FilterSet f;
  compile_limit_option("lhC:\\tmp\\*.*,C:\\x\\,C:\\y\\*.txt", &f);
  EXPECT_EQ(texts(f.limit_head),
            (Texts{"C:\\tmp\\*.*", "C:\\x\\*", "C:\\y\\*.txt"}));
  EXPECT_EQ(texts(f.limit_head_dirs),
            (Texts{"C:\\tmp", "C:\\x", "C:\\y\\*.txt"}));
  compile_limit_option("lHA\\", &f);
  EXPECT_EQ(texts(f.limit_head_case), Texts{"A\\*"});
  EXPECT_EQ(texts(f.limit_head_case_dirs), Texts{"A"});
  compile_limit_option("lh", &f);
  EXPECT_TRUE(f.limit_head.items.empty());
  EXPECT_TRUE(f.limit_head_dirs.items.empty());
}

TEST(FilterOptionsTest, ParsesSizes) {
  struct Case {
    std::string text;
    uint64_t expected;
  };
  const Case cases[] = {
      {"100", 100},
      {"1K", 1024},
      {"1k", 1024},
      {"1.5K", 1536},
      {"1.50K", 1536},
      {"1.05K", 1075},
      {"2M", 2097152},
      {"2m", 2097152},
      {"0.5G", 536870912},
      {"1.5", 1},
      {".5K", 0},
      {"abc", 0},
      {"", 0},
      {"1.5Kxyz", 1536},
      {"7 K", 7},
      {"  +12", 12},
      {"1.K", 1024},
      // F of 2^54 times 1024 needs 65 bits: the last digit is dropped.
      {"0.18014398509481984K", 184},
      // Only the first 19 fraction digits count.
      {"0.9999999999999999999999999G", 1073741823},
      {"1.0000000000000000000000001K", 1024},
      {"3.0000000000000000000000009", 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_size(c.text), c.expected) << c.text;
  }
}

TEST(FilterOptionsTest, HugeSizesNeverBecomeMarkers) {
  for (const char* text : {"99999999999999999999G", "9223372036854775807K",
                           "-1", "18446744073709551615"}) {
    uint64_t size = parse_size(text);
    EXPECT_NE(size, kSizeNone) << text;
    EXPECT_NE(size, kSizeOpen) << text;
    EXPECT_GT(size, uint64_t{1} << 62) << text;
  }
}

TEST(FilterOptionsTest, ReadsSizeRanges) {
  struct Case {
    std::string option;
    uint64_t min;
    uint64_t max;
  };
  const Case cases[] = {
      {"ls", kSizeNone, kSizeNone},    {"ls-", kSizeNone, kSizeNone},
      {"ls100", 100, kSizeNone},       {"ls1K-", 1024, kSizeOpen},
      {"ls-1.5M", kSizeOpen, 1572864}, {"ls1.5", 1, kSizeNone},
      {"ls1.5K-2M", 1536, 2097152},    {"ls1K-1K", 1024, 1024},
  };
  for (const Case& c : cases) {
    FilterSet f;
    compile_limit_option("ls5-9", &f);
    ASSERT_EQ(compile_limit_option(c.option.c_str(), &f), 0);
    EXPECT_EQ(f.size_min, c.min) << c.option;
    EXPECT_EQ(f.size_max, c.max) << c.option;
    ASSERT_TRUE(finish_filters(&f));
    bool on = c.min != kSizeNone || c.max != kSizeNone;
    EXPECT_EQ(f.size_active, on) << c.option;
    EXPECT_EQ(f.limit_files_active, on) << c.option;
    EXPECT_FALSE(f.limit_dirs_active) << c.option;
  }
}

DateBound bound(int32_t y, int32_t mo = -1, int32_t d = -1, int32_t h = -1,
                int32_t mi = -1, int32_t s = -1) {
  return DateBound{y, mo, d, h, mi, s};
}

void expect_bound(const DateBound& actual, const DateBound& expected,
                  const std::string& value) {
  EXPECT_EQ(actual.year, expected.year) << value;
  EXPECT_EQ(actual.month, expected.month) << value;
  EXPECT_EQ(actual.day, expected.day) << value;
  EXPECT_EQ(actual.hour, expected.hour) << value;
  EXPECT_EQ(actual.minute, expected.minute) << value;
  EXPECT_EQ(actual.second, expected.second) << value;
}

TEST(FilterOptionsTest, ParsesDateRanges) {
  struct Case {
    std::string value;
    DateBound from;
    DateBound to;
  };
  const Case cases[] = {
      {"", bound(-1), bound(-1)},
      {"-", bound(-1), bound(-1)},
      {"20", bound(-1), bound(-1)},
      {"2001", bound(2001), bound(-1)},
      {"20010417", bound(2001, 4, 17), bound(-1)},
      {"20010417123456", bound(2001, 4, 17, 12, 34, 56), bound(-1)},
      {"2001041712345", bound(2001, 4, 17, 12, 34), bound(-1)},
      {"200104171234567", bound(2001, 4, 17, 12, 34, 56), bound(-1)},
      {"200104-", bound(2001, 4), bound(-2)},
      {"-2018", bound(-2), bound(2018)},
      {"-2018062512", bound(-2), bound(2018, 6, 25, 12)},
      {"2005-2001", bound(2005), bound(-2)},
      {"200101-200102", bound(2001, 1), bound(2001, 2)},
      {"20010301-20010310", bound(2001, 3, 1), bound(2001, 3, 10)},
      {"2001x-2002", bound(2001), bound(2002)},
      {"20-2001", bound(-1), bound(2001)},
      {"2001-20", bound(2001), bound(-1)},
      {"-20", bound(-2), bound(-1)},
      {"20010102-20010101", bound(2001, 1, 2), bound(-2, 1, 1)},
      // A month beyond December counts 31 days, read nowhere else.
      {"2001-200113", bound(2001), bound(2001, 13)},
  };
  for (const Case& c : cases) {
    DateRange range;
    range.from.year = 1999;
    parse_date_range(c.value, &range);
    expect_bound(range.from, c.from, c.value);
    expect_bound(range.to, c.to, c.value);
  }
}

TEST(FilterOptionsTest, ChoosesDateRangesByLetters) {
  struct Case {
    std::string option;
    DateRange FilterSet::*range;
  };
  const Case cases[] = {
      {"ly2001", &FilterSet::file_written},
      {"LY2001", &FilterSet::file_written},
      {"lyw2001", &FilterSet::file_written},
      {"lyW2001", &FilterSet::file_written},
      {"lyc2001", &FilterSet::file_created},
      {"lyr2001", &FilterSet::file_accessed},
      {"lyd2001", &FilterSet::dir_written},
      {"lyD2001", &FilterSet::dir_written},
      {"lydw2001", &FilterSet::dir_written},
      {"lydc2001", &FilterSet::dir_created},
      {"lyDR2001", &FilterSet::dir_accessed},
  };
  for (const Case& c : cases) {
    FilterSet f;
    ASSERT_EQ(compile_limit_option(c.option.c_str(), &f), 0);
    EXPECT_EQ((f.*c.range).from.year, 2001) << c.option;
    int set = 0;
    for (DateRange FilterSet::*r :
         {&FilterSet::file_written, &FilterSet::file_created,
          &FilterSet::file_accessed, &FilterSet::dir_written,
          &FilterSet::dir_created, &FilterSet::dir_accessed}) {
      set += (f.*r).from.year != -1;
    }
    EXPECT_EQ(set, 1) << c.option;
  }
}

TEST(FilterOptionsTest, SameDateOptionReplacesAndEmptySwitchesOff) {
  FilterSet f;
  compile_limit_option("ly2001", &f);
  compile_limit_option("lyw2003", &f);
  EXPECT_EQ(f.file_written.from.year, 2003);
  compile_limit_option("lyc2002", &f);
  compile_limit_option("ly", &f);
  EXPECT_EQ(f.file_written.from.year, -1);
  EXPECT_EQ(f.file_created.from.year, 2002);
  compile_limit_option("lyd2004", &f);
  compile_limit_option("lyd-", &f);
  EXPECT_EQ(f.dir_written.from.year, -1);
  EXPECT_EQ(f.dir_written.to.year, -1);
  ASSERT_TRUE(finish_filters(&f));
  EXPECT_TRUE(f.file_dates_active);
  EXPECT_FALSE(f.dir_dates_active);
  EXPECT_FALSE(f.limit_dirs_active);
}

struct Masks {
  std::vector<uint32_t> file;
  std::vector<uint32_t> dir;
};

Masks compile(const std::vector<std::string>& options) {
  FilterSet f;
  for (const std::string& option : options) {
    if (option == "or") {
      strip_readonly_from_skip_attributes(&f);
    } else if (option[0] == 's') {
      EXPECT_EQ(compile_skip_option(option.c_str(), &f), 0);
    } else {
      EXPECT_EQ(compile_limit_option(option.c_str(), &f), 0);
    }
  }
  EXPECT_TRUE(finish_filters(&f));
  Masks m;
  for (const AttributeMasks* a :
       {&f.skip_attribute_masks, &f.skip_attribute_masks_exact,
        &f.limit_attribute_masks, &f.limit_attribute_masks_exact}) {
    m.file.insert(m.file.end(), a->file_masks.begin(), a->file_masks.end());
    m.dir.insert(m.dir.end(), a->dir_masks.begin(), a->dir_masks.end());
  }
  return m;
}

using Words = std::vector<uint32_t>;

TEST(FilterOptionsTest, CompilesAttributeMasks) {
  struct Case {
    std::vector<std::string> options;
    Words file;
    Words dir;
  };
  const Case cases[] = {
      {{"sar"}, {0x01}, {}},
      {{"saw"}, {0x80}, {}},
      {{"saRW"}, {0x80}, {}},
      {{"saWR"}, {0x01}, {}},
      {{"sAr"}, {0x01}, {}},
      {{"sAw"}, {}, {}},
      {{"lArw"}, {}, {}},
      {{"sahs,A"}, {0x06, 0x20}, {}},
      {{"sadh"}, {}, {0x12}},
      {{"lad"}, {}, {0x10}},
      {{"laD"}, {}, {0x10}},
      {{"lAd"}, {}, {0x10}},
      {{"lax,h,Dr"}, {0x02}, {0x11}},
      {{"sa"}, {}, {}},
      // Letters inside a double-byte character count for nothing.
      {{"sa\x83\x61h"}, {0x02}, {}},
      {{"sarh", "or"}, {0x02}, {}},
      {{"sar", "or"}, {}, {}},
      {{"or", "sar"}, {0x01}, {}},
      {{"sadr,r", "or"}, {}, {0x11}},
      {{"sAr", "or"}, {0x01}, {}},
      {{"lar", "or"}, {0x01}, {}},
  };
  for (const Case& c : cases) {
    Masks m = compile(c.options);
    EXPECT_EQ(m.file, c.file) << c.options[0];
    EXPECT_EQ(m.dir, c.dir) << c.options[0];
  }
}

TEST(FilterOptionsTest, ActivatesTheTestGroups) {
  struct Case {
    std::string option;
    bool skip_files, skip_dirs, limit_files, limit_dirs;
  };
  const Case cases[] = {
      {"shx", true, true, false, false},
      {"sTx", true, true, false, false},
      {"spx", true, true, false, false},
      {"sfx", true, false, false, false},
      {"sex", true, false, false, false},
      {"sdx", false, true, false, false},
      {"sah", true, false, false, false},
      {"sadh", false, true, false, false},
      {"sAx", false, false, false, false},
      {"lhx", false, false, true, true},
      {"lPx", false, false, true, true},
      {"ltx", false, false, true, false},
      {"lTx", false, false, true, false},
      {"lfx", false, false, true, false},
      {"lEx", false, false, true, false},
      {"ldx", false, false, false, true},
      {"law", false, false, true, false},
      {"lAd", false, false, false, true},
      {"ls5", false, false, true, false},
      {"ly2001", false, false, true, false},
      {"lydc2001", false, false, false, true},
      {"ly-20", false, false, true, false},
  };
  for (const Case& c : cases) {
    FilterSet f;
    if (c.option[0] == 's') {
      ASSERT_EQ(compile_skip_option(c.option.c_str(), &f), 0);
    } else {
      ASSERT_EQ(compile_limit_option(c.option.c_str(), &f), 0);
    }
    ASSERT_TRUE(finish_filters(&f));
    EXPECT_EQ(f.skip_files_active, c.skip_files) << c.option;
    EXPECT_EQ(f.skip_dirs_active, c.skip_dirs) << c.option;
    EXPECT_EQ(f.limit_files_active, c.limit_files) << c.option;
    EXPECT_EQ(f.limit_dirs_active, c.limit_dirs) << c.option;
  }
}

}  // namespace
}  // namespace kavo

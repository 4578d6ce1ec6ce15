#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"

namespace kavo {
namespace {

// The elements of a list, each in brackets.
std::string texts(const PatternList& list) {
  std::string out;
  for (const PatternElement& e : list.items) out += "[" + e.text + "]";
  return out;
}

// Applies `option` (its text after the slash) as a skip or a limit.
int compile_option(const std::string& option, FilterSet* f) {
  return option[0] == 's' || option[0] == 'S'
             ? compile_skip_option(option.c_str(), f)
             : compile_limit_option(option.c_str(), f);
}

TEST(FilterOptionsTest, SplitsAndNormalisesElements) {
  // 0x95 0x5C is one kanji: its trail byte is no backslash. A comma never
  // hides in a trail byte (0x2C cannot be one), but a lead byte followed by
  // it stands alone.
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"   ", ""},
      {"a, b ,c", "[a][b][c]"},
      {"a,\t\n b", "[a][b]"},
      {"TXT,", "[TXT][]"},
      {",", "[][]"},
      {"a,,b", "[a][][b]"},
      {" a", "[ a]"},
      {"a b ", "[a b]"},
      {"C:\\tmp\\  ,x\\", "[C:\\tmp\\*][x\\*]"},
      {"a\\\x95\x5C,b", "[a\\\x95\x5C][b]"},
      {"\x95,b", "[\x95][b]"},
  };
  for (const auto& [value, expected] : cases) {
    PatternList list;
    set_pattern_list(value, &list);
    EXPECT_EQ(texts(list), expected) << value;
  }
}

TEST(FilterOptionsTest, StripsDirectorySuffixOfHeadCopies) {
  // The 0x5C before the star in the last two is the trail byte of a kanji.
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\tmp\\*", "C:\\tmp"},
      {"C:\\tmp\\*.*", "C:\\tmp"},
      {"C:\\tmp\\*.txt", "C:\\tmp\\*.txt"},
      {"*", "*"},
      {"\\*", ""},
      {"a\x95\x5C*", "a\x95\x5C*"},
      {"a\x95\x5C*.*", "a\x95\x5C*.*"},
  };
  for (const auto& [element, expected] : cases) {
    std::string text = element;
    strip_dir_suffix(&text);
    EXPECT_EQ(text, expected) << element;
  }
}

TEST(FilterOptionsTest, ChoosesListsByLetterAndKeepsTheWholeValue) {
  FilterSet f;
  for (const char* option : {"sha", "sHb", "sTc", "SPd", "sEe", "stC:\\t/d"}) {
    EXPECT_EQ(compile_option(option, &f), 0) << option;
  }
  EXPECT_EQ(texts(f.skip_head), "[a]");
  EXPECT_EQ(texts(f.skip_head_case), "[b]");
  EXPECT_EQ(texts(f.skip_tail_case), "[c]");
  EXPECT_EQ(texts(f.skip_path_case), "[d]");
  EXPECT_EQ(texts(f.skip_extension_case), "[e]");
  EXPECT_EQ(texts(f.skip_tail), "[C:\\t/d]");
  EXPECT_TRUE(f.skip_file_name.items.empty());
  EXPECT_TRUE(f.skip_path.items.empty());
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
  for (const char* option : {"sha,b", "shc", "ly2001", "lyw2003"}) {
    compile_option(option, &f);
  }
  EXPECT_EQ(texts(f.skip_head), "[c]");
  EXPECT_EQ(f.file_written.from.year, 2003);
  for (const char* option :
       {"sh", "la r", "la", "lyc2002", "ly", "lyd2004", "lyd-"}) {
    compile_option(option, &f);
  }
  EXPECT_TRUE(f.skip_head.items.empty());
  EXPECT_TRUE(f.limit_attributes.items.empty());
  EXPECT_EQ(f.file_written.from.year, -1);
  EXPECT_EQ(f.file_created.from.year, 2002);
  EXPECT_EQ(f.dir_written.from.year, -1);
  EXPECT_EQ(f.dir_written.to.year, -1);
  ASSERT_TRUE(finish_filters(&f));
  EXPECT_TRUE(f.file_dates_active && f.limit_files_active);
  EXPECT_FALSE(f.skip_files_active || f.skip_dirs_active ||
               f.limit_dirs_active || f.dir_dates_active);
}

TEST(FilterOptionsTest, HeadLimitKeepsADirectoryCopy) {
  FilterSet f;
  compile_option("lhC:\\tmp\\*.*,C:\\x\\,C:\\y\\*.txt", &f);
  EXPECT_EQ(texts(f.limit_head), "[C:\\tmp\\*.*][C:\\x\\*][C:\\y\\*.txt]");
  EXPECT_EQ(texts(f.limit_head_dirs), "[C:\\tmp][C:\\x][C:\\y\\*.txt]");
  compile_option("lHA\\", &f);
  EXPECT_EQ(texts(f.limit_head_case), "[A\\*]");
  EXPECT_EQ(texts(f.limit_head_case_dirs), "[A]");
  compile_option("lh", &f);
  EXPECT_TRUE(f.limit_head.items.empty());
  EXPECT_TRUE(f.limit_head_dirs.items.empty());
}

TEST(FilterOptionsTest, ParsesSizes) {
  const std::pair<std::string, uint64_t> cases[] = {
      {"1k", 1024},    {"1.5K", 1536},      {"1.50K", 1536}, {"1.05K", 1075},
      {"2m", 2097152}, {"0.5G", 536870912}, {"1.5", 1},      {".5K", 0},
      {"abc", 0},      {"1.5Kxyz", 1536},   {"7 K", 7},      {"  +12", 12},
      {"1.K", 1024},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(parse_size(text), expected) << text;
  }
  // F of 2^54 times 1024 needs 65 bits: its last digit is dropped.
  EXPECT_EQ(parse_size("0.18014398509481984K"), 184u);
  // Only the first 19 fraction digits count.
  EXPECT_EQ(parse_size("0.9999999999999999999999999G"), 1073741823u);
  EXPECT_EQ(parse_size("1.0000000000000000000000001K"), 1024u);
  EXPECT_EQ(parse_size("3.0000000000000000000000009"), 3u);
  // Sizes beyond 64 bits stay huge but never become the range markers.
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
    compile_option("ls5-9", &f);
    ASSERT_EQ(compile_option(c.option, &f), 0);
    EXPECT_EQ(f.size_min, c.min) << c.option;
    EXPECT_EQ(f.size_max, c.max) << c.option;
    ASSERT_TRUE(finish_filters(&f));
    bool on = c.min != kSizeNone || c.max != kSizeNone;
    EXPECT_EQ(f.size_active, on) << c.option;
    EXPECT_EQ(f.limit_files_active, on) << c.option;
    EXPECT_FALSE(f.limit_dirs_active) << c.option;
  }
}

// The fields of a bound, from the year up to the last one given.
std::string fields(const DateBound& b) {
  std::vector<int32_t> given{b.year, b.month,  b.day,
                             b.hour, b.minute, b.second};
  while (given.size() > 1 && given.back() == -1) given.pop_back();
  std::string out;
  for (int32_t field : given) {
    out += (out.empty() ? "" : " ") + std::to_string(field);
  }
  return out;
}

// How each range behaves is checked with the entry filters; here the bounds
// as read, markers included. A month beyond December counts 31 days, read
// nowhere else.
TEST(FilterOptionsTest, ParsesDateRanges) {
  const std::string cases[][3] = {
      {"", "-1", "-1"},
      {"-", "-1", "-1"},
      {"20", "-1", "-1"},
      {"20010417123456", "2001 4 17 12 34 56", "-1"},
      {"2001041712345", "2001 4 17 12 34", "-1"},
      {"200104171234567", "2001 4 17 12 34 56", "-1"},
      {"-2018062512", "-2", "2018 6 25 12"},
      {"200101-200102", "2001 1", "2001 2"},
      {"2001x-2002", "2001", "2002"},
      {"2001-20", "2001", "-1"},
      {"20010102-20010101", "2001 1 2", "-2 1 1"},
      {"2001-200113", "2001", "2001 13"},
  };
  for (const auto& [value, from, to] : cases) {
    DateRange range;
    range.from.year = 1999;
    parse_date_range(value, &range);
    EXPECT_EQ(fields(range.from), from) << value;
    EXPECT_EQ(fields(range.to), to) << value;
  }
}

TEST(FilterOptionsTest, ChoosesDateRangesByLetters) {
  const std::pair<std::string, DateRange FilterSet::*> cases[] = {
      {"ly2001", &FilterSet::file_written},
      {"LY2001", &FilterSet::file_written},
      {"lyW2001", &FilterSet::file_written},
      {"lyc2001", &FilterSet::file_created},
      {"lyr2001", &FilterSet::file_accessed},
      {"lyD2001", &FilterSet::dir_written},
      {"lydw2001", &FilterSet::dir_written},
      {"lydc2001", &FilterSet::dir_created},
      {"lyDR2001", &FilterSet::dir_accessed},
  };
  for (const auto& [option, chosen] : cases) {
    FilterSet f;
    ASSERT_EQ(compile_option(option, &f), 0);
    for (DateRange FilterSet::*r :
         {&FilterSet::file_written, &FilterSet::file_created,
          &FilterSet::file_accessed, &FilterSet::dir_written,
          &FilterSet::dir_created, &FilterSet::dir_accessed}) {
      EXPECT_EQ((f.*r).from.year, r == chosen ? 2001 : -1) << option;
    }
  }
}

// The attribute masks of every list, in hexadecimal: those tested on files,
// a bar, those tested on directories.
std::string masks_of(const FilterSet& f) {
  std::string file;
  std::string dir;
  char word[8];
  for (const AttributeMasks* a :
       {&f.skip_attribute_masks, &f.skip_attribute_masks_exact,
        &f.limit_attribute_masks, &f.limit_attribute_masks_exact}) {
    for (uint32_t mask : a->file_masks) {
      std::snprintf(word, sizeof word, "%s%02x", file.empty() ? "" : " ", mask);
      file += word;
    }
    for (uint32_t mask : a->dir_masks) {
      std::snprintf(word, sizeof word, "%s%02x", dir.empty() ? "" : " ", mask);
      dir += word;
    }
  }
  return file + "|" + dir;
}

TEST(FilterOptionsTest, CompilesAttributeMasks) {
  // The options, space separated ("or" for /or), and their masks. Letters
  // inside a double-byte character (0x83 0x61) count for nothing.
  const std::pair<std::string, std::string> cases[] = {
      {"sar", "01|"},    {"saw", "80|"},         {"saRW", "80|"},
      {"saWR", "01|"},   {"sAr", "01|"},         {"sAw", "|"},
      {"lArw", "|"},     {"sahs,A", "06 20|"},   {"sadh", "|12"},
      {"laD", "|10"},    {"lAd", "|10"},         {"lax,h,Dr", "02|11"},
      {"sa", "|"},       {"sa\x83\x61h", "02|"}, {"sarh or", "02|"},
      {"sar or", "|"},   {"or sar", "01|"},      {"sadr,r or", "|11"},
      {"sAr or", "01|"}, {"lar or", "01|"},
  };
  for (const auto& [options, expected] : cases) {
    FilterSet f;
    std::istringstream words(options);
    for (std::string option; words >> option;) {
      if (option == "or") {
        strip_readonly_from_skip_attributes(&f);
      } else {
        EXPECT_EQ(compile_option(option, &f), 0) << option;
      }
    }
    ASSERT_TRUE(finish_filters(&f));
    EXPECT_EQ(masks_of(f), expected) << options;
  }
}

TEST(FilterOptionsTest, ActivatesTheTestGroups) {
  // The groups that run: f and d skip files and directories, F and D limit
  // them; '-' for a group that does not run.
  const std::pair<std::string, std::string> cases[] = {
      {"shx", "fd--"},   {"sTx", "fd--"},    {"spx", "fd--"},
      {"sfx", "f---"},   {"sex", "f---"},    {"sdx", "-d--"},
      {"sah", "f---"},   {"sadh", "-d--"},   {"sAx", "----"},
      {"lhx", "--FD"},   {"lPx", "--FD"},    {"ltx", "--F-"},
      {"lTx", "--F-"},   {"lfx", "--F-"},    {"lEx", "--F-"},
      {"ldx", "---D"},   {"law", "--F-"},    {"lAd", "---D"},
      {"ls5", "--F-"},   {"ly2001", "--F-"}, {"lydc2001", "---D"},
      {"ly-20", "--F-"},
  };
  for (const auto& [option, expected] : cases) {
    FilterSet f;
    ASSERT_EQ(compile_option(option, &f), 0) << option;
    ASSERT_TRUE(finish_filters(&f));
    std::string groups = {
        f.skip_files_active ? 'f' : '-', f.skip_dirs_active ? 'd' : '-',
        f.limit_files_active ? 'F' : '-', f.limit_dirs_active ? 'D' : '-'};
    EXPECT_EQ(groups, expected) << option;
  }
}

}  // namespace
}  // namespace kavo

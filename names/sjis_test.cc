#include "names/sjis.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace kavo {
namespace {

// 表 is 0x95 0x5C: its trail byte has the value of a backslash.
const std::string kHyo = "\x95\x5C";

TEST(SjisTest, ByteRangesAndClasses) {
  EXPECT_EQ(std::string("表"), kHyo);  // the literals are Shift-JIS
  struct Case {
    unsigned char byte;
    bool lead;
    bool trail;
  } cases[] = {
      {0x3F, false, false}, {0x40, false, true}, {0x7E, false, true},
      {0x7F, false, false}, {0x80, false, true}, {0x81, true, true},
      {0x9F, true, true},   {0xA0, false, true}, {0xDF, false, true},
      {0xE0, true, true},   {0xFC, true, true},  {0xFD, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sjis_lead_byte(c.byte), c.lead) << int(c.byte);
    EXPECT_EQ(sjis_trail_byte(c.byte), c.trail) << int(c.byte);
  }
  // Each digit is the class of the byte at its index: lead-range bytes pair
  // up from the left; a byte that cannot be a trail byte after a lead byte
  // stands alone, even with a lead-byte value of its own.
  const std::pair<std::string, std::string> classes[] = {
      {kHyo, "12"}, {"\x81\x81\x81", "121"}, {"\x81\xFD\x81.", "1010"}};
  for (const auto& [s, expected] : classes) {
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(sjis_byte_class(s, i), expected[i] - '0') << i;
    }
  }
  EXPECT_EQ(sjis_byte_class(kHyo, 100), 0);
}

TEST(SjisTest, FoldAsciiChangesOnlyLowerCaseLetters) {
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    char expected = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : c;
    EXPECT_EQ(fold_ascii(c), expected) << b;
  }
}

TEST(SjisTest, PrefixesAndOptionWords) {
  // An empty prefix matches only an empty string.
  EXPECT_TRUE(starts_with("", ""));
  EXPECT_FALSE(starts_with("abc", ""));
  EXPECT_FALSE(starts_with("ab", "abc"));
  EXPECT_TRUE(starts_with("abc", "ab"));
  EXPECT_FALSE(starts_with("LOGx", "log"));
  EXPECT_TRUE(starts_with_nocase("TIME30", "time"));
  EXPECT_FALSE(starts_with_nocase("TI", "time"));
  EXPECT_TRUE(starts_with_nocase("", ""));
  EXPECT_FALSE(starts_with_nocase("x", ""));
  struct Case {
    const char* text;
    const char* word;
    bool equal;
  } cases[] = {
      {"HELP", "help", true}, {"d-/o", "d-", true},      {"d-o", "d-", false},
      {"d", "d-", false},     {"helpme", "help", false}, {"", "", true},
      {"/", "", true},        {"hel", "help", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(option_word_equals(c.text, c.word), c.equal)
        << c.text << " " << c.word;
  }
}

TEST(SjisTest, SearchesStepOverDoubleByteCharacters) {
  EXPECT_EQ(sjis_find_char(kHyo, '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_char("a" + kHyo + "\\b", '\\'), 3u);
  EXPECT_EQ(sjis_find_char("abcabc", 'b', 2), 4u);
  EXPECT_EQ(sjis_find_char("abc", '\0'), 3u);
  // A string that ends in a lone lead byte has no terminator to find.
  EXPECT_EQ(sjis_find_char("ab\x81", '\0'), kNoPosition);
  EXPECT_EQ(sjis_find_char("ab\x81", 'x'), kNoPosition);

  EXPECT_EQ(sjis_find_string("x" + kHyo + kHyo, kHyo, 1), 1u);
  // "\a" occurs byte-wise inside 表a, but only from a trail byte.
  EXPECT_EQ(sjis_find_string(kHyo + "a", "\\a"), kNoPosition);
  EXPECT_EQ(sjis_find_string(kHyo + "\\a", "\\a"), 2u);
  EXPECT_EQ(sjis_find_string("abc", "", 2), 2u);
  EXPECT_EQ(sjis_find_string("abc", "cd"), kNoPosition);

  EXPECT_EQ(sjis_find_last_char("a\\b\\c", '\\'), 3u);
  EXPECT_EQ(sjis_find_last_char("dir\\" + kHyo, '\\'), 3u);
  EXPECT_EQ(sjis_find_last_char(kHyo, '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_last_char("a\\b\x81", '\\'), kNoPosition);
}

TEST(SjisTest, Extensions) {
  EXPECT_EQ(find_extension("a.b.c"), 4u);
  EXPECT_EQ(find_extension("name."), 5u);  // empty, not none
  EXPECT_EQ(find_extension("dir.x\\name"), kNoPosition);
  EXPECT_EQ(find_extension("name"), kNoPosition);
  // The trail byte 0x5C of 表 after the period is no separator.
  EXPECT_EQ(find_extension("a." + kHyo), 2u);

  EXPECT_EQ(set_extension("\\bin\\kavo.exe", "cfg"), "\\bin\\kavo.cfg");
  EXPECT_EQ(set_extension("\\bin\\kavo", "cfg"), "\\bin\\kavo.cfg");
  EXPECT_EQ(set_extension("\\my.dir\\kavo", "cfg"), "\\my.dir\\kavo.cfg");
  EXPECT_EQ(set_extension("kavo.", "cfg"), "kavo.cfg");
}

}  // namespace
}  // namespace kavo

#include "names/sjis.h"

#include <gtest/gtest.h>

#include <string>

namespace kavo {
namespace {

// 表 is 0x95 0x5C: its trail byte has the value of a backslash.
const std::string kHyo = "\x95\x5C";

TEST(SjisTest, LiteralsAreShiftJis) { EXPECT_EQ(std::string("表"), kHyo); }

TEST(SjisTest, ByteRanges) {
  struct Case {
    unsigned char byte;
    bool lead;
    bool trail;
  } cases[] = {
      {0x3F, false, false}, {0x40, false, true},  {0x5C, false, true},
      {0x7E, false, true},  {0x7F, false, false}, {0x80, false, true},
      {0x81, true, true},   {0x9F, true, true},   {0xA0, false, true},
      {0xDF, false, true},  {0xE0, true, true},   {0xFC, true, true},
      {0xFD, false, false}, {0x2A, false, false}, {0x2E, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sjis_lead_byte(c.byte), c.lead) << int(c.byte);
    EXPECT_EQ(sjis_trail_byte(c.byte), c.trail) << int(c.byte);
  }
}

TEST(SjisTest, ByteClasses) {
  EXPECT_EQ(sjis_byte_class(kHyo, 0), 1);
  EXPECT_EQ(sjis_byte_class(kHyo, 1), 2);
  EXPECT_EQ(sjis_byte_class(kHyo, 2), 0);
  EXPECT_EQ(sjis_byte_class(kHyo, 100), 0);
  // Three lead-range bytes: the second is the first one's trail byte.
  std::string leads = "\x81\x81\x81";
  EXPECT_EQ(sjis_byte_class(leads, 0), 1);
  EXPECT_EQ(sjis_byte_class(leads, 1), 2);
  EXPECT_EQ(sjis_byte_class(leads, 2), 1);
  // A byte that cannot be a trail byte after a lead byte stands alone, even
  // with a lead-byte value of its own.
  std::string broken = "\x81\xFD\x81\x2E";
  EXPECT_EQ(sjis_byte_class(broken, 1), 0);
  EXPECT_EQ(sjis_byte_class(broken, 2), 1);
  EXPECT_EQ(sjis_byte_class(broken, 3), 0);
}

TEST(SjisTest, FoldAsciiChangesOnlyLowerCaseLetters) {
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    char expected = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : c;
    EXPECT_EQ(fold_ascii(c), expected) << b;
  }
}

TEST(SjisTest, PrefixTests) {
  EXPECT_TRUE(starts_with("", ""));
  EXPECT_FALSE(starts_with("abc", ""));
  EXPECT_FALSE(starts_with("ab", "abc"));
  EXPECT_TRUE(starts_with("abc", "ab"));
  EXPECT_FALSE(starts_with("LOGx", "log"));
  EXPECT_TRUE(starts_with_nocase("TIME30", "time"));
  EXPECT_FALSE(starts_with_nocase("TI", "time"));
  EXPECT_TRUE(starts_with_nocase("", ""));
  EXPECT_FALSE(starts_with_nocase("x", ""));
}

TEST(SjisTest, OptionWordEquals) {
  struct Case {
    const char* text;
    const char* word;
    bool equal;
  } cases[] = {
      {"help", "HELP", true}, {"HELP", "help", true},    {"o-/d", "o-", true},
      {"D-", "d-", true},     {"d-/o", "d-", true},      {"d-o", "d-", false},
      {"d", "d-", false},     {"helpme", "help", false}, {"", "", true},
      {"/", "", true},        {"help/", "help", true},   {"hel", "help", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(option_word_equals(c.text, c.word), c.equal)
        << c.text << " " << c.word;
  }
}

TEST(SjisTest, FindCharStepsOverDoubleByteCharacters) {
  EXPECT_EQ(sjis_find_char(kHyo, '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_char("a" + kHyo + "\\b", '\\'), 3u);
  EXPECT_EQ(sjis_find_char("abcabc", 'b', 2), 4u);
  EXPECT_EQ(sjis_find_char("abc", '\0'), 3u);
  EXPECT_EQ(sjis_find_char("", '\0'), 0u);
  // A string that ends in a lone lead byte has no terminator to find.
  EXPECT_EQ(sjis_find_char("ab\x81", '\0'), kNoPosition);
  EXPECT_EQ(sjis_find_char("ab\x81", 'x'), kNoPosition);
}

TEST(SjisTest, FindStringNeverStartsOnTrailByte) {
  EXPECT_EQ(sjis_find_string(kHyo + kHyo, kHyo), 0u);
  EXPECT_EQ(sjis_find_string("x" + kHyo + kHyo, kHyo, 1), 1u);
  // "\a" occurs byte-wise inside 表a, but only from a trail byte.
  EXPECT_EQ(sjis_find_string(kHyo + "a", "\\a"), kNoPosition);
  EXPECT_EQ(sjis_find_string(kHyo + "\\a", "\\a"), 2u);
  EXPECT_EQ(sjis_find_string("abc", ""), 0u);
  EXPECT_EQ(sjis_find_string("abc", "", 2), 2u);
  EXPECT_EQ(sjis_find_string("abc", "cd"), kNoPosition);
  EXPECT_EQ(sjis_find_string("%A%B%", "%B", 2), 2u);
}

TEST(SjisTest, FindLastChar) {
  EXPECT_EQ(sjis_find_last_char("a\\b\\c", '\\'), 3u);
  EXPECT_EQ(sjis_find_last_char("dir\\" + kHyo, '\\'), 3u);
  EXPECT_EQ(sjis_find_last_char(kHyo, '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_last_char("abc", '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_last_char("a\\b\x81", '\\'), kNoPosition);
}

TEST(SjisTest, FindExtension) {
  EXPECT_EQ(find_extension("a.txt"), 2u);
  EXPECT_EQ(find_extension("a.b.c"), 4u);
  EXPECT_EQ(find_extension("name."), 5u);  // empty, not none
  EXPECT_EQ(find_extension("dir.x\\name"), kNoPosition);
  EXPECT_EQ(find_extension("name"), kNoPosition);
  // Byte-wise: the trail byte 0x5C after the period counts as a backslash.
  EXPECT_EQ(find_extension("a." + kHyo), kNoPosition);
}

TEST(SjisTest, SetExtension) {
  EXPECT_EQ(set_extension("\\bin\\kavo.exe", "cfg"), "\\bin\\kavo.cfg");
  EXPECT_EQ(set_extension("\\bin\\kavo", "cfg"), "\\bin\\kavo.cfg");
  EXPECT_EQ(set_extension("\\my.dir\\kavo", "cfg"), "\\my.dir\\kavo.cfg");
  EXPECT_EQ(set_extension("kavo.", "cfg"), "kavo.cfg");
}

}  // namespace
}  // namespace kavo

#include "text/sjis.h"

#include <gtest/gtest.h>

#include <string>

namespace kavo {
namespace {

// 表 is 0x95 0x5C: its trail byte has the value of a backslash.
const std::string kHyo = "\x95\x5C";

// Lead: 81-9F, E0-FC. Trail: 40-7E, 80-FC. Lead bytes pair up from the
// left; one before a byte that cannot be a trail byte stands alone.
TEST(SjisTest, ByteClasses) {
  ASSERT_EQ(std::string("表"), kHyo);  // the literals are Shift-JIS
  const std::string lead = "\x81\x9F\xE0\xFC", neither = "\x3F\x7F\xFD";
  for (unsigned char c : lead) EXPECT_TRUE(sjis_lead_byte(c)) << int(c);
  for (unsigned char c : "\x40\x7E\x80\xA0\xDF" + neither) {
    EXPECT_FALSE(sjis_lead_byte(c)) << int(c);
    EXPECT_EQ(sjis_trail_byte(c), neither.find(c) == std::string::npos);
  }
  const std::pair<std::string, std::string> classes[] = {
      {kHyo, "12"}, {"\x81\x81\x81", "121"}, {"\x81\xFD\x81.", "1010"}};
  for (const auto& [s, expected] : classes) {
    unsigned char all[8];
    sjis_byte_classes(s, all);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(sjis_byte_class(s, i), expected[i] - '0') << i;
      EXPECT_EQ(all[i], expected[i] - '0') << i;
    }
  }
  for (size_t n = 1; n <= 17; ++n) {  // whole words, tails and short texts
    EXPECT_TRUE(is_ascii(std::string(n, '\x7F')));
    for (size_t at = 0; at < n; ++at) {
      std::string s(n, 'a');
      s[at] = '\x80';
      EXPECT_FALSE(is_ascii(s)) << n << ' ' << at;
    }
  }
  EXPECT_EQ(sjis_byte_class(kHyo, 100), 0);
  for (int b = 0; b < 256; ++b) {  // only a-z change
    EXPECT_EQ(fold_ascii(char(b)), char(b >= 'a' && b <= 'z' ? b - 32 : b));
  }
}

// Searches step over double-byte characters; a lone lead ends the text.
TEST(SjisTest, Searches) {
  EXPECT_EQ(sjis_find_char(kHyo, '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_char("a" + kHyo + "\\b", '\\'), 3u);
  EXPECT_EQ(sjis_find_char("abc", '\0'), 3u);
  EXPECT_EQ(sjis_find_char("ab\x81", '\0'), kNoPosition);
  EXPECT_EQ(sjis_find_string(kHyo + "a", "\\a"), kNoPosition);
  EXPECT_EQ(sjis_find_string(kHyo + "\\a", "\\a"), 2u);
  EXPECT_EQ(sjis_find_last_char("dir\\" + kHyo, '\\'), 3u);
  EXPECT_EQ(sjis_find_last_char("a\\b\x81", '\\'), kNoPosition);
  EXPECT_EQ(sjis_find_last_char("a\\b\\c", '\\'), 3u);
  EXPECT_EQ(sjis_find_last_char("abc", '\\'), kNoPosition);
  EXPECT_EQ(find_extension("name."), 5u);  // empty, not none
  EXPECT_EQ(find_extension("dir.x\\name"), kNoPosition);
  EXPECT_EQ(set_extension("\\x\\" + kHyo + ".exe", "cfg"), "\\x\\表.cfg");
  EXPECT_TRUE(option_word_equals("d-/o", "d-"));
  EXPECT_FALSE(option_word_equals("d-o", "d-") || starts_with("abc", ""));
}

}  // namespace
}  // namespace kavo

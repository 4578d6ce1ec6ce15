#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"

namespace kavo {
namespace {

// 0x95 0x5C is one kanji whose trail byte has the value of '\'; 0x83 0x41
// and 0x83 0x61 are two katakana whose trail bytes are 'A' and 'a'.
const std::string kKanji = "\x95\x5C";
const std::string kKataA = "\x83\x41";
const std::string kKataSmallA = "\x83\x61";

using Matcher = bool (*)(std::string_view, std::string_view, bool);

// A star's landing on the byte after it is final; a ? after stars takes
// the byte after one for them. Trail bytes are neither folded nor landed
// on; a head or tail ends at a single-byte separator (a tail also at a
// colon); a one-byte tail pattern is literal.
TEST(FilterPathsTest, Matchers) {
  const Matcher whole = match_whole;
  const Matcher escaped = match_whole_escaped;
  const Matcher head = match_head;
  const Matcher tail = match_tail;
  const struct {
    Matcher match;
    std::string pattern;
    std::vector<std::string> matching, other;  // texts it matches, and not
    bool fold = false;
  } cases[] = {
      {whole, "a*c", {"abxc"}, {"acxc"}},
      {whole, "*?", {"ab"}, {"abc"}},
      {whole, "?", {}, {"", "ab", kKanji}},
      {whole, "??", {kKanji}, {}},
      {whole, kKataSmallA, {}, {kKataA}, true},
      {whole, "*A", {}, {"x" + kKataA}},
      {whole, "x?A", {}, {"x" + kKataA}},
      {whole, "a*\\b", {}, {"a" + kKanji + "b"}},
      {escaped, "a\\*", {"a*"}, {"ab"}},
      {escaped, "a\\b", {"a\\b"}, {}},
      {escaped, kKanji + "*", {kKanji + "xyz"}, {}},
      {head,
       "C:\\data",
       {"C:\\data", "C:\\data\\sub\\a.txt"},
       {"C:\\database\\a.txt", "c:\\DATA\\x"}},
      {head, "C:\\data\\*", {"C:\\data\\x\\y"}, {"C:\\data"}},
      {head, "C:\\" + kKanji, {"C:\\" + kKanji + "\\x"}, {}},
      {head, "C:\\\x95", {}, {"C:\\" + kKanji}},
      {head, "a\x95", {}, {"a" + kKanji + "b"}},
      {tail,
       "old\\*.txt",
       {"C:\\old\\a.txt", "C:\\old\\new\\a.txt"},
       {"C:\\bold\\a.txt"}},
      {tail, "file.txt", {"c:file.txt"}, {"C:\\xfile.txt", "FILE.TXT"}},
      {tail, "*", {}, {"a\\b"}},
      {tail, "?.txt", {"a\\b.txt"}, {}},
      {tail, "a*c", {"d\\abxc"}, {"axac"}},
      {tail, kKanji + "*", {"x\\" + kKanji + "*"}, {"x\\" + kKanji + "abc"}},
      {tail, "x\\" + kKanji + "*c", {"x\\" + kKanji + "abc"}, {}},
      {tail, "a.txt", {}, {"x" + kKanji + "a.txt"}},
      {[](std::string_view element, std::string_view path, bool) {
         return is_path_under_nocase(element, path);
       },
       "c:\\data",
       {"C:\\Data\\keep", "C:\\Data"},
       {"C:\\database", "C:\\d"}},
  };
  for (const auto& c : cases) {
    for (const std::string& text : c.matching) {
      EXPECT_TRUE(c.match(text, c.pattern, c.fold)) << c.pattern << " " << text;
    }
    for (const std::string& text : c.other) {
      EXPECT_FALSE(c.match(text, c.pattern, c.fold))
          << c.pattern << " " << text;
    }
  }
}

// Each run of stars remembers its failed landings: without that these take
// about n^6 steps; sixty runs exceed the matcher's stack memory.
TEST(FilterPathsTest, ManyStarsStayCheap) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "xa";
  text += "z";
  std::string many;
  for (int i = 0; i < 60; ++i) many += "*a";
  EXPECT_FALSE(match_whole(text, "*a*a*a*a*a*a*b", false));
  EXPECT_TRUE(match_whole(text, "*a*a*a*a*a*a*z", false));
  EXPECT_FALSE(match_head(text, "*a*a*a*a*a*a*b", false));
  EXPECT_FALSE(match_whole(text, many + "*b", false));
  EXPECT_TRUE(match_whole(text, many + "*z", false));
  EXPECT_FALSE(match_tail(text, many + "*b", true));
}

// An element completed against an argument's directory and then checked:
// the answer and the element afterwards. An absolute element must lie
// below the directory and stays as it is; a relative one is completed.
TEST(FilterPathsTest, ElementsAgainstTheArgumentsDirectory) {
  const struct {
    std::string element;
    std::string directory;
    bool fold;
    bool inside;
    std::string result;  // empty: the element unchanged
  } cases[] = {
      {"C:\\dat", "C:\\data\\", false, false, ""},
      {"c:\\DATA\\sub", "C:\\data\\", false, false, ""},
      {"c:\\DATA\\sub", "C:\\data\\", true, true, ""},
      {"C:\\data\\sub", "C:\\data", false, true, ""},
      {"C:x", "C:", false, false, ""},
      {"\\x", "", false, false, ""},
      {"C:\\" + kKanji, "C:\\" + kKanji + "\\", false, true, ""},
      {"C:\\\x95\x5D", "C:\\" + kKanji + "\\", false, false, ""},
      {"C:\\" + kKanji + "x", "C:\\" + kKanji, false, false, ""},
      {"keep", "C:", true, true, "C:keep"},
  };
  for (const auto& c : cases) {
    PatternElement e{c.element};
    complete_path_element(c.directory, &e);
    EXPECT_EQ(path_element_inside(e, c.directory, c.fold), c.inside)
        << c.element << " in " << c.directory;
    EXPECT_EQ(e.text, c.result.empty() ? c.element : c.result);
  }
}

}  // namespace
}  // namespace kavo

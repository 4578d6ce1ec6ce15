#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// 0x95 0x5C is one kanji whose trail byte has the value of '\'; 0x83 0x41
// and 0x83 0x61 are two different katakana whose trail bytes are 'A', 'a'.
const std::string kKanji = "\x95\x5C";
const std::string kKatakanaA = "\x83\x41";
const std::string kKatakanaSmallA = "\x83\x61";

using Texts = std::vector<std::string>;
using Matcher = bool (*)(std::string_view, std::string_view, bool);

// A pattern, the texts it matches and texts it does not.
struct MatchCase {
  std::string pattern;
  Texts matching;
  Texts other;
  bool fold = false;
};

void check_matches(Matcher match, const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases) {
    for (const std::string& text : c.matching) {
      EXPECT_TRUE(match(text, c.pattern, c.fold)) << c.pattern << " " << text;
    }
    for (const std::string& text : c.other) {
      EXPECT_FALSE(match(text, c.pattern, c.fold)) << c.pattern << " " << text;
    }
  }
}

TEST(FilterPathsTest, MatchWhole) {
  const std::vector<MatchCase> cases = {
      // A star's landing on the byte after it is final: it takes nothing
      // before the first period, and a question mark after it takes the
      // byte after one for the stars.
      {"*.txt", {"xx.txt", "a\\b\\c.txt"}, {".a.txt"}},
      {"a*c", {"abxc"}, {"acxc"}},
      {"*?", {"ab"}, {"abc"}},
      {"", {""}, {"a"}},
      {"*", {""}, {}},
      {"a**", {"abc"}, {}},
      {"a**c", {"abc"}, {}},
      {"?", {}, {"", "ab", kKanji}},
      {"??", {kKanji}, {}},
      {"abc.txt", {"ABC.TXT"}, {}, true},
      {"abc.txt", {}, {"ABC.TXT"}},
      // Trail bytes are neither folded nor landed on.
      {kKatakanaSmallA, {}, {kKatakanaA}, true},
      {"*A", {}, {"x" + kKatakanaA}},
      {"*" + kKatakanaA, {"x" + kKatakanaA}, {}},
      {"x?A", {}, {"x" + kKatakanaA}},
      {"a*\\b", {}, {"a" + kKanji + "b"}},
  };
  check_matches(match_whole, cases);
}

TEST(FilterPathsTest, MatchWholeEscaped) {
  const std::vector<MatchCase> cases = {
      {"a\\*", {"a*"}, {"ab"}},
      {"a\\?", {"a?"}, {"ab"}},
      {"a\\\\b", {"a\\b"}, {}},
      {"a\\b", {"a\\b"}, {}},
      {"a\\", {"a\\"}, {}},
      // The 0x5C of a kanji does not escape the star after it.
      {kKanji + "*", {kKanji + "xyz"}, {}},
  };
  check_matches(match_whole_escaped, cases);
}

TEST(FilterPathsTest, MatchHead) {
  const std::vector<MatchCase> cases = {
      {"C:\\data",
       {"C:\\data", "C:\\data\\sub\\a.txt"},
       {"C:\\database\\a.txt", "c:\\DATA\\x"}},
      {"C:\\data", {"c:\\DATA\\x"}, {}, true},
      {"C:\\data\\*", {"C:\\data\\x\\y"}, {"C:\\data"}},
      {"", {}, {"anything", ""}},
      {"C:\\" + kKanji, {"C:\\" + kKanji + "\\x"}, {}},
      // A head may not end between a lead byte and its trail byte, nor
      // before a 0x5C that is a trail byte.
      {"C:\\\x95", {}, {"C:\\" + kKanji}},
      {"a\x95", {}, {"a" + kKanji + "b"}},
      {"*.txt", {"C:\\x\\y.txt"}, {}},
  };
  check_matches(match_head, cases);
}

TEST(FilterPathsTest, MatchTail) {
  const std::vector<MatchCase> cases = {
      {"old\\*.txt",
       {"C:\\x\\old\\a.txt", "C:\\x\\old\\new\\a.txt"},
       {"C:\\x\\bold\\a.txt"}},
      {"file.txt", {"c:file.txt"}, {"C:\\d\\xfile.txt", "FILE.TXT"}},
      {"FILE.TXT", {"file.txt"}, {}, true},
      {"", {}, {"anything"}},
      // A one-byte pattern is literal: * and ? match no path.
      {"*", {}, {"a\\b"}},
      {"?", {}, {"a"}},
      {"*.txt", {"a\\b.txt"}, {}},
      {"?.txt", {"a\\b.txt"}, {}},
      // Walking from the end, the star's landing on 'a' is final.
      {"a*c", {"d\\abxc"}, {"axac"}},
      // A star after a kanji ending in 0x5C is literal as the last byte, and
      // that 0x5C is no separator before the tail.
      {kKanji + "*", {"x\\" + kKanji + "*"}, {"x\\" + kKanji + "abc"}},
      {"x\\" + kKanji + "*c", {"x\\" + kKanji + "abc"}, {}},
      {"a.txt", {}, {"x" + kKanji + "a.txt"}},
      {kKanji + "\\a.txt", {"x\\" + kKanji + "\\a.txt"}, {}},
  };
  check_matches(match_tail, cases);
}

TEST(FilterPathsTest, ManyStarsStayCheap) {
  // Each run of stars must land on 'a' after a non-'a' byte; without
  // remembering failed landings this would take about n^6 steps. Sixty runs
  // are far more than fit the matcher's stack memory: every run must still
  // remember its failed landings.
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

TEST(FilterPathsTest, PathUnderIgnoringCase) {
  // The pattern is the path; the texts are elements under it or not.
  const std::vector<MatchCase> cases = {
      {"", {""}, {"x", "\\x"}},
      {"c:\\data", {"C:\\Data\\keep", "C:\\Data"}, {"C:\\database", "C:\\d"}},
      {kKanji, {kKanji + "\\x"}, {}},
      {kKatakanaSmallA, {}, {kKatakanaA + "\\x"}},
      // The path ends inside the element's double-byte character.
      {"\x95", {}, {kKanji + "x"}},
  };
  check_matches([](std::string_view element, std::string_view path,
                   bool) { return is_path_under_nocase(element, path); },
                cases);
}

// `element` completed against `directory` and then checked; `*result`
// receives the element afterwards.
bool inside(const std::string& element, std::string_view directory, bool fold,
            std::string* result) {
  PatternElement e{element};
  complete_path_element(directory, &e);
  bool answer = path_element_inside(e, directory, fold);
  *result = e.text;
  return answer;
}

// An absolute element is left as it is.
bool absolute_inside(std::string_view element, std::string_view directory,
                     bool fold) {
  std::string result;
  bool answer = inside(std::string(element), directory, fold, &result);
  EXPECT_EQ(result, element);
  return answer;
}

TEST(FilterPathsTest, ResolvesAbsoluteElements) {
  // The pattern is the directory; the texts are elements in it or not.
  const std::vector<MatchCase> cases = {
      // C:\database is not below C:\data\ although only its last byte
      // differs there.
      {"C:\\data\\",
       {"C:\\data\\sub", "C:\\data", "C:\\data\\"},
       {"C:\\other", "C:\\database", "C:\\dat", "c:\\DATA\\sub"}},
      {"C:\\data\\", {"c:\\DATA\\sub"}, {}, true},
      {"C:\\data", {"C:\\data\\sub"}, {}},
      {"C:", {}, {"C:\\x", "C:x"}},
      {"", {}, {"\\x", "C:\\x"}},
      {"sub\\", {}, {"\\x"}},
      {"\\data\\", {"\\data\\x"}, {}},
      {"C:\\" + kKanji + "\\",
       {"C:\\" + kKanji + "\\x", "C:\\" + kKanji},
       {"C:\\\x95\x5D", "C:\\\x95"}},
      // The directory ends in a kanji: its 0x5C is no separator.
      {"C:\\" + kKanji, {}, {"C:\\" + kKanji + "x"}},
  };
  check_matches(absolute_inside, cases);
}

TEST(FilterPathsTest, CompletesRelativeElements) {
  const std::string cases[][3] = {
      // The element, the directory, the completed element.
      {"sub", "C:\\data\\", "C:\\data\\sub"},
      {"sub", "", "sub"},
      {"", "", ""},
      {"", "C:\\data\\", "C:\\data\\"},
      {"keep", "d\\", "d\\keep"},
      {"keep", "C:", "C:keep"},
      {"*.txt", "\\\\srv\\share\\", "\\\\srv\\share\\*.txt"},
  };
  for (const auto& [element, directory, expected] : cases) {
    std::string result;
    EXPECT_TRUE(inside(element, directory, true, &result));
    EXPECT_EQ(result, expected);
  }
}

Texts texts(const PatternList& list) {
  Texts out;
  for (const PatternElement& e : list.items) out.push_back(e.text);
  return out;
}

// `options`: skip and limit options without their slash, space separated.
FilterSet compiled(const std::string& options, bool finish = true) {
  FilterSet f;
  std::istringstream words(options);
  for (std::string o; words >> o;) {
    int result = o[0] == 's' ? compile_skip_option(o.c_str(), &f)
                             : compile_limit_option(o.c_str(), &f);
    EXPECT_EQ(result, 0) << o;
  }
  if (finish) {
    EXPECT_TRUE(finish_filters(&f));
  }
  return f;
}

TEST(FilterPathsTest, EachArgumentCompletesTheElementAsGiven) {
  const char* label = "改名ディレクトリ";
  FilterSet f = compiled("shkeep,\\abs\\x lpa\\*.txt lHk\\");
  complete_path_filters("\\abs\\", &f);
  EXPECT_EQ(texts(f.skip_head), (Texts{"\\abs\\keep", "\\abs\\x"}));
  // A relative directory text (the arguments d\*.txt d\*.doc) is never put
  // in front twice; another argument's directory replaces it.
  FilterSet g = compiled("shkeep lpa\\*.txt lHk\\", false);
  for (int i = 0; i < 3; ++i) complete_path_filters("d\\", &g);
  EXPECT_EQ(texts(g.skip_head), Texts{"d\\keep"});
  EXPECT_EQ(texts(g.limit_path), Texts{"d\\a\\*.txt"});
  EXPECT_EQ(texts(g.limit_head_case), Texts{"d\\k\\*"});
  EXPECT_EQ(texts(g.limit_head_case_dirs), Texts{"d\\k"});
  complete_path_filters("d\\keep\\", &g);
  EXPECT_EQ(texts(g.skip_head), Texts{"d\\keep\\keep"});
  complete_path_filters("", &g);
  EXPECT_EQ(texts(g.skip_head), Texts{"keep"});
  // A drive-relative directory: C:keep is no absolute element outside C:.
  FilterSet h = compiled("shkeep", false);
  complete_path_filters("C:", &h);
  complete_path_filters("C:", &h);
  validate_path_filters(label, "C:", h);
  EXPECT_EQ(texts(h.skip_head), Texts{"C:keep"});
}

TEST(FilterPathsTest, ElementOutsideEndsTheRun) {
  FilterSet f = compiled("shsub lpC:\\other", false);
  channels_reset();
  kavo_testing::ScratchDir scratch;
  kavo_testing::CapturedOutput captured(scratch);
  int code = 0;
  try {
    complete_path_filters("C:\\data\\", &f);
    validate_path_filters("改名ディレクトリ", "C:\\data\\", f);
  } catch (const ProcessExit& e) {
    code = e.code;
  }
  EXPECT_EQ(code, 1);
  EXPECT_EQ(captured.err(),
            "\n\a処理停止:オプション /lpC:\\other のパスは改名ディレクトリ "
            "C:\\data\\ 以下ではありません。\n");
  // The relative elements were completed all the same.
  EXPECT_EQ(texts(f.skip_head), Texts{"C:\\data\\sub"});
}

// Whether the options exclude `path` (as the walk builds it) by its path
// alone. A path with a final '/' is a directory: the walk's paths never
// hold a '/'.
bool excluded_by_path(std::string_view path, std::string_view options, bool) {
  FilterSet f = compiled(std::string(options));
  if (path.back() != '/') {
    return path_skipped(f, path) || file_outside_path_limits(f, path);
  }
  path.remove_suffix(1);
  return path_skipped(f, path) || directory_outside_path_limits(f, path);
}

TEST(FilterPathsTest, PathTestsOfEachOption) {
  // The options, the paths they exclude and paths they keep.
  const std::vector<MatchCase> cases = {
      {"shsub", {"sub\\a.txt", "sub/"}, {"subway\\b.txt"}},
      {"sHSub", {}, {"sub\\a.txt"}},
      {"shSub", {"sub\\a.txt"}, {}},
      {"st*", {}, {"a\\b"}},
      {"st?", {}, {"a"}},
      {"sp*", {"a\\b.txt", "a/"}, {}},
      {"stold", {"x\\old/"}, {}},
      {"shzz,", {}, {"b\\c"}},
      {"stzz,", {}, {"b\\c"}},
      {"lhC:\\data\\keep",
       {"C:\\data\\other/", "C:\\data\\a.txt"},
       {"C:\\data\\keep/", "C:\\data\\keep\\sub/", "C:\\data\\keep\\a.txt"}},
      {"lhC:\\data\\keep\\", {"C:\\data\\keep"}, {"C:\\data\\keep/"}},
      {"lHC:\\Data", {"C:\\data/"}, {}},
      {"lp*.txt", {"sub/"}, {"a.txt", "sub\\b.txt"}},
      {"lpa\\b\\c.txt", {"a\\b\\d.txt"}, {"a/", "A\\B/", "a\\b\\c.txt"}},
      {"lPa\\b\\c.txt", {"A\\B/"}, {}},
      // The on-the-way test is literal: a* never lets the walk into abc.
      {"lpa*\\b", {"abc/"}, {}},
      {"ltsub\\*.txt", {"x\\a.txt"}, {"x/", "sub\\a.txt"}},
      {"lhkeep ltx", {"keep\\y"}, {"keep\\x"}},
  };
  check_matches(excluded_by_path, cases);
}

}  // namespace
}  // namespace kavo

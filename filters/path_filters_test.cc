#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "output/channels.h"

namespace kavo {
namespace {

struct MatchCase {
  std::string text;
  std::string pattern;
  bool fold;
  bool expected;
};

// 0x95 0x5C is one kanji whose trail byte has the value of '\'; 0x83 0x41
// and 0x83 0x61 are two different katakana whose trail bytes are 'A', 'a'.
const std::string kKanji = "\x95\x5C";
const std::string kKatakanaA = "\x83\x41";
const std::string kKatakanaSmallA = "\x83\x61";

TEST(FilterPathsTest, MatchWhole) {
  const MatchCase cases[] = {
      {"a.txt", "*.txt", false, true},
      {"xx.txt", "*.txt", false, true},
      // The star takes nothing before the first period, for good.
      {".a.txt", "*.txt", false, false},
      {"abxc", "a*c", false, true},
      {"acxc", "a*c", false, false},
      {"", "", false, true},
      {"a", "", false, false},
      {"", "*", false, true},
      {"abc", "a**", false, true},
      {"abc", "a**c", false, true},
      {"a", "?", false, true},
      {"", "?", false, false},
      {"ab", "?", false, false},
      {kKanji, "??", false, true},
      {kKanji, "?", false, false},
      // After a star a question mark takes the byte after one for the stars.
      {"ab", "*?", false, true},
      {"abc", "*?", false, false},
      {"?", "*?", false, true},
      {"ABC.TXT", "abc.txt", true, true},
      {"ABC.TXT", "abc.txt", false, false},
      {"a\\b\\c.txt", "*.txt", false, true},
      // Trail bytes are neither folded nor landed on.
      {kKatakanaA, kKatakanaSmallA, true, false},
      {kKatakanaA, kKatakanaA, true, true},
      {"x" + kKatakanaA, "*A", false, false},
      {"x" + kKatakanaA, "*" + kKatakanaA, false, true},
      {"x" + kKatakanaA, "x?A", false, false},
      {"a" + kKanji + "b", "a*\\b", false, false},
      {"a\\b", "a\\b", false, true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(match_whole(c.text, c.pattern, c.fold), c.expected)
        << c.text << " / " << c.pattern;
  }
}

TEST(FilterPathsTest, MatchWholeEscaped) {
  const MatchCase cases[] = {
      {"a*", "a\\*", false, true},
      {"ab", "a\\*", false, false},
      {"a?", "a\\?", false, true},
      {"ab", "a\\?", false, false},
      {"a\\b", "a\\\\b", false, true},
      {"a\\b", "a\\b", false, true},
      {"a\\", "a\\", false, true},
      {"work", "WORK", true, true},
      {"work", "w*", false, true},
      // The 0x5C of a kanji does not escape the star after it.
      {kKanji + "xyz", kKanji + "*", false, true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(match_whole_escaped(c.text, c.pattern, c.fold), c.expected)
        << c.text << " / " << c.pattern;
  }
}

TEST(FilterPathsTest, MatchHead) {
  const MatchCase cases[] = {
      {"C:\\data", "C:\\data", false, true},
      {"C:\\data\\sub\\a.txt", "C:\\data", false, true},
      {"C:\\database\\a.txt", "C:\\data", false, false},
      {"C:\\data", "C:\\data\\*", false, false},
      {"C:\\data\\x\\y", "C:\\data\\*", false, true},
      {"c:\\DATA\\x", "C:\\data", true, true},
      {"c:\\DATA\\x", "C:\\data", false, false},
      {"sub\\a.txt", "sub", true, true},
      {"sub", "sub", true, true},
      {"subway\\b.txt", "sub", true, false},
      {"sub\\a.txt", "Sub", false, false},
      {"anything", "", false, false},
      {"", "", false, false},
      {"C:\\" + kKanji + "\\x", "C:\\" + kKanji, false, true},
      // A head may not end between a lead byte and its trail byte, nor
      // before a 0x5C that is a trail byte.
      {"C:\\" + kKanji, "C:\\\x95", false, false},
      {"a" + kKanji + "b", "a\x95", false, false},
      {"C:\\x\\y.txt", "*.txt", false, true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(match_head(c.text, c.pattern, c.fold), c.expected)
        << c.text << " / " << c.pattern;
  }
}

TEST(FilterPathsTest, MatchTail) {
  const MatchCase cases[] = {
      {"C:\\x\\old\\a.txt", "old\\*.txt", false, true},
      {"C:\\x\\old\\new\\a.txt", "old\\*.txt", false, true},
      {"C:\\x\\bold\\a.txt", "old\\*.txt", false, false},
      {"C:\\d\\file.txt", "file.txt", false, true},
      {"c:file.txt", "file.txt", false, true},
      {"file.txt", "FILE.TXT", true, true},
      {"file.txt", "FILE.TXT", false, false},
      {"C:\\d\\xfile.txt", "file.txt", false, false},
      {"anything", "", false, false},
      // A one-byte pattern is literal: * and ? match no path.
      {"a\\b", "*", false, false},
      {"a", "?", false, false},
      {"a\\b.txt", "*.txt", false, true},
      {"a\\b.txt", "?.txt", false, true},
      // Walking from the end, the star's landing on 'a' is final.
      {"axac", "a*c", false, false},
      {"abxc", "a*c", false, true},
      {"d\\abxc", "a*c", false, true},
      // A star after a kanji ending in 0x5C is literal as the last byte.
      {"x\\" + kKanji + "*", kKanji + "*", false, true},
      {"x\\" + kKanji + "abc", kKanji + "*", false, false},
      {"x\\" + kKanji + "abc", "x\\" + kKanji + "*c", false, true},
      // The 0x5C of a kanji is no separator before the tail.
      {"x" + kKanji + "a.txt", "a.txt", false, false},
      {"x\\" + kKanji + "\\a.txt", kKanji + "\\a.txt", false, true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(match_tail(c.text, c.pattern, c.fold), c.expected)
        << c.text << " / " << c.pattern;
  }
}

TEST(FilterPathsTest, ManyStarsStayCheap) {
  // Each run of stars must land on 'a' after a non-'a' byte; without
  // remembering failed landings this would take about n^6 steps.
  std::string text;
  for (int i = 0; i < 400; ++i) text += "xa";
  text += "z";
  EXPECT_FALSE(match_whole(text, "*a*a*a*a*a*a*b", false));
  EXPECT_TRUE(match_whole(text, "*a*a*a*a*a*a*z", false));
  EXPECT_FALSE(match_head(text, "*a*a*a*a*a*a*b", false));
}

TEST(FilterPathsTest, ManyStarRunsStayCheapToo) {
  // Far more runs than fit the matcher's stack memory: every run must
  // still remember its failed landings.
  std::string text;
  for (int i = 0; i < 400; ++i) text += "xa";
  text += "z";
  std::string pattern;
  for (int i = 0; i < 60; ++i) pattern += "*a";
  EXPECT_FALSE(match_whole(text, pattern + "*b", false));
  EXPECT_TRUE(match_whole(text, pattern + "*z", false));
  EXPECT_FALSE(match_tail(text, pattern + "*b", true));
}

TEST(FilterPathsTest, PathUnderIgnoringCase) {
  struct Case {
    std::string element;
    std::string path;
    bool expected;
  };
  const Case cases[] = {
      {"", "", true},
      {"x", "", false},
      {"\\x", "", false},
      {"C:\\Data\\keep", "c:\\data", true},
      {"C:\\Data", "c:\\data", true},
      {"C:\\database", "C:\\data", false},
      {"C:\\d", "C:\\data", false},
      {kKanji + "\\x", kKanji, true},
      {kKatakanaA + "\\x", kKatakanaSmallA, false},
      // The path ends inside the element's double-byte character.
      {kKanji + "x", "\x95", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_path_under_nocase(c.element, c.path), c.expected)
        << c.element << " / " << c.path;
  }
}

bool inside(const std::string& element, const std::string& directory, bool fold,
            std::string* result = nullptr) {
  PatternList list;
  list.items.push_back(PatternElement{element, false});
  bool answer = resolve_path_element(&list, 0, directory, fold);
  if (result) *result = list.items[0].text;
  return answer;
}

TEST(FilterPathsTest, ResolvesAbsoluteElements) {
  struct Case {
    std::string element;
    std::string directory;
    bool fold;
    bool expected;
  };
  const Case cases[] = {
      {"C:\\data\\sub", "C:\\data\\", false, true},
      {"C:\\data\\sub", "C:\\data", false, true},
      {"C:\\data", "C:\\data\\", false, true},
      {"C:\\data\\", "C:\\data\\", false, true},
      {"C:\\other", "C:\\data\\", false, false},
      // Not below C:\data\ although only its last byte differs there.
      {"C:\\database", "C:\\data\\", false, false},
      {"C:\\dat", "C:\\data\\", false, false},
      {"C:\\x", "C:", false, false},
      {"C:x", "C:", false, false},
      {"\\x", "", false, false},
      {"C:\\x", "", false, false},
      {"\\x", "sub\\", false, false},
      {"\\data\\x", "\\data\\", false, true},
      {"c:\\DATA\\sub", "C:\\data\\", true, true},
      {"c:\\DATA\\sub", "C:\\data\\", false, false},
      {"C:\\" + kKanji + "\\x", "C:\\" + kKanji + "\\", false, true},
      {"C:\\" + kKanji, "C:\\" + kKanji + "\\", false, true},
      {"C:\\\x95\x5D", "C:\\" + kKanji + "\\", false, false},
      {"C:\\\x95", "C:\\" + kKanji + "\\", false, false},
      // The directory ends in a kanji: its 0x5C is no separator.
      {"C:\\" + kKanji + "x", "C:\\" + kKanji, false, false},
  };
  for (const Case& c : cases) {
    std::string result;
    EXPECT_EQ(inside(c.element, c.directory, c.fold, &result), c.expected)
        << c.element << " in " << c.directory;
    EXPECT_EQ(result, c.element);
  }
}

TEST(FilterPathsTest, CompletesRelativeElements) {
  struct Case {
    std::string element;
    std::string directory;
    std::string expected;
  };
  const Case cases[] = {
      {"sub", "C:\\data\\", "C:\\data\\sub"},
      {"sub", "", "sub"},
      {"", "", ""},
      {"", "C:\\data\\", "C:\\data\\"},
      {"keep", "d\\", "d\\keep"},
      {"keep", "C:", "C:keep"},
      {"*.txt", "\\\\srv\\share\\", "\\\\srv\\share\\*.txt"},
  };
  for (const Case& c : cases) {
    std::string result;
    EXPECT_TRUE(inside(c.element, c.directory, true, &result));
    EXPECT_EQ(result, c.expected);
  }
}

std::vector<std::string> texts(const PatternList& list) {
  std::vector<std::string> out;
  for (const PatternElement& e : list.items) out.push_back(e.text);
  return out;
}

TEST(FilterPathsTest, LaterArgumentsNeverCompleteAgain) {
  FilterSet f;
  compile_skip_option("shkeep,\\abs\\x", &f);
  compile_limit_option("lpa\\*.txt", &f);
  compile_limit_option("lHk\\", &f);
  ASSERT_TRUE(finish_filters(&f));
  // A relative directory text (the arguments d\*.txt d\*.doc).
  validate_path_filters("改名ディレクトリ", "\\abs\\", &f);
  EXPECT_EQ(texts(f.skip_head),
            (std::vector<std::string>{"\\abs\\keep", "\\abs\\x"}));
  FilterSet g;
  compile_skip_option("shkeep", &g);
  compile_limit_option("lpa\\*.txt", &g);
  compile_limit_option("lHk\\", &g);
  for (int i = 0; i < 3; ++i)
    validate_path_filters("改名ディレクトリ", "d\\", &g);
  EXPECT_EQ(texts(g.skip_head), std::vector<std::string>{"d\\keep"});
  EXPECT_EQ(texts(g.limit_path), std::vector<std::string>{"d\\a\\*.txt"});
  EXPECT_EQ(texts(g.limit_head_case), std::vector<std::string>{"d\\k\\*"});
  EXPECT_EQ(texts(g.limit_head_case_dirs), std::vector<std::string>{"d\\k"});
  // A drive-relative directory: C:keep would count as outside C: if it
  // were checked again as an absolute element.
  FilterSet h;
  compile_skip_option("shkeep", &h);
  validate_path_filters("改名ディレクトリ", "C:", &h);
  validate_path_filters("改名ディレクトリ", "C:", &h);
  EXPECT_EQ(texts(h.skip_head), std::vector<std::string>{"C:keep"});
}

TEST(FilterPathsTest, ElementOutsideEndsTheRun) {
  FilterSet f;
  compile_skip_option("shsub", &f);
  compile_limit_option("lpC:\\other", &f);
  channels_reset();
  testing::internal::CaptureStderr();
  int code = 0;
  try {
    validate_path_filters("改名ディレクトリ", "C:\\data\\", &f);
  } catch (const ProcessExit& e) {
    code = e.code;
  }
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("other"), std::string::npos) << err;
  // Elements of the lists before it were completed on the way.
  EXPECT_EQ(texts(f.skip_head), std::vector<std::string>{"C:\\data\\sub"});
}

// Path tests of the options, on paths as the walk builds them.
struct PathCase {
  std::vector<std::string> options;
  std::string path;
  bool directory;
  bool excluded;
};

bool excluded_by_path(const std::vector<std::string>& options,
                      const std::string& path, bool directory) {
  FilterSet f;
  for (const std::string& o : options) {
    if (o[0] == 's') {
      EXPECT_EQ(compile_skip_option(o.c_str(), &f), 0);
    } else {
      EXPECT_EQ(compile_limit_option(o.c_str(), &f), 0);
    }
  }
  EXPECT_TRUE(finish_filters(&f));
  if (directory) {
    return path_skipped(f, path) || directory_outside_path_limits(f, path);
  }
  return path_skipped(f, path) || file_outside_path_limits(f, path);
}

TEST(FilterPathsTest, PathTestsOfEachOption) {
  const PathCase cases[] = {
      {{"shsub"}, "sub\\a.txt", false, true},
      {{"shsub"}, "sub", true, true},
      {{"shsub"}, "subway\\b.txt", false, false},
      {{"sHSub"}, "sub\\a.txt", false, false},
      {{"shSub"}, "sub\\a.txt", false, true},
      {{"st*"}, "a\\b", false, false},
      {{"st?"}, "a", false, false},
      {{"sp*"}, "a\\b.txt", false, true},
      {{"sp*"}, "a", true, true},
      {{"stold"}, "x\\old", true, true},
      {{"shzz,"}, "b\\c", false, false},
      {{"stzz,"}, "b\\c", false, false},
      {{"lhC:\\data\\keep"}, "C:\\data\\keep", true, false},
      {{"lhC:\\data\\keep"}, "C:\\data\\keep\\sub", true, false},
      {{"lhC:\\data\\keep"}, "C:\\data\\other", true, true},
      {{"lhC:\\data\\keep"}, "C:\\data\\a.txt", false, true},
      {{"lhC:\\data\\keep"}, "C:\\data\\keep\\a.txt", false, false},
      {{"lhC:\\data\\keep\\"}, "C:\\data\\keep", true, false},
      {{"lhC:\\data\\keep\\"}, "C:\\data\\keep", false, true},
      {{"lHC:\\Data"}, "C:\\data", true, true},
      {{"lp*.txt"}, "a.txt", false, false},
      {{"lp*.txt"}, "sub\\b.txt", false, false},
      {{"lp*.txt"}, "sub", true, true},
      {{"lpa\\b\\c.txt"}, "a", true, false},
      {{"lpa\\b\\c.txt"}, "A\\B", true, false},
      {{"lPa\\b\\c.txt"}, "A\\B", true, true},
      {{"lpa\\b\\c.txt"}, "a\\b\\c.txt", false, false},
      {{"lpa\\b\\c.txt"}, "a\\b\\d.txt", false, true},
      // The on-the-way test is literal: a* never lets the walk into abc.
      {{"lpa*\\b"}, "abc", true, true},
      {{"ltsub\\*.txt"}, "x", true, false},
      {{"ltsub\\*.txt"}, "x\\a.txt", false, true},
      {{"ltsub\\*.txt"}, "sub\\a.txt", false, false},
      {{"lhkeep", "ltx"}, "keep\\x", false, false},
      {{"lhkeep", "ltx"}, "keep\\y", false, true},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(excluded_by_path(c.options, c.path, c.directory), c.excluded)
        << c.options[0] << " on " << c.path;
  }
}

}  // namespace
}  // namespace kavo

#include "names/pattern.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "text/sjis.h"

namespace kavo {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr MatchFlags kPlain{};
constexpr MatchFlags kFold{true, false, false};
constexpr MatchFlags kHead{false, true, false};
constexpr MatchFlags kTail{false, false, true};
constexpr MatchFlags kBoth{false, true, true};

// 表 is 95 5C, ソ 83 5C, ア 83 41: trail bytes with the values of '\' and
// 'A'. F9 40 is the escape of a byte a name may not hold.
TEST(PatternTest, FirstMatches) {
  const std::string colon = "\xF9@";
  const struct {
    std::string subject;
    std::string pattern;
    MatchFlags flags;
    size_t start;  // kNone: no match
    size_t end;
  } cases[] = {
      {"xaybzb", "a*b", kPlain, 1, 4},      // the star stops at the first b
      {"abcbc", "b*", kPlain, 1, 5},        // a final star takes the rest
      {"abxbc", "a*bc", kPlain, kNone, 0},  // the star's landing is final
      {"abc", "*?", kPlain, 0, 2},          // a star before ? takes one byte
      {"ab", "a*?", kPlain, kNone, 0},
      {"axb", "a**b", kPlain, 0, 3},
      {"abc", "", kPlain, kNone, 0},
      {"abc", "*b", kHead, 0, 2},
      {"caaa.zaa", "a", kTail, 7, 8},  // tail only: the first from the end
      {"abcabc", "a*c", kTail, 3, 6},
      {"axbxcb", "b*cb", kTail, 2, 6},
      {"cbxba", "cb*a", kTail, kNone, 0},  // mirror of a*bc on abxbc
      {"a.txt.txt", "*.txt", kBoth, 0, 9},
      {"aXab", "a*ab", kBoth, 0, 4},    // a whole match's last literals
      {"ab", "a*ab", kBoth, kNone, 0},  // ...only after the star's start
      {"xア", "*A", kBoth, kNone, 0},   // ...never on a trail byte
      {"abc", "*?", kBoth, kNone, 0},
      {"表a", "表A", kFold, 0, 3},
      {"X.JPG", ".jpg", MatchFlags{true, false, true}, 1, 5},
      {"\x82\x61", "\x82\x41", kFold, kNone, 0},  // trail bytes never fold
      {"a\\b", "\\\\", kPlain, 1, 2},
      {"x\\a", "\\a", kPlain, 1, 3},  // a backslash before a is literal
      {"a\\b", "\\", kPlain, 1, 2},
      {"表xyz", "表*", kPlain, 0, 5},  // 表's trail byte escapes nothing
      {"a*b*", "a\\**", kPlain, 0, 4},
      // A match never cuts a double-byte character; ? is one byte.
      {"表a", "??a", kPlain, 0, 3},
      {"a表ab", "a?", kPlain, 3, 5},
      {"表", "*?", kPlain, 0, 2},
      {"x表", "??", kTail, 1, 3},
      {"表\\", "\\", kTail, 2, 3},
      {"a" + colon + "b", "a??b", kPlain, 0, 4},
      {"ソ", "?\\", kPlain, kNone, 0},
      {"xア", "*A", kPlain, kNone, 0},
      {"xア", "*A", kTail, kNone, 0},
      {"xアA", "*A", kTail, 0, 4},
  };
  for (const auto& c : cases) {
    Match m;
    if (!find_match(c.subject, c.pattern, c.flags, &m)) m = Match{kNone, 0};
    EXPECT_EQ(std::pair(m.start, m.end), std::pair(c.start, c.end))
        << "subject '" << c.subject << "' pattern '" << c.pattern << "'";
  }
}

std::string random_text(std::mt19937* random,
                        const std::vector<std::string>& pieces, int most) {
  std::string text;
  for (int n = (*random)() % (most + 1); n > 0; --n) {
    text += pieces[(*random)() % pieces.size()];
  }
  return text;
}

// On single-byte text the tail-only match is the head match of both
// strings reversed (anchors and boundaries: the fuzz target's).
TEST(PatternTest, TailMatchesMirrorHeadMatches) {
  std::mt19937 random(95);
  for (int i = 0; i < 20000; ++i) {
    std::string subject = random_text(&random, {"a", "b", "c"}, 8);
    std::string pattern = random_text(&random, {"a", "b", "?", "*", "c"}, 5);
    SCOPED_TRACE("'" + subject + "' '" + pattern + "'");
    Match tail;
    Match head;
    bool found = find_match(subject, pattern, kTail, &tail);
    ASSERT_EQ(found, find_match(std::string(subject.rbegin(), subject.rend()),
                                std::string(pattern.rbegin(), pattern.rend()),
                                kHead, &head));
    if (found) {
      ASSERT_EQ(
          std::pair(tail.start, tail.end),
          std::pair(subject.size() - head.end, subject.size() - head.start));
    }
  }
}

// A name part must stay below 260 bytes; one already over may shrink.
TEST(PatternTest, ReplacementStaysBelowTheLimit) {
  const std::string a250(250, 'a');
  std::string name = a250;
  EXPECT_TRUE(replace_first_match(&name, "a", std::string(10, 'b'), kPlain));
  EXPECT_EQ(name, std::string(10, 'b') + std::string(249, 'a'));
  name = a250;
  EXPECT_FALSE(replace_first_match(&name, "a", std::string(11, 'b'), kPlain));
  EXPECT_TRUE(insert_at_start(&name, std::string(9, 'x')));
  EXPECT_FALSE(insert_at_start(&name, "y"));
  EXPECT_EQ(name, std::string(9, 'x') + a250);
  name = a250;
  EXPECT_TRUE(append_at_end(&name, std::string(9, 'x')));
  EXPECT_FALSE(append_at_end(&name, "y"));
  name = std::string(300, 'a') + "xy";
  EXPECT_TRUE(replace_first_match(&name, "xy", "z", kPlain));
  EXPECT_FALSE(replace_first_match(&name, "z", "vv", kPlain));
  EXPECT_EQ(name, std::string(300, 'a') + "z");
}

// The star step's results are remembered: many stars stay fast.
TEST(PatternTest, ManyStarsStayFast) {
  std::string name;
  while (name.size() < 258) name += "ba";
  name += "b";
  std::clock_t start = std::clock();
  Match m;
  for (int i = 0; i < 200; ++i) {
    EXPECT_FALSE(find_match(name, "*a*a*a*a*a*a*a*a*a*a*z", kPlain, &m));
    EXPECT_FALSE(find_match(name, "z*a*a*a*a*a*a*a*a*a*a*", kTail, &m));
  }
  EXPECT_TRUE(find_match(name, "b*a*a*a*a*a*a*a*a*a*ab", kBoth, &m));
  EXPECT_LT(std::clock() - start, 5 * CLOCKS_PER_SEC);
}

}  // namespace
}  // namespace kavo

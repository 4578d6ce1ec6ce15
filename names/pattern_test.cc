#include "names/pattern.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "names/sjis.h"
#include "platform/platform.h"

namespace kavo {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

struct MatchCase {
  std::string subject;
  std::string pattern;
  MatchFlags flags;
  size_t start;  // kNone: no match
  size_t end;
};

constexpr MatchFlags kPlain{};
constexpr MatchFlags kFold{true, false, false};
constexpr MatchFlags kHead{false, true, false};
constexpr MatchFlags kTail{false, false, true};
constexpr MatchFlags kBoth{false, true, true};

void check_cases(const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases) {
    Match m;
    if (!find_match(c.subject, c.pattern, c.flags, &m)) m = Match{kNone, 0};
    EXPECT_EQ(std::pair(m.start, m.end), std::pair(c.start, c.end))
        << "subject '" << c.subject << "' pattern '" << c.pattern << "'";
  }
}

TEST(PatternTest, StarsAndAnyBytes) {
  check_cases({
      {"caaa.zaa", "a", kPlain, 1, 2},
      {"xaybzb", "a*b", kPlain, 1, 4},      // the star stops at the first b
      {"abcbc", "b*", kPlain, 1, 5},        // a trailing star takes the rest
      {"abxbc", "a*bc", kPlain, kNone, 0},  // the empty star is final
      {"abxbc", "a*c", kPlain, 0, 5},
      {"a.txt.txt", "*.txt", kPlain, 0, 5},
      {"abc", "*?", kPlain, 0, 2},  // a star before ? takes one byte
      {"ab", "a*?", kPlain, kNone, 0},
      {"axb", "a**b", kPlain, 0, 3},  // stars run together
      {"abc", "", kPlain, kNone, 0},  // an empty pattern never matches
      {"", "*", kPlain, 0, 0},
      {"abc", "b", kHead, kNone, 0},
      {"abc", "*b", kHead, 0, 2},
      // Tail only: the first match from the end.
      {"caaa.zaa", "a", kTail, 7, 8},
      {"abcabc", "a*c", kTail, 3, 6},
      {"abc", "?*", kTail, 1, 3},
      {"abc", "*", kTail, 0, 3},
      {"", "**", kTail, 0, 0},
      {"", "a*", kTail, kNone, 0},
      {"axbxcb", "b*cb", kTail, 2, 6},
      // Mirror image of a*bc in abxbc: the star that took nothing at b is
      // not given more bytes.
      {"cbxba", "cb*a", kTail, kNone, 0},
      {"abcabc", "a*c", kBoth, 0, 6},
      {"a.txt.txt", "*.txt", kBoth, 0, 9},
      {"a.b.c", "*.*", kBoth, 0, 5},
      {"abcd", "abc", kBoth, kNone, 0},
      {"abc", "???", kBoth, 0, 3},
      {"abc", "*?", kBoth, kNone, 0},  // the star before ? still takes one
  });
}

TEST(PatternTest, CaseFoldingAndEscapes) {
  check_cases({
      {"ABC", "b", kFold, 1, 2},
      {"ABC", "b", kPlain, kNone, 0},
      {"表a", "表A", kFold, 0, 3},  // folding resumes after 表
      {"abxB", "a*b", kFold, 0, 2},
      {"X.JPG", ".jpg", MatchFlags{true, false, true}, 1, 5},
      // 0x82 0x61 and 0x82 0x41: trail bytes with letter values never fold.
      {"\x82\x61", "\x82\x41", kFold, kNone, 0},
      {"a*b", "\\*", kPlain, 1, 2},
      {"ab", "\\*", kPlain, kNone, 0},
      {"a?b", "\\?", kPlain, 1, 2},
      {"a\\b", "\\\\", kPlain, 1, 2},
      {"x\\a", "\\a", kPlain, 1, 3},   // backslash before a is literal
      {"a\\b", "\\", kPlain, 1, 2},    // a lone backslash is literal
      {"表xyz", "表*", kPlain, 0, 5},  // 表's trail byte escapes nothing
      {"表*", "表\\*", kPlain, 0, 3},
      {"a*b*", "a\\**", kPlain, 0, 4},  // literal star, then a star
  });
}

// 表 is 0x95 0x5C: a match that cut it would leave a lone 0x5C, a
// separator, in the new name. The random test below checks that no match
// ever cuts a character; these check what is matched instead.
TEST(PatternTest, DoubleByteCharactersAreWholeCharacters) {
  const std::string colon = "\xF9@";  // an escaped name byte
  check_cases({
      {"表表", "表", kPlain, 0, 2},
      {"表a", "??a", kPlain, 0, 3},
      {"a表ab", "a?", kPlain, 3, 5},  // the next start still counts
      {"表", "*?", kPlain, 0, 2},
      {"a表表b", "a*表", kPlain, 0, 3},
      {"x表", "??", kTail, 1, 3},
      {"表x", "??*", kTail, 0, 3},
      {"表\\", "\\", kTail, 2, 3},
      {"表", "??", kBoth, 0, 2},
      {"a" + colon + "b", "a??b", kPlain, 0, 4},
      {"user@host", "*@", kPlain, 0, 5},
      // A single-byte literal never equals the trail byte of a character
      // (ソ is 83 5C, ア is 83 41), even where the match would cut nothing.
      {"ソ", "?\\", kPlain, kNone, 0},
      {"xア", "*A", kPlain, kNone, 0},
      {"xア", "*A", kTail, kNone, 0},
      {"xアA", "*A", kTail, 0, 4},
      {"12" + colon + "00 memo.txt", "*@", kPlain, kNone, 0},
      {"x" + colon, "?@", kTail, kNone, 0},
  });
}

std::string random_text(std::mt19937* random,
                        const std::vector<std::string>& pieces,
                        int max_pieces) {
  std::string text;
  int count = static_cast<int>((*random)() % (max_pieces + 1));
  for (int i = 0; i < count; ++i) text += pieces[(*random)() % pieces.size()];
  return text;
}

// Whatever the pattern, a match respects its anchors and never begins or
// ends inside a double-byte character. For single-byte text the tail-only
// match is the head-anchored match of both strings reversed, mapped back.
TEST(PatternTest, RandomMatches) {
  std::mt19937 random(95);
  const std::vector<std::string> subject_pieces = {
      "a", "b", "A", "表", "\\", "x", "ア", "ソ", "\x82\x61", "\xF9@"};
  const std::vector<std::string> pattern_pieces = {"a",  "b",  "?", "*",
                                                   "表", "\\", "A", "@"};
  for (int i = 0; i < 20000; ++i) {
    std::string subject = random_text(&random, subject_pieces, 8);
    std::string pattern = random_text(&random, pattern_pieces, 5);
    SCOPED_TRACE("subject '" + subject + "' pattern '" + pattern + "'");
    MatchFlags flags{random() % 2 == 0, random() % 2 == 0, random() % 2 == 0};
    Match match;
    if (find_match(subject, pattern, flags, &match)) {
      ASSERT_LE(match.start, match.end);
      ASSERT_LE(match.end, subject.size());
      ASSERT_NE(sjis_byte_class(subject, match.start), 2);
      ASSERT_NE(sjis_byte_class(subject, match.end), 2);
      ASSERT_TRUE(!flags.head || match.start == 0);
      ASSERT_TRUE(!flags.tail || match.end == subject.size());
    }

    subject = random_text(&random, {"a", "b", "c"}, 8);
    pattern = random_text(&random, {"a", "b", "?", "*", "c"}, 5);
    SCOPED_TRACE("subject '" + subject + "' pattern '" + pattern + "'");
    std::string reversed_subject(subject.rbegin(), subject.rend());
    std::string reversed_pattern(pattern.rbegin(), pattern.rend());
    Match tail;
    Match head;
    bool tail_found = find_match(subject, pattern, kTail, &tail);
    ASSERT_EQ(tail_found,
              find_match(reversed_subject, reversed_pattern, kHead, &head));
    if (tail_found) {
      ASSERT_EQ(
          std::pair(tail.start, tail.end),
          std::pair(subject.size() - head.end, subject.size() - head.start));
    }
  }
}

TEST(PatternTest, ReplacementStaysBelowTheLimit) {
  std::string name = "abcdef";
  EXPECT_TRUE(replace_first_match(&name, "b*d", "", kPlain));
  EXPECT_FALSE(replace_first_match(&name, "x", "y", kPlain));
  EXPECT_EQ(name, "aef");
  // From 250 bytes, the longest name part there may be has 259.
  const std::string a250(250, 'a');
  name = a250;
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
  EXPECT_EQ(name, a250 + std::string(9, 'x'));
  // A name part already over the limit may still shrink or keep its length.
  name = std::string(300, 'a') + "xy";
  EXPECT_TRUE(replace_first_match(&name, "xy", "z", kPlain));
  EXPECT_TRUE(replace_first_match(&name, "z", "w", kPlain));
  EXPECT_FALSE(replace_first_match(&name, "w", "vv", kPlain));
  EXPECT_EQ(name, std::string(300, 'a') + "w");
}

TEST(PatternTest, EntryMatchesPattern) {
  FindRecord entry;
  entry.name = "Long Name.txt";
  entry.short_name = "LONGNA~1.TXT";
  EXPECT_TRUE(entry_matches_pattern(entry, std::nullopt, false, false));
  EXPECT_TRUE(entry_matches_pattern(entry, "*.txt", false, false));
  EXPECT_FALSE(entry_matches_pattern(entry, "*.txt", true, false));
  EXPECT_TRUE(entry_matches_pattern(entry, "LONGNA~1.*", true, false));
  EXPECT_FALSE(entry_matches_pattern(entry, "Long", false, false));  // whole
  EXPECT_TRUE(entry_matches_pattern(entry, "*.TXT", false, true));
  entry.short_name.clear();  // no alias: the long name is the subject
  EXPECT_TRUE(entry_matches_pattern(entry, "Long*", true, false));
}

// Many stars over a name where each could stop in many places: the star
// step's results are remembered, so this stays fast instead of growing
// with the power of the number of stars.
TEST(PatternTest, ManyStarsStayFast) {
  std::string name;
  while (name.size() < 258) name += "ba";
  name += "b";
  std::clock_t start = std::clock();
  Match match;
  for (int i = 0; i < 200; ++i) {
    EXPECT_FALSE(find_match(name, "*a*a*a*a*a*a*a*a*a*a*z", kPlain, &match));
    EXPECT_FALSE(find_match(name, "z*a*a*a*a*a*a*a*a*a*a*", kTail, &match));
  }
  EXPECT_TRUE(find_match(name, "b*a*a*a*a*a*a*a*a*a*ab", kBoth, &match));
  EXPECT_LT(std::clock() - start, 5 * CLOCKS_PER_SEC);
}

TEST(PatternTest, LongSubjectsAndPatterns) {
  std::string subject(5000, 'x');
  subject += "abc";
  Match match;
  ASSERT_TRUE(find_match(subject, "a*c", kPlain, &match));
  EXPECT_EQ(match.start, 5000u);
  std::string pattern(600, '?');
  // Backward, the star before the any-bytes takes exactly one byte.
  ASSERT_TRUE(find_match(subject, pattern + "*", kTail, &match));
  EXPECT_EQ(match.start, 5003u - 601u);
  ASSERT_TRUE(find_match(subject, "*" + pattern, kTail, &match));
  EXPECT_EQ(match.start, 0u);
  ASSERT_TRUE(find_match(subject, pattern + "abc", kTail, &match));
  EXPECT_EQ(match.start, 5003u - 603u);
}

}  // namespace
}  // namespace kavo

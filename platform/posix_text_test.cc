#include "platform/posix_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/test_support.h"

namespace kavo {
namespace {

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string esc(unsigned char raw) { return escape_of(raw); }

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out.push_back(static_cast<char>(b));
  return out;
}

bool is_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool is_trail(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

const std::string kForbiddenInNames = "\\/:*?\"<>|";

// Internal text must split into whole CP932 characters: the matchers of the
// program step over double-byte characters and must never see half of one.
// For names, no single-byte character may be one Windows forbids.
::testing::AssertionResult well_formed(const std::string& s, bool name) {
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = s[i];
    if (is_lead(c)) {
      if (i + 1 >= s.size() || !is_trail(s[i + 1])) {
        return ::testing::AssertionFailure() << "lone lead at " << i;
      }
      ++i;
    } else if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) {
      return ::testing::AssertionFailure() << "stray byte at " << i;
    } else if (name && (c < 0x20 || c == 0x7F ||
                        kForbiddenInNames.find(c) != std::string::npos)) {
      return ::testing::AssertionFailure() << "forbidden byte at " << i;
    }
  }
  return ::testing::AssertionSuccess();
}

class EncodingTextTest : public ::testing::Test {
 protected:
  void TearDown() override { set_external_encoding(""); }

  // Each case converts to the given internal form and back to its bytes.
  struct Case {
    std::string external;
    std::string internal;
    TextKind kind = TextKind::kName;
  };
  void check(const char* encoding, const std::vector<Case>& cases) {
    set_external_encoding(encoding);
    for (const Case& c : cases) {
      std::string internal = to_internal(c.external, c.kind);
      EXPECT_EQ(c.internal, internal) << encoding << " " << c.external;
      EXPECT_EQ(c.external, to_external(internal)) << c.external;
    }
  }
};

TEST_F(EncodingTextTest, EscapesAreDistinctDoubleByteCharacters) {
  std::set<std::string> seen;
  for (int raw = 0; raw < 256; ++raw) {
    if (raw >= 0x20 && raw < 0x7F &&
        kForbiddenInNames.find(raw) == std::string::npos) {
      continue;
    }
    std::string e = esc(raw);
    ASSERT_EQ(2u, e.size());
    EXPECT_EQ(0xF9, static_cast<unsigned char>(e[0]));
    unsigned char trail = e[1];
    EXPECT_TRUE(is_trail(trail) && trail != '\\' && trail != '|') << raw;
    unsigned char back = 0;
    ASSERT_TRUE(decode_escape(e[0], trail, &back));
    EXPECT_EQ(raw, back);
    seen.insert(e);
  }
  EXPECT_EQ(170u, seen.size());
  unsigned char unused;
  EXPECT_FALSE(decode_escape(0xF9, '\\', &unused));
  EXPECT_FALSE(decode_escape(0xF8, 0x80, &unused));
  // `kavo 3 4 'a*'` on a:3.txt must find the 3 after the escape, never
  // inside it.
  EXPECT_FALSE(isalnum(static_cast<unsigned char>(esc(':')[1])));
}

TEST_F(EncodingTextTest, CharactersConvertAndTheRestIsEscaped) {
  check("UTF-8",
        {
            {u8(u8"日本語.txt"), "日本語.txt"},
            {u8(u8"表示"), "\x95\x5C\x8E\xA6"},  // 表 has trail byte 0x5C
            {u8(u8"ﾀﾁ"), "\xC0\xC1"},
            {u8(u8"髙橋"), "\xFB\xFC\x8B\xB4"},  // IBM extension kept
            {u8(u8"≒"), "\x81\xE0"},
            {u8(u8"ａ～"), "\x82\x81\x81\x60"},
            // An emoji has no CP932 form.
            {u8(u8"a😀"), "a" + esc(0xF0) + esc(0x9F) + esc(0x98) + esc(0x80)},
            {bytes({'x', 0xFF, 0xC3, '('}), "x" + esc(0xFF) + esc(0xC3) + "("},
            // Many-to-one: U+203E would come back as `~`, and the wave dash
            // shares its CP932 code with the full-width tilde.
            {u8(u8"‾"), esc(0xE2) + esc(0x80) + esc(0xBE)},
            {u8(u8"〜"), esc(0xE3) + esc(0x80) + esc(0x9C)},
            // Private use: user-defined characters mean nothing elsewhere.
            {u8(u8"\uE000"), esc(0xEE) + esc(0x80) + esc(0x80)},
            // Lines of a file keep their line ends.
            {"/v\t\r\n\xFF", "/v\t\r\n" + esc(0xFF), TextKind::kFileLine},
        });
  check("CP932", {
                     {"1:00.mp3", "1" + esc(':') + "00.mp3"},
                     // The escape's own lead: the character escaped whole.
                     {"\xF9\x40x", "\xF9k\xF9\x80x"},
                     {bytes({0xF9, 0x9F, 'a'}), esc(0xF9) + esc(0x9F) + "a"},
                     {"\xF9:", esc(0xF9) + esc(':')},
                     {"\xF0\x40", "\xF0\x40"},  // user-defined, not 0xF9
                     {"a\x81", "a" + esc(0x81)},
                 });
  check("EUC-JP", {
                      {bytes({0xC6, 0xFC, 0xCB, 0xDC}), "日本"},
                      {bytes({0x8E, 0xC0}), "\xC0"},  // half-width ﾀ
                  });
}

// Names escape every byte Windows forbids; argument text only control
// bytes; lines of a file (and options) nothing.
TEST_F(EncodingTextTest, KindsEscapeTheirOwnAsciiBytes) {
  set_external_encoding("UTF-8");
  const std::string specials = kForbiddenInNames + "\t\x7F";
  struct Case {
    TextKind kind;
    std::string escaped;
  } cases[] = {
      {TextKind::kName, specials},
      {TextKind::kText, "\t\x7F"},
      {TextKind::kFileLine, ""},
  };
  for (const Case& c : cases) {
    for (char b : specials) {
      std::string s = "a" + std::string(1, b);
      bool escaped = c.escaped.find(b) != std::string::npos;
      EXPECT_EQ(to_internal(s, c.kind), escaped ? "a" + esc(b) : s)
          << int(c.kind) << " " << int(b);
    }
  }
}

// Text typed to match names keeps only what has a meaning in its kind.
TEST_F(EncodingTextTest, NamePatternsReadForbiddenBytesAsNamesHoldThem) {
  set_external_encoding("UTF-8");
  const struct {
    NamePatternKind kind;
    std::string text;
    std::string expected;
  } cases[] = {
      {NamePatternKind::kName, "a:*?<b\\/",
       "a" + esc(':') + "*?" + esc('<') + "b" + esc('\\') + esc('/')},
      {NamePatternKind::kEscapedName, "\\*\\?\\\\\\x*",
       esc('*') + esc('?') + esc('\\') + esc('\\') + "x*"},
      // 表 ends in 0x5C, which starts no pair: the star is a wildcard.
      {NamePatternKind::kEscapedName, "\x95\\*", "\x95\\*"},
      {NamePatternKind::kPath, "c:\\d/1:x|",
       "c:\\d/1" + esc(':') + "x" + esc('|')},
      {NamePatternKind::kPath, "1:x", "1" + esc(':') + "x"},
      {NamePatternKind::kPath, "ab:", "ab" + esc(':')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, name_pattern(c.text, c.kind)) << c.text;
  }
}

// Text written in pieces converts as if written at once: a piece never
// ends inside a character or a pair escape.
TEST_F(EncodingTextTest, PiecesEndAtWholeCharacters) {
  set_external_encoding("CP932");
  const std::string pair = to_internal("\xF9\x40", TextKind::kName);
  ASSERT_EQ(4u, pair.size());
  EXPECT_EQ(1u, whole_characters_length("x\x95"));
  for (size_t cut = 1; cut < 4; ++cut) {
    EXPECT_EQ(1u, whole_characters_length("x" + pair.substr(0, cut))) << cut;
  }
  EXPECT_EQ(5u, whole_characters_length("x" + pair));
  // Half a pair escape, the rest cut off by a replacement, is its lead.
  EXPECT_EQ("\xF9x", to_external(pair.substr(0, 2) + "x"));
}

TEST_F(EncodingTextTest, ChoiceOfTheEncoding) {
  for (const char* alias :
       {"CP932", "sjis", "Shift_JIS", "SHIFT-JIS", "windows-31j", "MS_KANJI"}) {
    set_external_encoding(alias);
    EXPECT_TRUE(external_is_cp932()) << alias;
    EXPECT_EQ("表示ﾀ", to_internal("表示ﾀ", TextKind::kName)) << alias;
  }
  set_external_encoding("EUC-JP");
  EXPECT_EQ("EUC-JP", external_encoding());
  set_external_encoding("NO-SUCH-CHARSET");
  EXPECT_EQ("UTF-8", external_encoding());
  EXPECT_EQ("日", to_internal(u8(u8"日"), TextKind::kText));

  const char* saved = getenv("KAVO_ENCODING");
  std::string keep = saved ? saved : "";
  kavo_testing::set_environment("KAVO_ENCODING", "sjis");
  set_external_encoding("");
  EXPECT_TRUE(external_is_cp932());
  kavo_testing::set_environment("KAVO_ENCODING", nullptr);
  kavo_testing::set_environment("LC_ALL", "C");
  set_external_encoding("");
  EXPECT_EQ("UTF-8", external_encoding());  // the C locale counts as UTF-8
  kavo_testing::set_environment("LC_ALL", nullptr);
  kavo_testing::set_environment("KAVO_ENCODING",
                                saved ? keep.c_str() : nullptr);
}

// external -> internal -> external is the identity for every byte string,
// the internal form is whole characters (free of forbidden bytes for
// names), and no two names meet.
class EncodingRoundTripTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { set_external_encoding(GetParam()); }
  void TearDown() override { set_external_encoding(""); }

  // Also: the external length is counted without converting, and a name
  // typed as text and read as a name pattern is the name itself.
  void check(const std::string& s) {
    std::string name = to_internal(s, TextKind::kName);
    ASSERT_EQ(s, to_external(name)) << testing::PrintToString(s);
    ASSERT_TRUE(well_formed(name, true)) << testing::PrintToString(s);
    ASSERT_EQ(s.size(), external_length(name)) << testing::PrintToString(s);
    std::string text = to_internal(s, TextKind::kText);
    ASSERT_EQ(s, to_external(text)) << testing::PrintToString(s);
    ASSERT_TRUE(well_formed(text, false)) << testing::PrintToString(s);
    if (s.find_first_of("*?") == std::string::npos) {
      ASSERT_EQ(name, name_pattern(text, NamePatternKind::kName))
          << testing::PrintToString(s);
    }
    ++count_;
    names_.insert(name);
  }

  size_t count_ = 0;
  std::set<std::string> names_;
};

TEST_P(EncodingRoundTripTest, EveryStringOfUpToTwoBytesAndTrickyTriples) {
  for (int a = -1; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      check(a < 0 ? bytes({b}) : bytes({a, b}));
    }
  }
  const std::vector<int> alphabet = {
      0x00, 0x0A, '/',  ':',  '\\', 'a',  '@',  0x7F, 0x80, 0x81,
      0x8E, 0x95, 0x9F, 0xA1, 0xA5, 0xBD, 0xBE, 0xC0, 0xC2, 0xC3,
      0xE0, 0xE3, 0xE8, 0xEF, 0xF0, 0xF9, 0xFB, 0xFC, 0xFD, 0xFF};
  for (int a : alphabet) {
    for (int b : alphabet) {
      for (int c : alphabet) check(bytes({a, b, c}));
    }
  }
  EXPECT_EQ(count_, names_.size());
}

TEST_P(EncodingRoundTripTest, RandomBytesAndRandomText) {
  std::mt19937 random(12345);
  const std::vector<std::string> pieces = {
      u8(u8"日"), u8(u8"表"), u8(u8"ﾀ"),  u8(u8"😀"), u8(u8"¥"), u8(u8"〜"),
      u8(u8"‾"),  "a",        ":",        "\\",      "\xFF",    "\x81",
      "\xF9\x40", "\xC6\xFC", "\x8E\xC0", "\xE3\x81"};
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    size_t length = 1 + random() % 16;
    for (size_t k = 0; k < length; ++k) {
      if (round % 2) {
        s.push_back(static_cast<char>(random() & 0xFF));
      } else {
        s += pieces[random() % pieces.size()];
      }
    }
    check(s);
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, EncodingRoundTripTest,
                         ::testing::Values("UTF-8", "CP932", "EUC-JP"));

TEST_F(EncodingTextTest, Paths) {
  set_external_encoding("UTF-8");
  const std::pair<std::string, std::string> to_linux[] = {
      {"", "."},
      {"c:", "."},
      {"C:rel\\x", "rel/x"},
      {"c:\\a\\b", "/a/b"},
      {"z:\\", "/"},
      {"\\\\server\\share\\rest", "/net/server/share/rest"},
      {"a/b\\c", "a/b/c"},
      {"dir\\", "dir/"},
      {"表\\x", u8(u8"表/x")},  // 0x5C as a trail byte is no separator
      {"a" + esc(':') + "b\\" + esc('\\'), "a:b/\\"},
  };
  for (const auto& [internal, external] : to_linux) {
    EXPECT_EQ(external, external_path(internal)) << internal;
  }
  const std::pair<std::string, std::string> from_linux[] = {
      {"/usr/local/bin/kavo", "\\usr\\local\\bin\\kavo"},
      {"a//b/", "a\\b\\"},
      {"//tmp/x", "\\tmp\\x"},
      {"x/1:00.mp3", "x\\1" + esc(':') + "00.mp3"},
      {"a\\b.txt", "a" + esc('\\') + "b.txt"},
      {u8(u8"写真/日.jpg"), "写真\\日.jpg"},
  };
  for (const auto& [external, internal] : from_linux) {
    EXPECT_EQ(internal, internal_path(external)) << external;
  }
  set_external_encoding("CP932");
  EXPECT_EQ("\x95\x5C/x", external_path("\x95\x5C\\x"));
}

TEST_F(EncodingTextTest, MatchesOneExternalCharacter) {
  set_external_encoding("UTF-8");
  uint16_t code = 0;
  EXPECT_EQ(3u, match_external_char("\xEF\xBE\x80", &code));
  EXPECT_EQ(0xC0, code);
  EXPECT_EQ(3u, match_external_char(u8(u8"日x"), &code));
  EXPECT_EQ(0x93FA, code);
  EXPECT_EQ(0u, match_external_char("\xEF\xBE", &code));
  const std::string emoji = u8(u8"😀");  // no CP932 form
  EXPECT_EQ(0u, match_external_char(emoji, &code));
  set_external_encoding("CP932");
  EXPECT_EQ(1u, match_external_char("\xC1", &code));
  EXPECT_EQ(0xC1, code);
}

}  // namespace
}  // namespace kavo

#include "platform/posix_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace kavo {
namespace {

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
std::string esc(unsigned char raw) { return escape_of(raw); }

const std::string kForbiddenInNames = "\\/:*?\"<>|";

// Internal text is whole CP932 characters (the matchers must never see
// half of one); a name holds no single-byte character Windows forbids.
bool well_formed(const std::string& s, bool name) {
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = s[i], t = i + 1 < s.size() ? s[i + 1] : 0;
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC))) return false;
      ++i;
    } else if ((c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) ||
               (name && (c < 0x20 || c == 0x7F ||
                         kForbiddenInNames.find(c) != std::string::npos))) {
      return false;
    }
  }
  return true;
}

class TextBoundaryTest : public ::testing::Test {
 protected:
  void TearDown() override { set_external_encoding(""); }
};

// Every byte a name cannot hold has its own escape, F9 and a trail byte
// that is neither '\' nor '|' (each decodes to its byte alone).
TEST_F(TextBoundaryTest, EscapesAreDistinctDoubleByteCharacters) {
  for (int raw = 0; raw < 256; ++raw) {
    if (raw >= 0x20 && raw < 0x7F &&
        kForbiddenInNames.find(raw) == std::string::npos) {
      continue;
    }
    std::string e = esc(raw);
    ASSERT_EQ(2u, e.size());
    unsigned char trail = e[1];
    EXPECT_EQ(0xF9, static_cast<unsigned char>(e[0]));
    EXPECT_TRUE(trail != '\\' && trail != '|') << raw;
    unsigned char back = 0;
    ASSERT_TRUE(decode_escape(e[0], trail, &back));
    EXPECT_EQ(raw, back);
  }
  unsigned char unused;
  EXPECT_FALSE(decode_escape(0xF9, '\\', &unused));
  EXPECT_FALSE(decode_escape(0xF8, 0x80, &unused));
}

// Characters with a CP932 form convert (IBM extensions kept); what has
// none, or would come back as another character, is escaped byte by byte.
// Names escape every byte Windows forbids, argument text only control
// bytes, lines of a file nothing.
TEST_F(TextBoundaryTest, ConversionsAndEscapesOfEachKind) {
  const struct {
    const char* encoding;
    std::string external;
    std::string internal;
    TextKind kind = TextKind::kName;
  } cases[] = {
      {"UTF-8", u8(u8"表示ﾀ"), "\x95\x5C\x8E\xA6\xC0"},
      {"UTF-8", u8(u8"髙≒ａ～"), "\xFB\xFC\x81\xE0\x82\x81\x81\x60"},
      {"UTF-8", u8(u8"‾"), esc(0xE2) + esc(0x80) + esc(0xBE)},
      {"UTF-8", u8(u8"〜"), esc(0xE3) + esc(0x80) + esc(0x9C)},
      {"UTF-8", u8(u8"\uE000"), esc(0xEE) + esc(0x80) + esc(0x80)},
      {"UTF-8", "a\\:\t", "a" + esc('\\') + esc(':') + esc('\t')},
      {"UTF-8", "a\\:|\t", "a\\:|" + esc('\t'), TextKind::kText},
      {"UTF-8", "/v\t\r\n\xFF", "/v\t\r\n" + esc(0xFF), TextKind::kFileLine},
      // The escape's own lead: the character escaped whole.
      {"CP932", "\xF9\x40x\xF0\x40", "\xF9k\xF9\x80x\xF0\x40"},
      {"CP932", "\xF9\x9F\x61", esc(0xF9) + esc(0x9F) + "a"},
      {"CP932", "a\x81", "a" + esc(0x81)},
  };
  for (const auto& c : cases) {
    set_external_encoding(c.encoding);
    std::string internal = to_internal(c.external, c.kind);
    EXPECT_EQ(c.internal, internal) << c.encoding << " " << c.external;
    EXPECT_EQ(c.external, to_external(internal)) << c.external;
  }
  set_external_encoding("NO-SUCH-CHARSET");
  EXPECT_EQ("UTF-8", external_encoding());
  set_external_encoding("windows-31j");
  EXPECT_TRUE(external_is_cp932());
}

// Drive letters map to the one root, \\server\share to /net; 0x5C as a
// trail byte is no separator; escaped bytes come back as themselves.
TEST_F(TextBoundaryTest, Paths) {
  set_external_encoding("UTF-8");
  const std::pair<std::string, std::string> to_linux[] = {
      {"", "."},
      {"c:", "."},
      {"C:rel\\x", "rel/x"},
      {"c:\\a\\b", "/a/b"},
      {"\\\\server\\share\\rest", "/net/server/share/rest"},
      {"表\\x", u8(u8"表/x")},
      {"a" + esc(':') + "b\\" + esc('\\'), "a:b/\\"},
  };
  for (const auto& [internal, external] : to_linux) {
    EXPECT_EQ(external, external_path(internal)) << internal;
  }
  EXPECT_EQ("a\\b\\", internal_path("a//b/"));
  EXPECT_EQ("x\\1" + esc(':') + "00.mp3", internal_path("x/1:00.mp3"));
  EXPECT_EQ("a" + esc('\\') + "b.txt", internal_path("a\\b.txt"));
}

// external -> internal -> external is the identity (so no two names meet),
// and the internal form is whole characters (a name's free of forbidden
// bytes); random text is the fuzz target's.
class RoundTripTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { set_external_encoding(GetParam()); }
  void TearDown() override { set_external_encoding(""); }
};

TEST_P(RoundTripTest, AllShortStringsAndTrickyTriples) {
  auto check = [](const std::string& s) {
    for (TextKind kind : {TextKind::kName, TextKind::kText}) {
      std::string internal = to_internal(s, kind);
      ASSERT_EQ(s, to_external(internal)) << testing::PrintToString(s);
      ASSERT_TRUE(well_formed(internal, kind == TextKind::kName))
          << testing::PrintToString(s);
    }
  };
  for (int a = -1; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      check(a < 0 ? std::string(1, b) : std::string{char(a), char(b)});
    }
  }
  static const char kAlphabet[] =
      "\x00\x0A/:\\a@\x7F\x80\x81\x8E\x95\x9F\xA1\xA5\xBD\xBE\xC0\xC2\xC3"
      "\xE0\xE3\xE8\xEF\xF0\xF9\xFB\xFC\xFD\xFF";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  for (char a : alphabet) {
    for (char b : alphabet) {
      for (char c : alphabet) check({a, b, c});
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, RoundTripTest,
                         ::testing::Values("UTF-8", "CP932", "EUC-JP"));

// Text typed to match names keeps only what has a meaning in its kind.
TEST_F(TextBoundaryTest, NamePatternsReadForbiddenBytesAsNamesHoldThem) {
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
      {NamePatternKind::kPath, "ab:", "ab" + esc(':')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, name_pattern(c.text, c.kind)) << c.text;
  }
}

// Text written in pieces converts as if written at once: a piece never
// ends inside a character or a pair escape.
TEST_F(TextBoundaryTest, PiecesEndAtWholeCharacters) {
  set_external_encoding("CP932");
  const std::string pair = to_internal("\xF9\x40", TextKind::kName);
  ASSERT_EQ(4u, pair.size());
  EXPECT_EQ(1u, whole_characters_length("x\x95"));
  for (size_t cut = 1; cut < 4; ++cut) {
    EXPECT_EQ(1u, whole_characters_length("x" + pair.substr(0, cut))) << cut;
  }
  EXPECT_EQ(5u, whole_characters_length("x" + pair));
  EXPECT_EQ(3u, whole_characters_length("x\x95\n"));
  EXPECT_EQ(1u, whole_characters_length("x" + pair.substr(0, 2) + "\n"));
  // Half a pair escape, the rest cut off by a replacement, is its lead.
  EXPECT_EQ("\xF9x", to_external(pair.substr(0, 2) + "x"));
}

}  // namespace
}  // namespace kavo

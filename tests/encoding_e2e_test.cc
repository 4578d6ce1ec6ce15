// End-to-end: names and output in the user's encoding, and Linux names that
// hold bytes Windows forbids, renamed byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace kavo_test {
namespace {

using Lines = std::vector<std::string>;

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string euc(const std::string& sjis) {
  return convert(sjis, "EUC-JP", "CP932");
}

RunResult run_in(const TempDir& dir, const std::string& env,
                 const Lines& args) {
  RunSpec spec;
  spec.directory = dir.path();
  spec.env = {env, "TZ=UTC"};
  spec.args = args;
  return run_command(spec);
}

const std::string kOne = "\n改名成功:1個\n";
const std::string kEmoji = u8(u8"😀");

// One file renamed from `before` to `after` (or left alone when they are
// the same), with the names, the arguments and the output in the external
// encoding: KAVO_ENCODING, else the locale's.
TEST(EncodingE2E, NamesArgumentsAndOutputInTheExternalEncoding) {
  const struct {
    std::string encoding;  // empty: from LANG=C.UTF-8
    std::string before;
    Lines args;
    std::string after;
  } cases[] = {
      {"UTF-8",
       u8(u8"写真1.jpg"),
       {u8(u8"写真"), u8(u8"旅"), "*"},
       u8(u8"旅1.jpg")},
      {"", "a.txt", {"a", u8(u8"表"), "a.txt"}, u8(u8"表.txt")},
      {"EUC-JP",
       euc("日本.txt"),
       {euc("日本"), euc("東京"), "*"},
       euc("東京.txt")},
      // A name without a Shift-JIS form, or not valid in the encoding, is
      // kept byte for byte; the old string can name such a character.
      {"UTF-8", "a" + kEmoji + ".txt", {"a", "b", "*"}, "b" + kEmoji + ".txt"},
      {"UTF-8", "b" + kEmoji + ".txt", {kEmoji, "-", "*"}, "b-.txt"},
      {"UTF-8", "bad\xFF\xC3.txt", {"bad", "ok", "*"}, "ok\xFF\xC3.txt"},
      // Bytes Windows forbids in names are name bytes, never a drive, a
      // separator or a place a wildcard or the old string stops inside.
      {"UTF-8", "1:00.mp3", {"00", "30", "1:00.mp3"}, "1:30.mp3"},
      {"UTF-8", "a\\b.txt", {"b", "c", "a\\b.txt"}, "a\\c.txt"},
      {"UTF-8", "a:3.txt", {"3", "4", "a*"}, "a:4.txt"},
      {"UTF-8", "a|3.txt", {"3", "4", "a*"}, "a|4.txt"},
      {"UTF-8", "1:00.mp3", {":", "-", "*.mp3"}, "1-00.mp3"},
      {"CP932", "1:2.txt", {"2", "3", "1:2.txt"}, "1:3.txt"},
      {"CP932", "12:00 memo", {"*@", "", "*", "/e"}, "12:00 memo"},
      {"CP932", "user@host", {"*@", "", "*", "/e"}, "host"},
      {"UTF-8", u8(u8"d/日記1"), {u8(u8"日記"), "x", "d/*"}, "d/x1"},
      // 表 is 0x95 0x5C: its trail byte is no separator.
      {"CP932", "表.txt", {"表", "裏", "*.txt"}, "裏.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    // Only a Shift-JIS name without forbidden bytes is the same on Windows.
    if (windows_build() && c.before != "表.txt") continue;
    TempDir dir;
    dir.file(c.before);
    RunResult r = run_in(
        dir,
        c.encoding.empty() ? "LANG=C.UTF-8" : "KAVO_ENCODING=" + c.encoding,
        c.args);
    const char* to = c.encoding.empty() ? "UTF-8" : c.encoding.c_str();
    std::string shown = c.before;
    std::replace(shown.begin(), shown.end(), '/', '\\');
    bool renamed = c.before != c.after;
    EXPECT_EQ(r.exit_code, renamed ? 0 : 2) << r.err;
    EXPECT_EQ(r.out, renamed ? shown + convert("→", to, "CP932") +
                                   c.after.substr(c.after.rfind('/') + 1) +
                                   "\n" + convert(kOne, to, "CP932")
                             : convert("改名対象なし\n", to, "CP932"));
    Lines tree = {c.after};
    if (c.after.find('/') != std::string::npos) tree.insert(tree.begin(), "d/");
    EXPECT_EQ(dir.tree(), tree);
  }
}

TEST(EncodingE2E, ShellExpandedAbsolutePathsAreFileArguments) {
  if (windows_build()) GTEST_SKIP() << "Linux paths";
  TempDir dir;
  dir.file("x1.txt");
  dir.file("x2.txt");
  RunResult r =
      run_kavo(dir.path(), {"x", "y", dir.at("x1.txt"), dir.at("x2.txt")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, program_path(dir.at("x1.txt")) + "→y1.txt\n" +
                       program_path(dir.at("x2.txt")) +
                       "→y2.txt\n\n改名成功:2個\n");
  EXPECT_EQ(dir.tree(), (Lines{"y1.txt", "y2.txt"}));
}

}  // namespace
}  // namespace kavo_test

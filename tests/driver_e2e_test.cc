// End-to-end behaviour of the run as a whole: argument roles, refused old
// and new strings, invalid options, totals and exit codes.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace kavo_test {
namespace {

using Lines = std::vector<std::string>;

const std::string kOne = "\n改名成功:1個\n";

// Runs `args` in a fresh directory holding `files` (a name ending in '/'
// is a directory) and checks what the run printed and left.
void expect_run(const Lines& files, const Lines& args, const std::string& out,
                const std::string& err, int exit_code, const Lines& tree) {
  SCOPED_TRACE(testing::PrintToString(args));
  TempDir d;
  for (const std::string& f : files) {
    f.back() == '/' ? d.dir(f) : d.file(f);
  }
  RunResult r = run_kavo(d.path(), args);
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(r.exit_code, exit_code);
  EXPECT_EQ(d.tree(), tree);
}

TEST(DriverE2E, ResultsTotalsAndExitCodes) {
  const struct {
    Lines files;
    Lines args;
    std::string out;
    int exit_code;
    Lines tree;
  } cases[] = {
      {{"a.ABC.txt", "b.txt"},
       {"ABC", "123", "*.txt"},
       "a.ABC.txt→a.123.txt\n" + kOne,
       0,
       {"a.123.txt", "b.txt"}},
      // 表 ends in 0x5C and ポ in 0x7C: neither is a backslash or a bar.
      {{"ab"}, {"a", "表", "ab"}, "ab→表b\n" + kOne, 0, {"表b"}},
      {{"ab"}, {"a", "ポ", "ab"}, "ab→ポb\n" + kOne, 0, {"ポb"}},
      // Arguments 1 and 2 are never options: /d and /? are text here.
      {{"x_d.txt"}, {"/d", "e", "*.txt"}, "改名対象なし\n", 2, {"x_d.txt"}},
      {{"ab"}, {"/?", "x", "ab"}, "改名対象なし\n", 2, {"ab"}},
      // An empty old string takes one anchor, or an extension mode.
      {{"read.me"},
       {"", "x", "read.me", "/h"},
       "read.me→xread.me\n" + kOne,
       0,
       {"xread.me"}},
      {{"read.me", "readme"},
       {"", "txt", "*", "/ee"},
       "readme→readme.txt\n" + kOne,
       0,
       {"read.me", "readme.txt"}},
      // A file argument that finds nothing stops the run unless /c.
      {{}, {"a", "b", "x.txt"}, "存在せず:x.txt\n", 1, {}},
      {{}, {"a", "b", "x.txt", "/v-e"}, "ファイルが存在しません\n", 1, {}},
      {{"sub/"}, {"a", "b", "sub/x.txt"}, "存在せず:sub/x.txt\n", 1, {"sub/"}},
      {{"a.txt"},
       {"a", "b", "x.txt", "a.txt"},
       "存在せず:x.txt\n",
       1,
       {"a.txt"}},
      {{},
       {"a", "b", "x.txt", "y*", "/c"},
       "存在せず:x.txt\n存在せず:y*\n",
       2,
       {}},
      {{"a.txt", "b.txt"},
       {"q", "z", "*.txt"},
       "改名対象なし\n",
       2,
       {"a.txt", "b.txt"}},
      {{"a.txt", "b.txt"},
       {"a", "a", "*.txt", "/v+n"},
       "a.txt\nb.txt\n改名対象なし\n",
       2,
       {"a.txt", "b.txt"}},
      {{"a1", "a2", "a3"},
       {"a", "b", "*", "/o"},
       "a1→b1\na2→b2\na3→b3\n\n改名成功:3個（通常:3個, 上書:0個）\n",
       0,
       {"b1", "b2", "b3"}},
      // A failed rename stops the run unless /c.
      {{"a", "b", "ac"},
       {"a", "b", "a*"},
       "存在済:a≠b\n\n",
       1,
       {"a", "ac", "b"}},
      {{"a", "b", "ac"},
       {"a", "b", "a*", "/c"},
       "存在済:a≠b\nac→bc\n\n改名成功:1個\n改名失敗:1個\n",
       2,
       {"a", "b", "bc"}},
  };
  for (const auto& c : cases) {
    expect_run(c.files, c.args, c.out, "", c.exit_code, c.tree);
  }
}

// Each ends the run with its stop line before anything is renamed.
TEST(DriverE2E, RefusedStringsAndOptions) {
  const std::string usage = "※引数なしで実行すると使用方法を表示します。\n";
  const struct {
    Lines args;
    std::string message;
  } cases[] = {
      // The first test that finds its character decides.
      {{"a", "x*"}, "ファイル名に \"*\" は使用できません。"},
      {{"a", "/d"}, "ファイル名に \"/\" は使用できません。"},
      {{"a", "<"}, "ファイル名に \"<\" は使用できません。"},
      {{"a", ">"}, "ファイル名に \">\" は使用できません。"},
      {{"a", "?"}, "ファイル名に \"?\" は使用できません。"},
      {{"a", "\""}, "ファイル名に \" は使用できません。"},
      {{"a", "|"}, "ファイル名に \"|\" は使用できません。"},
      {{"a", ":"}, "ファイル名に \":\" は使用できません。"},
      {{"a", "\\"}, "ファイル名に \"\\\" は使用できません。"},
      {{"a", "?*"}, "ファイル名に \"*\" は使用できません。"},
      {{"a", "/x/", "/date"},
       "/dataオプション時は、新文字列に \"/\" "
       "を指定できますが、2文字以上指定することは出来ません。"},
      {{"", "x"}, "旧文字列に\"\"は指定できません。"},
      {{"", "x", "/ht"}, "旧文字列に\"\"は指定できません。"},
      {{"a", "b", "/x"}, "無効オプション  /x\n" + usage},
      {{"a", "b", "/d/x/o"},
       "無効オプション  /x/o\n※オプション群 /d/x/o の一部が無効です。\n" +
           usage},
      {{"a", "b", "/c/x"},
       "無効オプション  /x\n※オプション群 /c/x の一部が無効です。\n" + usage},
  };
  for (const auto& c : cases) {
    Lines args = c.args;
    args.push_back("abc.txt");
    expect_run({"abc.txt"}, args, "", "\n\a処理停止:" + c.message + "\n", 1,
               {"abc.txt"});
  }
}

TEST(DriverE2E, DateModeAcceptsOneSlash) {
  TempDir d;
  d.file("abc.txt");
  RunResult r = run_kavo(d.path(), {"a", "/", "abc.txt", "/date", "/test"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(std::regex_match(
      r.out,
      std::regex("abc\\.txt→[0-9]{8}-[0-9]{6}bc\\.txt\n\n改名成功:1個\n")))
      << r.out;
  EXPECT_EQ(d.tree(), Lines{"abc.txt"});
}

TEST(DriverE2E, ProcessingTimeLine) {
  TempDir d;
  d.file("a.txt");
  RunResult shown = run_kavo(d.path(), {"a", "b", "a.txt", "/time0"});
  EXPECT_TRUE(std::regex_match(
      shown.out,
      std::regex("a\\.txt→b\\.txt\n\n改名成功:1個\n処理時間:[0-9]+秒\n")))
      << shown.out;
  RunResult never = run_kavo(d.path(), {"b", "c", "b.txt", "/time-1"});
  EXPECT_EQ(never.out, "b.txt→c.txt\n" + kOne);
  RunResult nothing = run_kavo(d.path(), {"q", "r", "c.txt", "/time0"});
  EXPECT_EQ(nothing.out, "改名対象なし\n");
}

}  // namespace
}  // namespace kavo_test

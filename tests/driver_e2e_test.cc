// End-to-end behaviour of the run as a whole: argument roles, refused old
// and new strings, invalid options, totals and exit codes.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::RunResult;
using kavo_test::TempDir;
using kavo_test::run_kavo;

std::string stop_line(const std::string& message) {
  return "\n\a処理停止:" + message + "\n";
}

TEST(DriverE2E, PlainRenameAndTotals) {
  TempDir d;
  d.file("a.ABC.txt");
  d.file("b.txt");
  RunResult r = run_kavo(d.path(), {"ABC", "123", "*.txt"});
  EXPECT_EQ(r.out, "a.ABC.txt→a.123.txt\n\n改名成功:1個\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.tree(), (std::vector<std::string>{"a.123.txt", "b.txt"}));
}

TEST(DriverE2E, RefusedNewStrings) {
  struct Case {
    std::string new_string;
    std::string message;
  };
  const Case cases[] = {
      {"x*", "ファイル名に \"*\" は使用できません。"},
      {"/d", "ファイル名に \"/\" は使用できません。"},
      {"<", "ファイル名に \"<\" は使用できません。"},
      {">", "ファイル名に \">\" は使用できません。"},
      {"?", "ファイル名に \"?\" は使用できません。"},
      {"\"", "ファイル名に \" は使用できません。"},
      {"|", "ファイル名に \"|\" は使用できません。"},
      {":", "ファイル名に \":\" は使用できません。"},
      {"\\", "ファイル名に \"\\\" は使用できません。"},
      // The first test that finds its character decides.
      {"?*", "ファイル名に \"*\" は使用できません。"},
  };
  TempDir d;
  d.file("abc.txt");
  for (const Case& c : cases) {
    RunResult r = run_kavo(d.path(), {"a", c.new_string, "abc.txt"});
    EXPECT_EQ(r.err, stop_line(c.message)) << c.new_string;
    EXPECT_EQ(r.out, "") << c.new_string;
    EXPECT_EQ(r.exit_code, 1) << c.new_string;
  }
  EXPECT_EQ(d.tree(), std::vector<std::string>{"abc.txt"});
}

TEST(DriverE2E, DoubleByteTrailBytesAreNotForbiddenCharacters) {
  TempDir d;
  d.file("abc.txt");
  // 表 ends in 0x5C and ｜ (全角) in 0x62; neither is a backslash or bar.
  RunResult r = run_kavo(d.path(), {"a", "表", "abc.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "abc.txt→表bc.txt\n\n改名成功:1個\n");
  EXPECT_TRUE(kavo_test::exists(d.at("表bc.txt")));
}

TEST(DriverE2E, DateModeAllowsOneSlash) {
  TempDir d;
  d.file("abc.txt");
  RunResult two = run_kavo(d.path(), {"a", "/x/", "abc.txt", "/date"});
  EXPECT_EQ(two.err,
            stop_line("/dataオプション時は、新文字列に \"/\" "
                      "を指定できますが、2文字以上指定することは出来ません。"));
  EXPECT_EQ(two.exit_code, 1);
  RunResult one = run_kavo(d.path(), {"a", "/", "abc.txt", "/date", "/test"});
  EXPECT_EQ(one.exit_code, 0) << one.err;
}

TEST(DriverE2E, FirstTwoArgumentsAreNeverOptions) {
  TempDir d;
  d.file("x_d.txt");
  // "/d" as the old string is text to replace; no such text here.
  RunResult r = run_kavo(d.path(), {"/d", "e", "*.txt"});
  EXPECT_EQ(r.out, "改名対象なし\n");
  EXPECT_EQ(r.exit_code, 2);
}

TEST(DriverE2E, EmptyOldString) {
  TempDir d;
  d.file("read.me");
  RunResult refused = run_kavo(d.path(), {"", "x", "read.me"});
  EXPECT_EQ(refused.err, stop_line("旧文字列に\"\"は指定できません。"));
  EXPECT_EQ(refused.exit_code, 1);
  RunResult both = run_kavo(d.path(), {"", "x", "read.me", "/ht"});
  EXPECT_EQ(both.exit_code, 1);
  RunResult head = run_kavo(d.path(), {"", "x", "read.me", "/h"});
  EXPECT_EQ(head.out, "read.me→xread.me\n\n改名成功:1個\n");
  RunResult ext = run_kavo(d.path(), {"", "y", "xread.me", "/ee"});
  EXPECT_EQ(ext.out, "改名対象なし\n");  // it has an extension already
  EXPECT_EQ(ext.exit_code, 2);
}

TEST(DriverE2E, InvalidOptionMessages) {
  TempDir d;
  d.file("a.txt");
  RunResult single = run_kavo(d.path(), {"a", "b", "a.txt", "/x"});
  EXPECT_EQ(single.err,
            stop_line("無効オプション  /x\n"
                      "※引数なしで実行すると使用方法を表示します。\n"));
  EXPECT_EQ(single.exit_code, 1);
  RunResult group = run_kavo(d.path(), {"a", "b", "a.txt", "/d/x/o"});
  EXPECT_EQ(group.err,
            stop_line("無効オプション  /x/o\n"
                      "※オプション群 /d/x/o の一部が無効です。\n"
                      "※引数なしで実行すると使用方法を表示します。\n"));
  RunResult group_whole = run_kavo(d.path(), {"a", "b", "a.txt", "/c/x"});
  EXPECT_EQ(group_whole.err,
            stop_line("無効オプション  /x\n"
                      "※オプション群 /c/x の一部が無効です。\n"
                      "※引数なしで実行すると使用方法を表示します。\n"));
  EXPECT_EQ(d.tree(), std::vector<std::string>{"a.txt"});
}

TEST(DriverE2E, UsageIsShownWithoutFileArgumentsOrOnRequest) {
  TempDir d;
  d.file("a.txt");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"a", "b"},
                                             {"a", "b", "/d"},
                                             {"a", "b", "a.txt", "/?"},
                                             {"a", "b", "a.txt", "/HELP"},
                                             {"a", "b", "a.txt", "/help/d"}}) {
    RunResult r = run_kavo(d.path(), args);
    EXPECT_EQ(r.exit_code, 1) << args.back();
    EXPECT_NE(r.out.find("kavo"), std::string::npos) << args.back();
  }
  EXPECT_EQ(d.tree(), std::vector<std::string>{"a.txt"});
}

TEST(DriverE2E, NothingFound) {
  TempDir d;
  RunResult shown = run_kavo(d.path(), {"a", "b", "x.txt"});
  EXPECT_EQ(shown.out, "存在せず:x.txt\n");
  EXPECT_EQ(shown.exit_code, 1);
  RunResult quiet = run_kavo(d.path(), {"a", "b", "x.txt", "/v-e"});
  EXPECT_EQ(quiet.out, "ファイルが存在しません\n");
  EXPECT_EQ(quiet.exit_code, 1);
  d.dir("sub");
  RunResult as_typed = run_kavo(d.path(), {"a", "b", "sub/x.txt"});
  EXPECT_EQ(as_typed.out, "存在せず:sub/x.txt\n");
  RunResult go_on = run_kavo(d.path(), {"a", "b", "x.txt", "y*", "/c"});
  EXPECT_EQ(go_on.out, "存在せず:x.txt\n存在せず:y*\n");
  EXPECT_EQ(go_on.exit_code, 2);
}

TEST(DriverE2E, StopAfterNotFoundSkipsLaterArguments) {
  TempDir d;
  d.file("a.txt");
  RunResult r = run_kavo(d.path(), {"a", "b", "x.txt", "a.txt"});
  EXPECT_EQ(r.out, "存在せず:x.txt\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(kavo_test::exists(d.at("a.txt")));
}

TEST(DriverE2E, NothingToRename) {
  TempDir d;
  d.file("a.txt");
  d.file("b.txt");
  RunResult r = run_kavo(d.path(), {"q", "z", "*.txt"});
  EXPECT_EQ(r.out, "改名対象なし\n");
  EXPECT_EQ(r.exit_code, 2);
  RunResult same = run_kavo(d.path(), {"a", "a", "*.txt", "/v+n"});
  EXPECT_EQ(same.out, "a.txt\nb.txt\n改名対象なし\n");
  EXPECT_EQ(same.exit_code, 2);
}

TEST(DriverE2E, OverwriteTotalsShowTheSplit) {
  TempDir d;
  d.file("a1.txt");
  d.file("a2.txt");
  d.file("a3.txt");
  RunResult r = run_kavo(d.path(), {"a", "b", "*.txt", "/o"});
  EXPECT_EQ(r.out,
            "a1.txt→b1.txt\na2.txt→b2.txt\na3.txt→b3.txt\n\n"
            "改名成功:3個（通常:3個, 上書:0個）\n");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(DriverE2E, ContinueAfterFailureGivesExitCodeTwo) {
  TempDir d;
  d.file("a.txt");
  d.file("b.txt");
  d.file("ac.txt");
  RunResult stop = run_kavo(d.path(), {"a", "b", "a*.txt"});
  EXPECT_EQ(stop.out, "存在済:a.txt≠b.txt\n\n");
  EXPECT_EQ(stop.exit_code, 1);
  EXPECT_TRUE(kavo_test::exists(d.at("ac.txt")));
  RunResult go_on = run_kavo(d.path(), {"a", "b", "a*.txt", "/c"});
  EXPECT_EQ(go_on.out,
            "存在済:a.txt≠b.txt\nac.txt→bc.txt\n\n改名成功:1個\n改名失敗:1個\n");
  EXPECT_EQ(go_on.exit_code, 2);
}

TEST(DriverE2E, ProcessingTimeLine) {
  TempDir d;
  d.file("a.txt");
  RunResult shown = run_kavo(d.path(), {"a", "b", "a.txt", "/time0"});
  EXPECT_TRUE(std::regex_match(
      shown.out, std::regex("a\\.txt→b\\.txt\n\n改名成功:1個\n処理時間:[0-9]+秒\n")))
      << shown.out;
  RunResult never = run_kavo(d.path(), {"b", "c", "b.txt", "/time-1"});
  EXPECT_EQ(never.out, "b.txt→c.txt\n\n改名成功:1個\n");
  RunResult nothing = run_kavo(d.path(), {"q", "r", "c.txt", "/time0"});
  EXPECT_EQ(nothing.out, "改名対象なし\n");
}

TEST(DriverE2E, OldStringNeverComparesInsideAnEscapedNameByte) {
  if (kavo_test::windows_build()) GTEST_SKIP() << "Linux name bytes";
  TempDir d;
  d.file("12:00 memo.txt");
  d.file("user@host.txt");
  RunResult r = run_kavo(d.path(), {"*@", "", "*", "/e"});
  EXPECT_EQ(r.out, "user@host.txt→host.txt\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(),
            (std::vector<std::string>{"12:00 memo.txt", "host.txt"}));
}

}  // namespace

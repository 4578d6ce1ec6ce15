// The configuration file beside the executable, as the built command reads
// it: options, the switch character, comments, environment references and
// the faults that stop every run.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace kavo_test {
namespace {

using Lines = std::vector<std::string>;

// The command copied into bin/ with its kavo.cfg; runs happen below work/.
class ConfigE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.dir("work");
    binary_ = copy_command(&dir_, executable_name("bin/kavo"));
  }

  void config(const std::string& bytes) {
    write_file(dir_.at("bin/kavo.cfg"), bytes);
  }

  // Runs in work/`where` with `env`, Shift-JIS unless it chooses.
  RunResult run(const Lines& args, Lines env = {},
                const std::string& where = "") {
    RunSpec spec;
    spec.binary = binary_;
    spec.directory = dir_.at("work/" + where);
    spec.args = args;
    if (std::none_of(env.begin(), env.end(), [](const std::string& e) {
          return e.rfind("KAVO_ENCODING=", 0) == 0;
        })) {
      env.push_back("KAVO_ENCODING=CP932");
    }
    env.push_back("TZ=UTC");
    spec.env = env;
    return run_command(spec);
  }

  std::string fault(const std::string& what) const {
    return "\n\a処理停止:設定ファイル\"" +
           program_path(dir_.at("bin/kavo.cfg")) + "\"が異常です。" + what +
           "\n";
  }

  TempDir dir_;
  std::string binary_;
};

// Each case renames a.txt and sub/a.txt in a directory of its own: /d in
// the file reaches sub/, /v=c in it hides the totals.
TEST_F(ConfigE2E, FileOptionsApplyBeforeTheCommandLine) {
  const std::string both = "sub\\a.txt→b.txt\na.txt→b.txt\n";
  const std::string totals = "\n改名成功:2個\n";
  const struct {
    std::string file;
    Lines options;
    std::string out;
    int renamed;  // 2 both, 1 a.txt only, 0 none
  } cases[] = {
      {"/d\n/v=c\n", {}, both, 2},
      {"/d\n/v=c\n", {"/v=a"}, both + totals, 2},  // the command line wins
      {"# x\n\n/d   # into subdirectories\n; /test\n  #/v=\n",
       {},
       both + totals,
       2},
      // %kavo_opt% finds KAVO_OPT (names ignore case); the undefined
      // reference disappears.
      {"/%kavo_opt%%KAVO_UNDEFINED%\n/v=%KAVO_SHOW%\n", {}, both, 2},
      // The last switch line wins; "Switch" is no switch line.
      {"switch = +\nswitch = -\nSwitch=+\n", {"-d"}, both + totals, 2},
      {"switch=-\n-d\n", {}, both + totals, 2},
      // Without a switch line -d is a file argument that finds nothing.
      {"/v=e\n", {"-d"}, "存在せず:-d\n", 0},
      // An empty switch character never makes an empty argument an option.
      {"switch=\n", {""}, "存在せず:\n", 0},
      {"/v=c\r\n/d\r\n", {}, both, 2},
      {"/v=c\r\n/d", {}, both, 2},
      // A Ctrl-Z that ends the file ends it; tab and Esc are text.
      {"/v=c\n\x1a", {}, "a.txt→b.txt\n", 1},
      {"/v=c\t\x1b\n", {}, "a.txt→b.txt\n", 1},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string where = std::to_string(n++);
    dir_.file("work/" + where + "/a.txt");
    dir_.file("work/" + where + "/sub/a.txt");
    config(c.file);
    Lines args = {"a", "b"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("*.txt");
    RunResult r = run(args, {"KAVO_OPT=d", "KAVO_SHOW=c"}, where);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.exit_code, c.renamed ? 0 : 1);
    EXPECT_EQ(exists(dir_.at("work/" + where + "/b.txt")), c.renamed > 0);
    EXPECT_EQ(exists(dir_.at("work/" + where + "/sub/b.txt")), c.renamed > 1);
  }
}

// A faulty file stops every run before anything is done, even a request
// for the usage text.
TEST_F(ConfigE2E, FaultsStopTheRun) {
  dir_.file("work/a.txt");
  auto binary = [&](int line) {
    return fault(std::to_string(line) +
                 "行目にバイナリ・データを検出しました。");
  };
  auto mixed = [&](int line) {
    return fault(std::to_string(line) +
                 "行目に異なる改行コードを検出しました。");
  };
  auto invalid = [](const std::string& option) {
    return "\n\a処理停止:設定ファイル無効オプション  " + option +
           "\n※引数なしで実行すると使用方法を表示します。\n\n";
  };
  const struct {
    std::string file;
    std::string err;
    Lines args = {"a", "b", "a.txt"};
  } cases[] = {
      {"/d\n\n# \x7f\n", binary(3)},
      {"/d\n/v\xff\n", binary(2)},
      {"/d\x1a\n", binary(1)},
      {"/d\r\n/v=c\n", mixed(2)},
      {"\n\n/d\r", mixed(3)},
      {"/d\r\n/o\n", mixed(2), {"a", "b"}},
      {"/d\n/sh%BIG%,%BIG%\n",
       fault("2行目が展開後に10240バイトを超えました。")},
      {"/d\n/nosuch\n", invalid("/nosuch")},
      {"/?\n", invalid("/?")},  // /? cannot be registered in the file
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.substr(0, 20));
    config(c.file);
    RunResult r = run(c.args, {"BIG=" + std::string(6000, 'x')});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_TRUE(exists(dir_.at("work/a.txt")));
  EXPECT_FALSE(exists(dir_.at("work/b.txt")));
}

TEST_F(ConfigE2E, TheLogEchoesTheFilesOptions) {
  dir_.file("work/a.txt");
  // An environment name of the longest length the reading accepts.
  std::string name(1022, 'N');
  config("/v%" + name + "%\n");
  RunResult r = run({"a", "b", "/logrun.log", "a.txt"}, {name + "==cf"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string log = read_file(dir_.at("work/run.log"));
  EXPECT_NE(log.find(" a b /v=cf /logrun.log a.txt\r\n"), std::string::npos)
      << log;
}

TEST_F(ConfigE2E, ADirectoryIsNoConfigurationFile) {
  dir_.dir("bin/kavo.cfg");
  dir_.file("work/a.txt");
  RunResult r = run({"a", "b", "a.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(exists(dir_.at("work/b.txt")));
  r = run({"a", "b"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("\n・現在設定=設定ファイルが存在しません。\n"),
            std::string::npos);
}

TEST_F(ConfigE2E, Utf8FileIsConvertedLineByLine) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  dir_.file("work/a.txt");
  // The log's name comes from the file, written in the user's encoding.
  config(reinterpret_cast<const char*>(u8"/log記録.log # 日本語の注釈\n"));
  RunResult r = run({"a", "b", "a.txt"}, {"KAVO_ENCODING=UTF-8"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(
      exists(dir_.at(reinterpret_cast<const char*>(u8"work/記録.log"))));

  // A fault is reported in the user's encoding too.
  config("/d\n\x01\n");
  r = run({"a", "b", "b.txt"}, {"KAVO_ENCODING=UTF-8"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, convert(fault("2行目にバイナリ・データを検出しました。"),
                           "UTF-8", "CP932"));
}

}  // namespace
}  // namespace kavo_test

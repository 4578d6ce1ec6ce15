// The configuration file beside the executable, as the built command reads
// it: options, the switch character, comments, environment references and
// the faults that stop every run.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace kavo_test {
namespace {

using Lines = std::vector<std::string>;

// The command copied into bin/ with its kavo.cfg; runs happen in work/.
class ConfigE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.dir("bin");
    dir_.dir("work");
    binary_ = dir_.at(executable_name("bin/kavo"));
    write_file(binary_, read_file(kavo_binary()));
    chmod(binary_.c_str(), 0755);
  }

  void config(const std::string& bytes) {
    write_file(dir_.at("bin/kavo.cfg"), bytes);
  }

  RunResult run(const Lines& args, Lines env = {}) {
    RunSpec spec;
    spec.binary = binary_;
    spec.directory = dir_.at("work");
    spec.args = args;
    if (!has_encoding(env)) env.push_back("KAVO_ENCODING=CP932");
    env.push_back("TZ=UTC");
    spec.env = env;
    return run_command(spec);
  }

  static bool has_encoding(const Lines& env) {
    for (const std::string& e : env) {
      if (e.compare(0, 14, "KAVO_ENCODING=") == 0) return true;
    }
    return false;
  }

  // The configuration file's path as the messages show it: the internal
  // form, with '\' between the directories.
  std::string shown_config_path() const {
    return program_path(dir_.at("bin/kavo.cfg"));
  }

  std::string stop_line(const std::string& message) const {
    return "\n\a処理停止:" + message + "\n";
  }

  std::string fault(const std::string& what) const {
    return stop_line("設定ファイル\"" + shown_config_path() + "\"が異常です。" +
                     what);
  }

  TempDir dir_;
  std::string binary_;
};

TEST_F(ConfigE2E, FileOptionsApplyAndTheCommandLineWins) {
  dir_.file("work/a.txt");
  dir_.file("work/sub/a.txt");
  // /d reaches into sub; /v=c hides the totals.
  config("/d\n/v=c\n");
  RunResult r = run({"a", "b", "*.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.find("改名成功"), std::string::npos) << r.out;
  EXPECT_TRUE(exists(dir_.at("work/sub/b.txt")));

  // /v=a on the command line overrides /v=c of the file.
  dir_.file("work/a2.txt");
  r = run({"a", "c", "/v=a", "*.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("改名成功:1個"), std::string::npos) << r.out;
  EXPECT_TRUE(exists(dir_.at("work/c2.txt")));
}

TEST_F(ConfigE2E, SwitchLineMakesMinusAnOptionCharacter) {
  dir_.file("work/sub/a.txt");
  config("Switch=+\nswitch = -\n");
  RunResult r = run({"a", "b", "-d", "*.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(exists(dir_.at("work/sub/b.txt")));

  // The same option written in the file with the switch character.
  config("switch=-\n-d\n");
  r = run({"b", "c", "*.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(exists(dir_.at("work/sub/c.txt")));

  // Without a switch line -d is a file argument that finds nothing.
  config("/v=e\n");
  r = run({"c", "d", "-d", "*.txt"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("存在せず:-d"), std::string::npos) << r.out;
}

TEST_F(ConfigE2E, SwitchWithoutValueKeepsEmptyArgumentsFileArguments) {
  dir_.file("work/a.txt");
  config("switch=\n");
  RunResult r = run({"a", "b", "", "a.txt"});
  // The empty argument is a file argument that finds nothing, not an
  // invalid option.
  EXPECT_EQ(r.err.find("無効オプション"), std::string::npos) << r.err;
}

TEST_F(ConfigE2E, CommentsAndBlankLinesAreIgnored) {
  dir_.file("work/sub/a.txt");
  config("# defaults\n\n/d   # into subdirectories\n; /test\n  #/v=\n");
  RunResult r = run({"a", "b", "*.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(exists(dir_.at("work/sub/b.txt")));
  EXPECT_NE(r.out.find("改名成功:1個"), std::string::npos) << r.out;
}

TEST_F(ConfigE2E, EnvironmentReferencesAreExpanded) {
  dir_.file("work/sub/a.txt");
  dir_.file("work/a.txt");
  // %kavo_opt% finds KAVO_OPT (names ignore case); the undefined reference
  // disappears.
  config("/%kavo_opt%%KAVO_UNDEFINED%\n/v=%KAVO_SHOW%\n");
  RunResult r = run({"a", "b", "*.txt"}, {"KAVO_OPT=d", "KAVO_SHOW=c"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(exists(dir_.at("work/sub/b.txt")));
  EXPECT_EQ(r.out.find("改名成功"), std::string::npos) << r.out;
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

TEST_F(ConfigE2E, BinaryDataStopsTheRun) {
  dir_.file("work/a.txt");
  const struct {
    std::string bytes;
    const char* what;
  } cases[] = {
      {"/d\n\n# \x7f\n", "3行目にバイナリ・データを検出しました。"},
      {"/d\n/v\xff\n", "2行目にバイナリ・データを検出しました。"},
      {"/d\x1a\n", "1行目にバイナリ・データを検出しました。"},
      {"/d\r\n/v=c\n", "2行目に異なる改行コードを検出しました。"},
      {"\n\n/d\r", "3行目に異なる改行コードを検出しました。"},
  };
  for (const auto& c : cases) {
    config(c.bytes);
    RunResult r = run({"a", "b", "a.txt"});
    EXPECT_EQ(r.exit_code, 1) << c.what;
    EXPECT_EQ(r.out, "") << c.what;
    EXPECT_EQ(r.err, fault(c.what));
  }
  EXPECT_TRUE(exists(dir_.at("work/a.txt")));
}

TEST_F(ConfigE2E, CleanEndingsReadNormally) {
  const char* const files[] = {"/v=c\r\n/d\r\n", "/v=c\r\n/d", "/v=c\n\x1a",
                               "/v=c\t\x1b\n"};
  int n = 0;
  for (const char* bytes : files) {
    std::string file = "a" + std::to_string(n++) + ".txt";
    dir_.file("work/" + file);
    config(bytes);
    RunResult r = run({"a", "b", file});
    EXPECT_EQ(r.err, "") << bytes;
    EXPECT_EQ(r.exit_code, 0) << bytes;
  }
}

TEST_F(ConfigE2E, FaultyFileStopsEvenTheUsageText) {
  config("/d\r\n/o\n");
  RunResult r = run({"a", "b"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, fault("2行目に異なる改行コードを検出しました。"));
}

TEST_F(ConfigE2E, InvalidOptionLineIsReportedAsTheFiles) {
  dir_.file("work/a.txt");
  config("/d\n/nosuch\n");
  RunResult r = run({"a", "b", "a.txt"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            stop_line("設定ファイル無効オプション  /nosuch\n※引数なしで実行する"
                      "と使用方法を表示します。\n"));
  EXPECT_TRUE(exists(dir_.at("work/a.txt")));

  // /? cannot be registered in the file.
  config("/?\n");
  r = run({"a", "b", "a.txt"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("設定ファイル無効オプション  /?\n"), std::string::npos)
      << r.err;
}

TEST_F(ConfigE2E, LineTooLongAfterExpansionIsRefused) {
  dir_.file("work/a.txt");
  config("/d\n/sh%BIG%,%BIG%\n");
  RunResult r = run({"a", "b", "a.txt"}, {"BIG=" + std::string(6000, 'x')});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, fault("2行目が展開後に10240バイトを超えました。"));
  EXPECT_TRUE(exists(dir_.at("work/a.txt")));
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
  EXPECT_NE(r.err.find(reinterpret_cast<const char*>(
                u8"が異常です。2行目にバイナリ・データを検出しました。")),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace kavo_test

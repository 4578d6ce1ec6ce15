// The usage text as the built command prints it: its frame and every line
// it builds at run time, its exit code, and its pages on a terminal.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/harness.h"
#include "tests/pty_harness.h"

namespace kavo_test {
namespace {

using Lines = std::vector<std::string>;

// What the text shows for one copy of the command.
struct Shown {
  std::string command;    // the name in the synopsis and the examples
  std::string file_name;  // the executable's own file name
  std::string config;     // the configuration file's path
  std::string listing;    // the options the file holds
  Lines switch_lines;
};

const char kNoConfig[] = "設定ファイルが存在しません。";
const Lines kSlashOnly = {"・スイッチ文字= / のみが使用可能。"};

Lines split_lines(const std::string& text) {
  Lines lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The text has 314 lines besides its switch lines. Of its fixed lines only
// those a reader or a script goes by are checked (title, version, exit
// codes); every line built at run time is.
void expect_usage(const std::string& text, const Shown& s) {
  Lines lines = split_lines(text);
  ASSERT_EQ(lines.size(), 314 + s.switch_lines.size());
  EXPECT_EQ(text.back(), '\n');
  const std::string& cmd = s.command;
  std::vector<std::pair<size_t, std::string>> expected = {
      {0, "ファイル名置換コマンド"},
      {1, "kavo第1.37版  2005-04-19"},
      {3, cmd + " □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…"},
      {153, "【終了コード】"},
      {154, "0:エラーなし、改名成功"},
      {155, "1:エラー発生、改名中断"},
      {156, "2:エラー発生、改名継続"},
      {181, "  例えば、" + cmd +
                " a b caaa.zaa の実行結果は caaa.zaa→cbaa.zaa となります。"},
      // The executable's real file name: no ".exe" where it has none.
      {202, "・" + s.file_name + " 自身は、本コマンドで改名できません。"},
      {210, "  例えば、" + cmd +
                " a b /d C:\\dir1 /lhC:\\dir1\\abc?\\ は C:\\dir1 "
                "の下のサブディレクトリ abc? 以下を処理します。"},
      {228, "・設定ファイル=" + s.config},
      {229, "・現在設定=" + s.listing},
  };
  for (size_t k = 0; k < s.switch_lines.size(); ++k) {
    expected.push_back({230 + k, s.switch_lines[k]});
  }
  size_t examples = 232 + s.switch_lines.size();
  expected.push_back(
      {examples - 1, "【使用例】 ※f1 はファイル、d1 はディレクトリ"});
  expected.push_back(
      {examples + 16, std::string(23, ' ') + "ファイル名本体を\"XY\"に変更"});
  expected.push_back({lines.size() - 1, cmd + " /? …… 使用方法説明"});
  for (const auto& [at, line] : expected) {
    EXPECT_EQ(lines[at], line) << "line " << at + 1;
  }
  int named = 0;
  for (size_t i = examples; i < lines.size(); ++i) {
    named += lines[i].rfind(cmd + " ", 0) == 0;
  }
  EXPECT_EQ(named, 81) << "examples that begin with the command name";
  // Not a terminal: no prompt, only the note that names it.
  EXPECT_EQ(count_of(text, "(Continue,/All/Quit)"), 1u);
}

// The command copied into bin/, so that its configuration file can be put
// beside it; runs happen in work/.
class UsageE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.file("work/a.txt");
    binary_ = copy_command(&dir_, executable_name("bin/kavo"));
  }

  RunResult run(const Lines& args,
                const Lines& env = {"KAVO_ENCODING=CP932", "TZ=UTC"}) {
    RunSpec spec;
    spec.binary = binary_;
    spec.directory = dir_.at("work");
    spec.args = args;
    spec.env = env;
    return run_command(spec);
  }

  std::string shown_path(const std::string& relative) const {
    return program_path(dir_.at(relative));
  }

  TempDir dir_;
  std::string binary_;
};

TEST_F(UsageE2E, ShownWithoutFileArgumentsOrOnRequest) {
  RunResult plain = run({"a", "b"});
  EXPECT_EQ(plain.exit_code, 1);
  EXPECT_EQ(plain.err, "");
  expect_usage(plain.out, {"kavo", executable_name("kavo"),
                           shown_path("bin/kavo.cfg"), kNoConfig, kSlashOnly});
  const Lines requests[] = {
      {"a", "b", "/d"},
      {"a", "b", "a.txt", "/?"},
      {"a", "b", "a.txt", "/help/d"},
      {"a", "b", "a.txt", "/HELP"},
      {"a", "b", "/?", "a.txt"},
      {"a", "b", "/d", "a.txt", "/help"},
  };
  for (const Lines& args : requests) {
    SCOPED_TRACE(args.back());
    RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, plain.out);
  }
  EXPECT_EQ(dir_.tree(), (Lines{"bin/", "bin/" + executable_name("kavo"),
                                "work/", "work/a.txt"}));
}

TEST_F(UsageE2E, ListsTheConfiguredOptionsAndSwitchCharacter) {
  write_file(dir_.at("bin/kavo.cfg"),
             "switch=-\n/d\n-v=c\n# /o\n/sh a  ; spaced\nnote\n");
  RunResult plain = run({"a", "b"});
  EXPECT_EQ(plain.exit_code, 1);
  expect_usage(plain.out,
               {"kavo",
                executable_name("kavo"),
                shown_path("bin/kavo.cfg"),
                "/d -v=c \"/sh a\"",
                {"・スイッチ文字= / 及び - が使用可能。",
                 "  /p と -p は意味が同じになります。",
                 "  /f/p と -f -p は意味が同じになります。",
                 "  -スイッチではオプションの区切に空白が必須です。"}});
  for (const char* help : {"-?", "-help"}) {
    RunResult r = run({"a", "b", "a.txt", help});
    EXPECT_EQ(r.exit_code, 1) << help;
    EXPECT_EQ(r.out, plain.out) << help;
  }
}

// The command name and the configuration file follow the executable's file
// name: its extension replaced, or ".cfg" appended where it has none.
TEST_F(UsageE2E, NamesComeFromTheExecutablesFileName) {
  const struct {
    const char* file;
    const char* command;
    const char* config;
  } cases[] = {{"rn", "rn", "bin/rn.cfg"}, {"kv.bin", "kv", "bin/kv.cfg"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    RunSpec spec;
    spec.binary = copy_command(&dir_, std::string("bin/") + c.file);
    write_file(dir_.at(c.config), "/d\n");
    spec.directory = dir_.at("work");
    spec.args = {"a", "b"};
    RunResult r = run_command(spec);
    EXPECT_EQ(r.exit_code, 1);
    expect_usage(r.out,
                 {c.command, c.file, shown_path(c.config), "/d", kSlashOnly});
  }
}

TEST_F(UsageE2E, ConvertedForAUtf8Terminal) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  RunResult r = run({"a", "b"}, {"KAVO_ENCODING=UTF-8", "TZ=UTC"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, convert(run({"a", "b"}).out, "UTF-8", "CP932"));
  EXPECT_EQ(r.out.rfind(
                reinterpret_cast<const char*>(u8"ファイル名置換コマンド\n"), 0),
            0u);
}

// On a terminal the text stops at each of its 22 page breaks: C goes on,
// A prints the rest without stops, Q ends at once (exit code 1 always).
TEST_F(UsageE2E, PagesOnATerminal) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  const size_t kPageLines[] = {21, 14, 20, 10, 15, 18, 10, 16, 12, 21, 8, 12,
                               10, 10, 15, 10, 9,  24, 12, 8,  13, 13, 14};
  const std::string prompt = "(Continue,/All/Quit)";
  const std::string answered =
      prompt + "\r" + std::string(prompt.size(), ' ') + "\r";
  const struct {
    Lines keys;
    size_t lines;
  } cases[] = {
      {Lines(22, "c"), 315}, {{"q"}, 21}, {{"a"}, 315}, {{" ", "A"}, 315}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys[0] + std::to_string(c.keys.size()));
    PtySpec spec;
    spec.binary = binary_;
    spec.directory = dir_.at("work");
    spec.args = {"a", "b"};
    spec.rows = 40;
    PtySession session(spec);
    for (const std::string& key : c.keys) {
      // A prompt stands at the start of a line; the note naming it does not.
      ASSERT_TRUE(session.wait_for("\n" + prompt, 5000));
      ASSERT_TRUE(session.answer(key));
    }
    EXPECT_EQ(session.finish(), 1);
    const std::string& screen = session.screen();
    EXPECT_EQ(count_of(screen, answered), c.keys.size());
    EXPECT_EQ(count_of(screen, "\n"), c.lines);
    size_t page = 0;
    for (size_t at = 0, end;
         (end = screen.find(answered, at)) != std::string::npos;
         at = end + answered.size()) {
      std::string text = screen.substr(at, end - at);
      EXPECT_EQ(count_of(text, "\n"), kPageLines[page]) << "page " << page + 1;
      ++page;
    }
  }
}

}  // namespace
}  // namespace kavo_test

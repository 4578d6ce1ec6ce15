#include "driver/usage.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "output/channels.h"
#include "output/pager.h"

namespace kavo {
namespace {

class UsageText : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kavo_usage_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    internal_dir_ = dir_;
    for (char& c : internal_dir_) {
      if (c == '/') c = '\\';
    }
    channels_reset();
    pager_reset();
  }
  void TearDown() override {
    unlink((dir_ + "/kavo.cfg").c_str());
    rmdir(dir_.c_str());
  }

  // The usage text for `program` with standard output captured (not a
  // console, so no prompt); `*code` is the exit code it ended with.
  std::string usage(const std::string& program, char switch_char, int* code) {
    *code = -1;
    testing::internal::CaptureStdout();
    try {
      print_usage(program, switch_char);
    } catch (const ProcessExit& exit) {
      *code = exit.code;
    }
    return testing::internal::GetCapturedStdout();
  }

  static std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static bool has_line(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
  }

  std::string dir_;
  std::string internal_dir_;
};

TEST_F(UsageText, ShowsTheExecutablesOwnNameAndEndsWithCode1) {
  int code = 0;
  std::string out = usage(internal_dir_ + "\\kavo", '/', &code);
  EXPECT_EQ(code, 1);
  std::vector<std::string> lines = lines_of(out);
  ASSERT_GT(lines.size(), 4u);
  EXPECT_EQ(lines[0], "ファイル名置換コマンド");
  EXPECT_EQ(lines[1], "kavo第1.37版  2005-04-19");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3],
            "kavo □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…");
  // No ".exe" where the executable has none.
  EXPECT_TRUE(has_line(out, "・kavo 自身は、本コマンドで改名できません。"));
  EXPECT_EQ(out.find(".exe 自身"), std::string::npos);
  EXPECT_TRUE(has_line(out, "・設定ファイル=" + internal_dir_ + "\\kavo.cfg"));
  EXPECT_TRUE(has_line(out, "・現在設定=設定ファイルが存在しません。"));
  EXPECT_TRUE(has_line(out, "・スイッチ文字= / のみが使用可能。"));
  // Not a console: no prompt, only the note that names it.
  size_t note = out.find("(Continue,/All/Quit)");
  ASSERT_NE(note, std::string::npos);
  EXPECT_EQ(out.find("(Continue,/All/Quit)", note + 1), std::string::npos);
  EXPECT_EQ(lines.back(), "kavo /? …… 使用方法説明");
}

TEST_F(UsageText, NamesFollowTheConfigurationFilesRule) {
  const struct {
    std::string program;
    const char* command;
    const char* file_name;
    const char* config;
  } cases[] = {
      {"C:\\tools\\other.exe", "other", "other.exe", "C:\\tools\\other.cfg"},
      {"\\opt\\kavo-1.2", "kavo-1", "kavo-1.2", "\\opt\\kavo-1.cfg"},
      {"\\opt.d\\kv", "kv", "kv", "\\opt.d\\kv.cfg"},
      {"", "kavo", "kavo", "kavo.cfg"},
  };
  for (const auto& c : cases) {
    int code = 0;
    std::string out = usage(c.program, '/', &code);
    std::string command = c.command;
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(has_line(out, command +
                                  " □ 旧文字列 □ 新文字列［△ オプション群］□ "
                                  "ファイル名…"))
        << c.program;
    EXPECT_TRUE(has_line(out, std::string("・") + c.file_name +
                                  " 自身は、本コマンドで改名できません。"))
        << c.program;
    EXPECT_TRUE(has_line(out, std::string("・設定ファイル=") + c.config))
        << c.program;
    EXPECT_TRUE(has_line(out, command + " a b * /test …… 試験モード（表示のみ、"
                                        "改名せず）"))
        << c.program;
    // The version line names the program itself, whatever the file.
    EXPECT_TRUE(has_line(out, "kavo第1.37版  2005-04-19")) << c.program;
  }
}

TEST_F(UsageText, EveryExampleStartsWithTheCommandName) {
  int code = 0;
  std::string out = usage(internal_dir_ + "\\kv.exe", '/', &code);
  int examples = 0;
  for (const std::string& line : lines_of(out)) {
    if (line.compare(0, 3, "kv ") == 0) ++examples;
  }
  // 81 examples and the synopsis.
  EXPECT_EQ(examples, 82);
  EXPECT_NE(
      out.find("\nkv a XY * /h /t …… ファイル名本体が\"a\"からなる場合に、\n"
               "                       ファイル名本体を\"XY\"に変更\n"),
      std::string::npos);
  EXPECT_TRUE(has_line(out,
                       "  例えば、kv a b caaa.zaa の実行結果は "
                       "caaa.zaa→cbaa.zaa となります。"));
}

TEST_F(UsageText, ListsTheFilesOptionsAndTheSwitchCharacter) {
  std::ofstream(dir_ + "/kavo.cfg", std::ios::binary)
      << "switch=-\n/d\n-o # overwrite\nnote\n/sh a\n";
  int code = 0;
  std::string out = usage(internal_dir_ + "\\kavo", '-', &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(out.find("\n\n・設定ファイル=" + internal_dir_ +
                     "\\kavo.cfg\n・現在設定=/d -o \"/sh a\"\n"
                     "・スイッチ文字= / 及び - が使用可能。\n"
                     "  /p と -p は意味が同じになります。\n"
                     "  /f/p と -f -p は意味が同じになります。\n"
                     "  -スイッチではオプションの区切に空白が必須です。\n"),
            std::string::npos)
      << out;
  EXPECT_FALSE(has_line(out, "・スイッチ文字= / のみが使用可能。"));
}

}  // namespace
}  // namespace kavo

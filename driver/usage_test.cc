#include "driver/usage.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "output/channels.h"
#include "output/pager.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

class UsageText : public ::testing::Test {
 protected:
  // The usage text for `program` reading `config`, standard output being a
  // file (so no prompt); the process must end with code 1.
  std::string usage(const std::string& program, const std::string& config,
                    char switch_char = '/') {
    channels_reset();
    pager_reset();
    kavo_testing::CapturedOutput captured(dir_);
    int code = -1;
    try {
      print_usage(program, config, switch_char);
    } catch (const ProcessExit& exit) {
      code = exit.code;
    }
    EXPECT_EQ(code, 1) << program;
    return captured.out();
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

  kavo_testing::ScratchDir dir_;
};

TEST_F(UsageText, HeadAndTailWithoutAConfigurationFile) {
  std::string out = usage(dir_.internal("kavo"), dir_.internal("kavo.cfg"));
  std::vector<std::string> lines = lines_of(out);
  ASSERT_GT(lines.size(), 4u);
  EXPECT_EQ(lines[0], "ファイル名置換コマンド");
  EXPECT_EQ(lines[1], "kavo第1.37版  2005-04-19");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3],
            "kavo □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…");
  EXPECT_TRUE(has_line(out, "・現在設定=設定ファイルが存在しません。"));
  EXPECT_TRUE(has_line(out, "・スイッチ文字= / のみが使用可能。"));
  // Not a console: no prompt, only the note that names it.
  size_t note = out.find("(Continue,/All/Quit)");
  ASSERT_NE(note, std::string::npos);
  EXPECT_EQ(out.find("(Continue,/All/Quit)", note + 1), std::string::npos);
  EXPECT_EQ(lines.back(), "kavo /? …… 使用方法説明");
}

// The command name and the configuration path replace the file's extension
// or append one; no ".exe" appears where the file has none. Every example
// starts with the command name.
TEST_F(UsageText, NamesFollowTheConfigurationFilesRule) {
  const struct {
    std::string program;
    std::string command;
    std::string file_name;
    std::string config;
  } cases[] = {
      {dir_.internal("kavo"), "kavo", "kavo", dir_.internal("kavo.cfg")},
      {dir_.internal("kv.exe"), "kv", "kv.exe", dir_.internal("kv.cfg")},
      {"C:\\tools\\other.exe", "other", "other.exe", "C:\\tools\\other.cfg"},
      {"\\opt\\kavo-1.2", "kavo-1", "kavo-1.2", "\\opt\\kavo-1.cfg"},
      {"\\opt.d\\kv", "kv", "kv", "\\opt.d\\kv.cfg"},
      {"", "kavo", "kavo", "kavo.cfg"},
  };
  for (const auto& c : cases) {
    std::string out = usage(c.program, c.config);
    for (const std::string& line :
         {c.command + " □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…",
          "・" + c.file_name + " 自身は、本コマンドで改名できません。",
          "・設定ファイル=" + c.config,
          c.command + " a b * /test …… 試験モード（表示のみ、改名せず）",
          c.command + " a XY * /h /t …… ファイル名本体が\"a\"からなる場合に、\n"
                      "                       ファイル名本体を\"XY\"に変更",
          "  例えば、" + c.command +
              " a b caaa.zaa の実行結果は caaa.zaa→cbaa.zaa となります。",
          // The version line names the program itself, whatever the file.
          std::string("kavo第1.37版  2005-04-19")}) {
      EXPECT_TRUE(has_line(out, line)) << c.program << ": " << line;
    }
    if (c.file_name.find(".exe") == std::string::npos) {
      EXPECT_EQ(out.find(".exe"), std::string::npos) << c.program;
    }
    // 81 examples and the synopsis.
    int examples = 0;
    for (const std::string& line : lines_of(out)) {
      examples += line.compare(0, c.command.size() + 1, c.command + " ") == 0;
    }
    EXPECT_EQ(examples, 82) << c.program;
  }
}

TEST_F(UsageText, ListsTheFilesOptionsAndTheSwitchCharacter) {
  dir_.write("kavo.cfg", "switch=-\n/d\n-o # overwrite\nnote\n/sh a\n");
  std::string out =
      usage(dir_.internal("kavo"), dir_.internal("kavo.cfg"), '-');
  EXPECT_NE(out.find("\n\n・設定ファイル=" + dir_.internal("kavo.cfg") +
                     "\n・現在設定=/d -o \"/sh a\"\n"
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

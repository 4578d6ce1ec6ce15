#include "driver/config_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "driver/options.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

using kavo_testing::set_environment;

// ---- Line reader ---------------------------------------------------------

// What the reader makes of `bytes`, written out: each line's text and the
// line end that closed it ("\n", "\r\n", "\r" or none) followed by "|",
// then "<end>", or "<binary>" after the text stored when binary data ended
// the reading.
std::string transcript(const std::string& bytes, bool spaces_only = false) {
  ConfigReader reader;
  reader.bytes = bytes;
  reader.trim_spaces_only = spaces_only;
  const char* const ends[] = {"", "\n", "\r\n", "\r"};
  std::string text;
  for (int guard = 0; guard < 100; ++guard) {
    std::string line;
    ConfigLineEnd end;
    ConfigReadStatus status = config_read_line(&reader, &line, &end);
    if (status == ConfigReadStatus::kEnd) return text + "<end>";
    if (status == ConfigReadStatus::kBinary) return text + line + "<binary>";
    text += line + ends[static_cast<int>(end)] + "|";
  }
  return text + "(endless)";
}

// Lines are kept up to their first 10240 bytes.
TEST(ConfigReadLine, LinesEndsCommentsAndBinaryData) {
  const std::string long_line = "/sh" + std::string(20000, 'x');
  const std::string kept = long_line.substr(0, 10240);
  const struct {
    const char* what;
    std::string bytes;
    std::string read;
  } cases[] = {
      {"lf", "/d\n/o\n", "/d\n|/o\n|<end>"},
      {"crlf, last line without end", "/d\r\n/o", "/d\r\n|/o|<end>"},
      {"cr", "/d\r/o\r", "/d\r|/o\r|<end>"},
      {"cr then crlf", "x\r\r\n", "x\r|\r\n|<end>"},
      {"blank lines", "\n  \t\n", "\n|\n|<end>"},
      {"white space around", " \t\v\f/d /o \t\v\f\n", "/d /o\n|<end>"},
      {"white space only at the end", "   ", "<end>"},
      {"comment lines", "# note\n;note\n", "\n|\n|<end>"},
      {"comment inside a value", "/shC:\\a;b\n/d # x\n",
       "/shC:\\a\n|/d\n|<end>"},
      {"comment at the end of the file", "/d #x", "/d|<end>"},
      {"final ctrl-z ends the file", "/d\n\x1a", "/d\n|<end>"},
      {"ctrl-z right after text", "/d\x1a", "/d|<end>"},
      {"ctrl-z before more bytes", "/d\x1a\n", "/d<binary>"},
      {"ctrl-z before text", "\x1a/d", "<binary>"},
      {"0x7f in a comment", "/d #\x7f\n", "/d <binary>"},
      {"0xff in a comment", "/d ;\xff", "/d <binary>"},
      {"binary on the second line", "/d\n\x01", "/d\n|<binary>"},
      {"tab bell backspace escape are text", "/d\t\x07\x08\x1bx\n",
       "/d\t\x07\x08\x1bx\n|<end>"},
      {"nul ends the usable text", std::string("/d \0/o\n", 7), "/d\n|<end>"},
      {"bytes 0x80-0xfe are text", "/sh\x95\x5c\xfe\n",
       "/sh\x95\x5c\xfe\n|<end>"},
      {"long line cut", long_line + "\n/d\n", kept + "\n|/d\n|<end>"},
      {"binary beyond the kept part", long_line + "\x7f\n", kept + "<binary>"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.read, transcript(c.bytes)) << c.what;
  // The log's echo removes only spaces at the end of a line.
  EXPECT_EQ("/d\t\n|/o\n|<end>", transcript("  /d\t \n/o  \n", true));
}

// ---- Environment references ----------------------------------------------

// The environment the tests below read, set up afresh for each test.
class ConfigEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [name, value] : variables_) {
      set_environment(name, value.c_str());
    }
    set_environment("KAVOCFG_UNDEFINED", nullptr);
  }
  void TearDown() override {
    for (const auto& [name, value] : variables_) set_environment(name, nullptr);
  }

  const std::string long_name_ = std::string(kConfigEnvNameCapacity, 'N');
  const std::string too_long_name_ = long_name_ + "N";
  const std::string fill_ = std::string(kConfigLineCapacity - 2, 'v');
  const std::vector<std::pair<std::string, std::string>> variables_ = {
      {"KAVOCFG_TEMP", "C:\\Temp"},   {"KAVOCFG_PCT", "%KAVOCFG_TEMP%"},
      {"KAVOCFG_REF", "%KAVOCFG_B%"}, {"KAVOCFG_B", "b"},
      {"KAVOCFG_SWITCH", "-"},        {"KAVOCFG_BIG", std::string(6000, 'v')},
      {"KAVOCFG_FILL", fill_},        {long_name_, "v"},
      {too_long_name_, "v"}};
};

using ConfigExpandEnv = ConfigEnvironment;

// A refused line (the result would outgrow the line's buffer) stays as it
// was.
TEST_F(ConfigExpandEnv, ReplacesReferences) {
  const std::string too_long(kConfigLineCapacity + 1, 'x');
  const struct {
    std::string line;
    std::string expected;
    bool refused;
  } cases[] = {
      {"/lt%KAVOCFG_TEMP%\\*\\", "/ltC:\\Temp\\*\\", false},
      {"/lt%kavocfg_temp%", "/ltC:\\Temp", false},
      {"/d%KAVOCFG_UNDEFINED%x", "/dx", false},
      {"/sf50%", "/sf50%", false},
      {"%KAVOCFG_B%%KAVOCFG_B%", "bb", false},
      {"/a%%b", "/ab", false},
      // A value is inserted as it is and never scanned again.
      {"/x%KAVOCFG_PCT%", "/x%KAVOCFG_TEMP%", false},
      // A later reference is replaced where it stands, not at the same
      // text inside the value inserted before it.
      {"/x%KAVOCFG_REF%-%KAVOCFG_B%", "/x%KAVOCFG_B%-b", false},
      // The pair is the first two per-cent signs, whatever lies between.
      {"/x50% %KAVOCFG_B%", "/x50KAVOCFG_B%", false},
      {"/x%" + long_name_ + "%", "/xv", false},
      // A longer name ends the expansion.
      {"/x%" + too_long_name_ + "%%KAVOCFG_B%",
       "/x%" + too_long_name_ + "%%KAVOCFG_B%", false},
      // Exactly the capacity fits.
      {"/x%KAVOCFG_FILL%", "/x" + fill_, false},
      {"/xy%KAVOCFG_FILL%", "/xy%KAVOCFG_FILL%", true},
      {"/x%KAVOCFG_BIG%%KAVOCFG_BIG%", "/x%KAVOCFG_BIG%%KAVOCFG_BIG%", true},
      {too_long, too_long, true},
  };
  for (const auto& c : cases) {
    std::string line = c.line;
    EXPECT_EQ(!c.refused, expand_env_refs(&line)) << c.line.substr(0, 40);
    EXPECT_EQ(c.expected, line) << c.line.substr(0, 40);
  }
}

// ---- Switch lines and the file's path --------------------------------------

// Nothing after '=' gives '/', never the end of the text.
TEST(ConfigSwitchLine, SetsTheSwitchCharacter) {
  const struct {
    const char* line;
    char current;
    char expected;
  } cases[] = {{"switch=-", '/', '-'},      {"switch = -", '/', '-'},
               {"switch=\t\v-x", '/', '-'}, {"switchchar=+", '/', '+'},
               {"switch=-=+", '/', '-'},    {"Switch=-", '/', '/'},
               {"SWITCH=-", '-', '-'},      {"switch -", '+', '+'},
               {"x switch=-", '/', '/'},    {"/switch=-", '/', '/'},
               {"switch=", '-', '/'},       {"switch=  ", '-', '/'}};
  for (const auto& c : cases) {
    EXPECT_EQ(switch_char_from_line(c.line, c.current), c.expected) << c.line;
  }
}

TEST(ConfigPath, ReplacesOrAppendsTheExtension) {
  const struct {
    const char* program;
    const char* expected;
  } cases[] = {
      {"\\usr\\local\\bin\\kavo", "\\usr\\local\\bin\\kavo.cfg"},
      {"C:\\tools\\kavo.exe", "C:\\tools\\kavo.cfg"},
      {"\\opt\\a.b\\kavo", "\\opt\\a.b\\kavo.cfg"},
      {"\\x\\k.tar.gz", "\\x\\k.tar.cfg"},
      {"\\x\\kavo.", "\\x\\kavo.cfg"},
      {"kavo", "kavo.cfg"},
      // 0x95 0x5C is one character: its second byte is no separator.
      {"\\x\\\x95\x5c.exe", "\\x\\\x95\x5c.cfg"},
      {"\\x\\kavo.\x95\x5c", "\\x\\kavo.cfg"},
      {"\\x.y\\\x95\x5c", "\\x.y\\\x95\x5c.cfg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(config_path(c.program), c.expected) << c.program;
  }
}

// ---- The passes over a real file -------------------------------------------

// A scratch directory holding the configuration file.
class ConfigFilePass : public ConfigEnvironment {
 protected:
  struct Outcome {
    int code;  // the exit code the run ended with; -1 when it went on
    std::string out;
    std::string err;
  };
  // Runs `pass` with standard output and error captured.
  Outcome run(const std::function<void()>& pass) {
    channels_reset();
    kavo_testing::CapturedOutput captured(dir_);
    int code = -1;
    try {
      pass();
    } catch (const ProcessExit& exit) {
      code = exit.code;
    }
    return {code, captured.out(), captured.err()};
  }
  std::string listing(char switch_char) {
    Outcome r = run([&] { config_list_options(config_, switch_char); });
    EXPECT_EQ("", r.err);
    EXPECT_EQ(-1, r.code);
    return r.out;
  }

  kavo_testing::ScratchDir dir_;
  const std::string config_ = dir_.internal("kavo.cfg");
};

// Clean files, with switch lines or without.
TEST_F(ConfigFilePass, SwitchPassTakesTheLastSwitchLine) {
  const struct {
    const char* bytes;
    char switch_char;
  } cases[] = {{"# options\nswitch=+\n/d\nswitch = -\nSwitch=*\n", '-'},
               {"switch=%KAVOCFG_SWITCH%\n", '-'},
               {"/d\r\n/o\r\n", '/'},
               {"/d\r\n/o", '/'},
               {"/d\n\x1a", '/'},
               {"/d\t\x1b\n", '/'},
               {"\xef\xbc\x8f\n", '/'}};
  for (const auto& c : cases) {
    dir_.write("kavo.cfg", c.bytes);
    char switch_char = 0;
    Outcome r = run([&] { switch_char = config_read_switch_char(config_); });
    EXPECT_EQ("", r.err) << c.bytes;
    EXPECT_EQ(-1, r.code) << c.bytes;
    EXPECT_EQ(c.switch_char, switch_char) << c.bytes;
  }
}

TEST_F(ConfigFilePass, FaultyFilesEndTheRunWithTheLineNumber) {
  const struct {
    const char* what;
    std::string bytes;
    const char* fault;  // after "が異常です。"
  } cases[] = {
      {"binary in a comment", "/d\n\n# \xff\n",
       "3行目にバイナリ・データを検出しました。"},
      {"ctrl-z in the middle", "/d\x1a/o\n",
       "1行目にバイナリ・データを検出しました。"},
      {"lf among crlf", "/d\r\n# x\r\n/o\n/c\r\n",
       "3行目に異なる改行コードを検出しました。"},
      {"kind fixed by a blank line", "\n/d\r\n",
       "2行目に異なる改行コードを検出しました。"},
      {"cr among lf", "/d\n/o\r", "2行目に異なる改行コードを検出しました。"},
      {"too long once expanded", "/d\n/sh%KAVOCFG_BIG%,%KAVOCFG_BIG%\n",
       "2行目が展開後に10240バイトを超えました。"},
  };
  for (const auto& c : cases) {
    dir_.write("kavo.cfg", c.bytes);
    Outcome r = run([&] { config_read_switch_char(config_); });
    EXPECT_EQ(1, r.code) << c.what;
    EXPECT_EQ("\n\a処理停止:設定ファイル\"" + config_ + "\"が異常です。" +
                  c.fault + "\n",
              r.err)
        << c.what;
  }
  // Without its own path the command cannot find the file at all.
  Outcome r = run([] { config_file_to_read(""); });
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("\n\a処理停止:メモリー不足\n", r.err);
}

TEST_F(ConfigFilePass, NoFileOrADirectoryCountsAsNone) {
  for (bool directory : {false, true}) {
    if (directory) {
      ASSERT_TRUE(dir_.make_dir("kavo.cfg"));
    }
    EXPECT_EQ(config_read_switch_char(config_), '/');
    EXPECT_EQ(listing('/'), "設定ファイルが存在しません。\n");
    std::vector<std::string> lines = {"stale"};
    bool opened = true;
    config_option_lines(config_, '/', &lines, &opened);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(lines.empty());
  }
}

TEST_F(ConfigFilePass, ListingShowsOptionLinesOnOneLine) {
  dir_.write(
      "kavo.cfg",
      "switch=-\n/d\n\n# comment\n-o\nname=x\n/sh a b  # spaced\n/v=c\n");
  EXPECT_EQ(listing('-'), "/d -o \"/sh a b\" /v=c\n");
  EXPECT_EQ(listing('/'), "/d \"/sh a b\" /v=c\n");
  dir_.write("kavo.cfg", "name=x\n");
  EXPECT_EQ(listing('/'), "\n");
  // A fault shows after the line.
  dir_.write("kavo.cfg", "/d\n/o\r\n");
  Outcome r = run([&] { config_list_options(config_, '/'); });
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "/d\n");
  EXPECT_NE(r.err.find("2行目に異なる改行コード"), std::string::npos) << r.err;
}

TEST_F(ConfigFilePass, OptionLinesForTheLog) {
  // Line-end kinds are not compared here, tabs at the end stay, and
  // reading stops at binary data.
  dir_.write("kavo.cfg",
             "/d\r\n-o\t\n/x%KAVOCFG_UNDEFINED%%KAVOCFG_B%\nswitch=-\n/e%" +
                 long_name_ + "%\n/sh a b\n\x01\n/never\n");
  std::vector<std::string> lines;
  bool opened = false;
  config_option_lines(config_, '-', &lines, &opened);
  EXPECT_TRUE(opened);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"/d", "-o\t", "/xb", "/ev", "/sh a b"}));
}

TEST_F(ConfigFilePass, OptionsPassAppliesLinesInFileOrder) {
  dir_.write("kavo.cfg", "switch=-\n/d\n-o\n/c\n/c-\nd\n# /test\n");
  RunOptions options;
  FilterSet filters;
  config_apply_options(config_, '-', &options, &filters);
  EXPECT_TRUE(options.recurse_subdirs && options.overwrite);
  EXPECT_FALSE(options.continue_on_error || options.test_mode);
  // An invalid line is reported as the file's, after the lines before it.
  dir_.write("kavo.cfg", "/d\n/nosuchoption\n");
  options = RunOptions();
  Outcome r =
      run([&] { config_apply_options(config_, '/', &options, &filters); });
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(options.recurse_subdirs);
  EXPECT_NE(r.err.find("設定ファイル無効オプション  /nosuchoption\n"),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace kavo

#include "driver/config_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "driver/options.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/platform.h"

namespace kavo {
namespace {

// ---- Line reader ---------------------------------------------------------

struct ReadLine {
  ConfigReadStatus status;
  std::string text;
  ConfigLineEnd end;
};

std::vector<ReadLine> read_all(const std::string& bytes,
                               bool spaces_only = false) {
  ConfigReader reader;
  reader.bytes = bytes;
  reader.trim_spaces_only = spaces_only;
  std::vector<ReadLine> lines;
  for (int guard = 0; guard < 100; ++guard) {
    ReadLine line;
    line.status = config_read_line(&reader, &line.text, &line.end);
    lines.push_back(line);
    if (line.status != ConfigReadStatus::kLine) break;
  }
  return lines;
}

constexpr ConfigReadStatus kLine = ConfigReadStatus::kLine;
constexpr ConfigReadStatus kEnd = ConfigReadStatus::kEnd;
constexpr ConfigReadStatus kBinary = ConfigReadStatus::kBinary;
constexpr ConfigLineEnd kNone = ConfigLineEnd::kNone;
constexpr ConfigLineEnd kLf = ConfigLineEnd::kLf;
constexpr ConfigLineEnd kCrLf = ConfigLineEnd::kCrLf;
constexpr ConfigLineEnd kCr = ConfigLineEnd::kCr;

struct ReaderCase {
  const char* name;
  std::string bytes;
  std::vector<ReadLine> expected;
};

TEST(ConfigReadLine, LinesEndsCommentsAndBinaryData) {
  const ReaderCase cases[] = {
      {"lf",
       "/d\n/o\n",
       {{kLine, "/d", kLf}, {kLine, "/o", kLf}, {kEnd, "", kNone}}},
      {"crlf then last line without end",
       "/d\r\n/o",
       {{kLine, "/d", kCrLf}, {kLine, "/o", kNone}, {kEnd, "", kNone}}},
      {"cr",
       "/d\r/o\r",
       {{kLine, "/d", kCr}, {kLine, "/o", kCr}, {kEnd, "", kNone}}},
      {"cr then crlf",
       "x\r\r\n",
       {{kLine, "x", kCr}, {kLine, "", kCrLf}, {kEnd, "", kNone}}},
      {"blank lines",
       "\n  \t\n",
       {{kLine, "", kLf}, {kLine, "", kLf}, {kEnd, "", kNone}}},
      {"white space around",
       " \t\v\f/d /o \t\v\f\n",
       {{kLine, "/d /o", kLf}, {kEnd, "", kNone}}},
      {"white space only at the end", "   ", {{kEnd, "", kNone}}},
      {"comment line",
       "# note\n;note\n",
       {{kLine, "", kLf}, {kLine, "", kLf}, {kEnd, "", kNone}}},
      {"comment inside a value",
       "/shC:\\a;b\n/d # x\n",
       {{kLine, "/shC:\\a", kLf}, {kLine, "/d", kLf}, {kEnd, "", kNone}}},
      {"comment at the end of the file",
       "/d #x",
       {{kLine, "/d", kNone}, {kEnd, "", kNone}}},
      {"final ctrl-z ends the file",
       "/d\n\x1a",
       {{kLine, "/d", kLf}, {kEnd, "", kNone}}},
      {"ctrl-z right after text",
       "/d\x1a",
       {{kLine, "/d", kNone}, {kEnd, "", kNone}}},
      {"ctrl-z before more bytes", "/d\x1a\n", {{kBinary, "/d", kNone}}},
      {"ctrl-z before text", "\x1a/d", {{kBinary, "", kNone}}},
      {"0x7f in a comment", "/d #\x7f\n", {{kBinary, "/d ", kNone}}},
      {"0xff in a comment", "/d ;\xff", {{kBinary, "/d ", kNone}}},
      {"binary on the second line",
       "/d\n\x01",
       {{kLine, "/d", kLf}, {kBinary, "", kNone}}},
      {"tab bell backspace escape are text",
       "/d\t\x07\x08\x1bx\n",
       {{kLine, "/d\t\x07\x08\x1bx", kLf}, {kEnd, "", kNone}}},
      {"nul ends the usable text",
       std::string("/d \0/o\n", 7),
       {{kLine, "/d", kLf}, {kEnd, "", kNone}}},
      {"bytes 0x80-0xfe are text",
       "/sh\x95\x5c\xfe\n",
       {{kLine, "/sh\x95\x5c\xfe", kLf}, {kEnd, "", kNone}}},
  };
  for (const ReaderCase& c : cases) {
    std::vector<ReadLine> got = read_all(c.bytes);
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].status, c.expected[i].status) << c.name << " #" << i;
      EXPECT_EQ(got[i].text, c.expected[i].text) << c.name << " #" << i;
      if (got[i].status == kLine) {
        EXPECT_EQ(got[i].end, c.expected[i].end) << c.name << " #" << i;
      }
    }
  }
}

TEST(ConfigReadLine, KeepsTheFirst10240BytesOfALongLine) {
  std::string long_line = "/sh" + std::string(20000, 'x');
  std::vector<ReadLine> got = read_all(long_line + "\n/d\n");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].text, long_line.substr(0, 10240));
  EXPECT_EQ(got[1].text, "/d");
  // Binary data beyond the kept part is still found.
  got = read_all(long_line + "\x7f\n");
  EXPECT_EQ(got.back().status, kBinary);
}

TEST(ConfigReadLine, EchoReadingRemovesOnlySpacesAtTheEnd) {
  std::vector<ReadLine> got = read_all("  /d\t \n/o  \n", true);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].text, "/d\t");
  EXPECT_EQ(got[1].text, "/o");
}

// ---- Environment references ----------------------------------------------

class ConfigExpandEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KAVOCFG_TEMP", "C:\\Temp", 1);
    setenv("KAVOCFG_PCT", "%KAVOCFG_TEMP%", 1);
    setenv("KAVOCFG_REF", "%KAVOCFG_B%", 1);
    setenv("KAVOCFG_B", "b", 1);
    unsetenv("KAVOCFG_UNDEFINED");
  }
};

TEST_F(ConfigExpandEnv, ReplacesReferences) {
  const struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"/lt%KAVOCFG_TEMP%\\*\\", "/ltC:\\Temp\\*\\"},
      {"/lt%kavocfg_temp%", "/ltC:\\Temp"},
      {"/d%KAVOCFG_UNDEFINED%x", "/dx"},
      {"/sf50%", "/sf50%"},
      {"%KAVOCFG_B%%KAVOCFG_B%", "bb"},
      {"/a%%b", "/ab"},
      // A value is inserted as it is and never scanned again.
      {"/x%KAVOCFG_PCT%", "/x%KAVOCFG_TEMP%"},
      // A later reference is replaced where it stands, not at the same
      // text inside the value inserted before it.
      {"/x%KAVOCFG_REF%-%KAVOCFG_B%", "/x%KAVOCFG_B%-b"},
      // The pair is the first two per-cent signs, whatever lies between.
      {"/x50% %KAVOCFG_B%", "/x50KAVOCFG_B%"},
  };
  for (const auto& c : cases) {
    std::string line = c.line;
    EXPECT_TRUE(expand_env_refs(&line)) << c.line;
    EXPECT_EQ(line, c.expected) << c.line;
  }
}

TEST_F(ConfigExpandEnv, NamesUpTo1022Bytes) {
  std::string name(1022, 'N');
  setenv(name.c_str(), "v", 1);
  std::string line = "/x%" + name + "%";
  ASSERT_TRUE(expand_env_refs(&line));
  EXPECT_EQ(line, "/xv");
  // A longer name ends the expansion; the line stays as it is.
  std::string longer(1023, 'N');
  setenv(longer.c_str(), "v", 1);
  line = "/x%" + longer + "%%KAVOCFG_B%";
  std::string before = line;
  ASSERT_TRUE(expand_env_refs(&line));
  EXPECT_EQ(line, before);
  unsetenv(name.c_str());
  unsetenv(longer.c_str());
}

TEST_F(ConfigExpandEnv, RefusesALineThatOutgrowsItsBuffer) {
  setenv("KAVOCFG_BIG", std::string(6000, 'v').c_str(), 1);
  std::string line = "/x%KAVOCFG_BIG%%KAVOCFG_BIG%";
  std::string before = line;
  EXPECT_FALSE(expand_env_refs(&line));
  EXPECT_EQ(line, before);

  // Exactly the capacity fits.
  setenv("KAVOCFG_FILL", std::string(kConfigLineCapacity - 2, 'v').c_str(), 1);
  line = "/x%KAVOCFG_FILL%";
  ASSERT_TRUE(expand_env_refs(&line));
  EXPECT_EQ(line.size(), kConfigLineCapacity);
  line = "/xy%KAVOCFG_FILL%";
  EXPECT_FALSE(expand_env_refs(&line));

  // So does a line already too long without any reference.
  line = std::string(kConfigLineCapacity + 1, 'x');
  EXPECT_FALSE(expand_env_refs(&line));
  unsetenv("KAVOCFG_BIG");
  unsetenv("KAVOCFG_FILL");
}

// ---- Switch lines and the file's path --------------------------------------

TEST(ConfigSwitchLine, SetsTheSwitchCharacter) {
  const struct {
    const char* line;
    char current;
    char expected;
  } cases[] = {
      {"switch=-", '/', '-'},
      {"switch = -", '/', '-'},
      {"switch=\t\v-x", '/', '-'},
      {"switchchar=+", '/', '+'},
      {"switch=-=+", '/', '-'},
      {"Switch=-", '/', '/'},
      {"SWITCH=-", '-', '-'},
      {"switch -", '+', '+'},
      {"x switch=-", '/', '/'},
      {"/switch=-", '/', '/'},
      // Nothing after '=' leaves '/' alone, never the end of the text.
      {"switch=", '-', '/'},
      {"switch=  ", '-', '/'},
  };
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
      {"C:\\tools\\other.exe", "C:\\tools\\other.cfg"},
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

// A directory with a program path in it, as the driver would have it.
class ConfigFilePass : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kavo_config_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    program_ = internal(dir_ + "/kavo");
    config_ = internal(dir_ + "/kavo.cfg");
    channels_reset();
  }
  void TearDown() override {
    unlink((dir_ + "/kavo.cfg").c_str());
    rmdir((dir_ + "/kavo.cfg").c_str());
    rmdir(dir_.c_str());
  }
  static std::string internal(std::string path) {
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  void write_config(const std::string& bytes) {
    std::ofstream(dir_ + "/kavo.cfg", std::ios::binary) << bytes;
  }

  // Runs the switch pass; returns its error output ("" when none) and sets
  // *code to the exit code it ended with (-1 when it returned).
  std::string switch_pass_error(char* switch_char, int* code) {
    *code = -1;
    testing::internal::CaptureStderr();
    try {
      *switch_char = config_read_switch_char(program_);
    } catch (const ProcessExit& exit) {
      *code = exit.code;
    }
    return testing::internal::GetCapturedStderr();
  }

  std::string listing(char switch_char) {
    testing::internal::CaptureStdout();
    config_list_options(config_, switch_char);
    console_flush();
    return testing::internal::GetCapturedStdout();
  }

  std::string dir_;
  std::string program_;
  std::string config_;
};

TEST_F(ConfigFilePass, SwitchPassLastSwitchLineWins) {
  write_config("# options\nswitch=+\n/d\nswitch = -\nSwitch=*\n");
  char switch_char = 0;
  int code = 0;
  EXPECT_EQ(switch_pass_error(&switch_char, &code), "");
  EXPECT_EQ(code, -1);
  EXPECT_EQ(switch_char, '-');
}

TEST_F(ConfigFilePass, SwitchPassExpandsReferences) {
  setenv("KAVOCFG_SWITCH", "-", 1);
  write_config("switch=%KAVOCFG_SWITCH%\n");
  EXPECT_EQ(config_read_switch_char(program_), '-');
}

TEST_F(ConfigFilePass, NoFileOrADirectoryGivesSlash) {
  EXPECT_EQ(config_read_switch_char(program_), '/');
  EXPECT_EQ(listing('/'), "設定ファイルが存在しません。\n");
  mkdir((dir_ + "/kavo.cfg").c_str(), 0755);
  EXPECT_EQ(config_read_switch_char(program_), '/');
  EXPECT_EQ(listing('/'), "設定ファイルが存在しません。\n");
  std::vector<std::string> lines = {"stale"};
  bool opened = true;
  config_option_lines(config_, '/', &lines, &opened);
  EXPECT_FALSE(opened);
  EXPECT_TRUE(lines.empty());
}

TEST_F(ConfigFilePass, FaultyFilesEndTheRunWithTheLineNumber) {
  const struct {
    const char* name;
    std::string bytes;
    std::string message;  // after the file's path and its closing quote
  } cases[] = {
      {"binary in a comment", "/d\n\n# \xff\n",
       "が異常です。3行目にバイナリ・データを検出しました。"},
      {"ctrl-z in the middle", "/d\x1a/o\n",
       "が異常です。1行目にバイナリ・データを検出しました。"},
      {"lf among crlf", "/d\r\n# x\r\n/o\n/c\r\n",
       "が異常です。3行目に異なる改行コードを検出しました。"},
      {"kind fixed by a blank line", "\n/d\r\n",
       "が異常です。2行目に異なる改行コードを検出しました。"},
      {"cr among lf", "/d\n/o\r",
       "が異常です。2行目に異なる改行コードを検出しました。"},
  };
  for (const auto& c : cases) {
    write_config(c.bytes);
    char switch_char = 0;
    int code = 0;
    std::string err = switch_pass_error(&switch_char, &code);
    EXPECT_EQ(code, 1) << c.name;
    EXPECT_NE(err.find("処理停止:設定ファイル\"" + config_ + "\"" + c.message),
              std::string::npos)
        << c.name << ": " << err;
  }
}

TEST_F(ConfigFilePass, AnUnknownProgramPathEndsTheRun) {
  int code = -1;
  testing::internal::CaptureStderr();
  try {
    config_read_switch_char("");
  } catch (const ProcessExit& exit) {
    code = exit.code;
  }
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("処理停止:メモリー不足\n"), std::string::npos) << err;
}

TEST_F(ConfigFilePass, CleanFilesReadWithoutFault) {
  const char* const files[] = {
      "/d\r\n/o\r\n", "/d\r\n/o", "/d\n\x1a", "/d\t\x1b\n", "\xef\xbc\x8f\n",
  };
  for (const char* bytes : files) {
    write_config(bytes);
    char switch_char = 0;
    int code = 0;
    EXPECT_EQ(switch_pass_error(&switch_char, &code), "") << bytes;
    EXPECT_EQ(code, -1) << bytes;
  }
}

TEST_F(ConfigFilePass, ALineTooLongAfterExpansionIsRefused) {
  setenv("KAVOCFG_BIG", std::string(6000, 'v').c_str(), 1);
  write_config("/d\n/sh%KAVOCFG_BIG%,%KAVOCFG_BIG%\n");
  char switch_char = 0;
  int code = 0;
  std::string err = switch_pass_error(&switch_char, &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("設定ファイル\"" + config_ +
                     "\"が異常です。2行目が展開後に10240バイトを超えました。"),
            std::string::npos)
      << err;
  unsetenv("KAVOCFG_BIG");
}

TEST_F(ConfigFilePass, ListingShowsOptionLinesOnOneLine) {
  write_config(
      "switch=-\n/d\n\n# comment\n-o\nname=x\n/sh a b  # spaced\n/v=c\n");
  EXPECT_EQ(listing('-'), "/d -o \"/sh a b\" /v=c\n");
  EXPECT_EQ(listing('/'), "/d \"/sh a b\" /v=c\n");
  write_config("name=x\n");
  EXPECT_EQ(listing('/'), "\n");
}

TEST_F(ConfigFilePass, ListingReportsAFaultAfterItsLine) {
  write_config("/d\n/o\r\n");
  int code = -1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    config_list_options(config_, '/');
  } catch (const ProcessExit& exit) {
    code = exit.code;
  }
  console_flush();
  std::string err = testing::internal::GetCapturedStderr();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(out, "/d\n");
  EXPECT_NE(err.find("2行目に異なる改行コード"), std::string::npos) << err;
}

TEST_F(ConfigFilePass, OptionLinesForTheLog) {
  setenv("KAVOCFG_B", "b", 1);
  unsetenv("KAVOCFG_UNDEFINED");
  std::string name(1022, 'E');
  setenv(name.c_str(), "value", 1);
  // Line-end kinds are not compared here, tabs at the end stay, and
  // reading stops at binary data.
  write_config("/d\r\n-o\t\n/x%KAVOCFG_UNDEFINED%%KAVOCFG_B%\nswitch=-\n/e%" +
               name + "%\n/sh a b\n\x01\n/never\n");
  std::vector<std::string> lines;
  bool opened = false;
  config_option_lines(config_, '-', &lines, &opened);
  EXPECT_TRUE(opened);
  std::vector<std::string> expected = {"/d", "-o\t", "/xb", "/evalue",
                                       "/sh a b"};
  EXPECT_EQ(lines, expected);
  unsetenv(name.c_str());
}

TEST_F(ConfigFilePass, OptionsPassAppliesLinesInFileOrder) {
  write_config("switch=-\n/d\n-o\n/c\n/c-\nd\n# /test\n");
  RunOptions options;
  FilterSet filters;
  config_apply_options(program_, '-', &options, &filters);
  EXPECT_TRUE(options.recurse_subdirs);
  EXPECT_TRUE(options.overwrite);
  EXPECT_FALSE(options.continue_on_error);
  EXPECT_FALSE(options.test_mode);
}

TEST_F(ConfigFilePass, OptionsPassReportsAnInvalidLineAsTheFiles) {
  write_config("/d\n/nosuchoption\n");
  RunOptions options;
  FilterSet filters;
  int code = -1;
  testing::internal::CaptureStderr();
  try {
    config_apply_options(program_, '/', &options, &filters);
  } catch (const ProcessExit& exit) {
    code = exit.code;
  }
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(options.recurse_subdirs);
  EXPECT_NE(err.find("設定ファイル"), std::string::npos) << err;
}

}  // namespace
}  // namespace kavo

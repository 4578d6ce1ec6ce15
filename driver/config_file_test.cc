#include "driver/config_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/test_support.h"

namespace kavo {
namespace {

// What the reader makes of `bytes`: each line's text and the line end that
// closed it ("\n", "\r\n", "\r" or none) followed by "|", then "<end>", or
// "<binary>" after the text stored when binary data ended the reading.
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

// White space goes at both ends (the log's echo removes only spaces at
// the end), a Ctrl-Z ends the file only at its end, a NUL ends its line,
// bytes below 0x20 but tab, bell, backspace and Esc are binary, and lines
// keep their first 10240 bytes.
TEST(ConfigReadLine, LineClasses) {
  const std::string long_line = "/sh" + std::string(20000, 'x');
  const std::string kept = long_line.substr(0, 10240);
  const std::pair<std::string, std::string> cases[] = {
      {"x\r\r\n", "x\r|\r\n|<end>"},
      {" \t\v\f/d /o \t\v\f\n", "/d /o\n|<end>"},
      {"/shC:\\a;b\n/d # x\n", "/shC:\\a\n|/d\n|<end>"},
      {"/d\x1a", "/d|<end>"},
      {"\x1a/d", "<binary>"},
      {"/d\n\x01", "/d\n|<binary>"},
      {"/d\t\x07\x08\x1bx\n", "/d\t\x07\x08\x1bx\n|<end>"},
      {std::string("/d \0/o\n", 7), "/d\n|<end>"},
      {"/sh\x95\x5c\xfe\n", "/sh\x95\x5c\xfe\n|<end>"},
      {long_line + "\n/d\n", kept + "\n|/d\n|<end>"},
      {long_line + "\x7f\n", kept + "<binary>"},
  };
  for (const auto& [bytes, read] : cases) {
    EXPECT_EQ(read, transcript(bytes)) << bytes.substr(0, 20);
  }
  EXPECT_EQ("/d\t\n|/o\n|<end>", transcript("  /d\t \n/o  \n", true));
}

// A reference is replaced where it stands and its value never scanned
// again; a line the result would outgrow is refused and stays as it was.
TEST(ConfigExpandEnv, ReplacesReferences) {
  const std::string too_long_name(kConfigEnvNameCapacity + 1, 'N');
  const std::string fill(kConfigLineCapacity - 2, 'v');
  const std::pair<std::string, std::string> variables[] = {
      {"KAVOCFG_PCT", "%KAVOCFG_B%"},
      {"KAVOCFG_B", "b"},
      {"KAVOCFG_FILL", fill},
      {too_long_name, "v"}};
  for (const auto& [name, value] : variables) {
    kavo_testing::set_environment(name, value.c_str());
  }
  const struct {
    std::string line, expected;
    bool refused = false;
  } cases[] = {
      {"/sf50%", "/sf50%"},
      {"/x%KAVOCFG_PCT%-%kavocfg_b%", "/x%KAVOCFG_B%-b"},
      {"/x50% %KAVOCFG_B%", "/x50KAVOCFG_B%"},
      {"/x%" + too_long_name + "%%KAVOCFG_B%",
       "/x%" + too_long_name + "%%KAVOCFG_B%"},
      {"/x%KAVOCFG_FILL%", "/x" + fill},
      {"/xy%KAVOCFG_FILL%", "/xy%KAVOCFG_FILL%", true},
  };
  for (const auto& c : cases) {
    std::string line = c.line;
    EXPECT_EQ(!c.refused, expand_env_refs(&line)) << c.line.substr(0, 40);
    EXPECT_EQ(c.expected, line) << c.line.substr(0, 40);
  }
  for (const auto& [name, value] : variables) {
    kavo_testing::set_environment(name, nullptr);
  }
}

}  // namespace
}  // namespace kavo

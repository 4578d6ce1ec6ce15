#include "driver/config_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

}  // namespace
}  // namespace kavo

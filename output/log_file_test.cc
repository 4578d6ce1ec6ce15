#include "output/log_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// The log of a run with `words` that ends on 19 April 2005 09:05:03 UTC
// after `elapsed` seconds, from just after its start line.
std::string logged(const std::vector<std::string>& words, uint32_t elapsed) {
  kavo_testing::use_time_zone("UTC");
  kavo_testing::set_environment("KAVO_ENCODING", "CP932");
  kavo_testing::ScratchDir dir;
  bool in_use = true;
  TextFile* log =
      log_open(&in_use, dir.internal("run.log"), 1, words, "kavo", "1.37");
  EXPECT_FALSE(in_use);
  if (log == nullptr) return "(not opened)";
  EXPECT_EQ(0, log_close(log, kavo_testing::utc_seconds(2005, 4, 19, 9, 5, 3),
                         elapsed, "kavo", true));
  std::string text = dir.read("run.log");
  const std::string version = "［kavo 第1.37版］\r\n";
  return text.substr(text.find(version) + version.size());
}

// Words with a space are quoted (a tab is no space); the two strings
// always end with a space, even when empty.
TEST(LogFileTest, CommandLineAndFooter) {
  const struct {
    std::vector<std::string> words;
    std::string line;
  } cases[] = {
      {{"\\k", "abc", "xyz"}, "\\k abc xyz "},
      {{"\\k", "", "", "*.txt"}, "\\k   *.txt"},
      {{"\\my tools\\k", "a b", "c", "/sd\"x y\"", "a\tb"},
       "\"\\my tools\\k\" \"a b\" c \"/sd\"x y\"\" a\tb"},
  };
  const std::string end = "\r\nkavo実行終了 2005年04月19日(火) 09時05分03秒";
  for (const auto& c : cases) {
    EXPECT_EQ(c.line + "\r\n\r\n" + end + "（処理時間 00時間00分00秒）\r\n",
              logged(c.words, 0));
  }
  EXPECT_EQ("\\k a b \r\n\r\n" + end + "（処理時間 01時間02分05秒）\r\n",
            logged({"\\k", "a", "b"}, 3725));
  EXPECT_EQ("\\k a b \r\n\r\n" + end + "（処理時間 100時間01分01秒）\r\n",
            logged({"\\k", "a", "b"}, 360061));
}

}  // namespace
}  // namespace kavo

#include "output/log_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// The log of a run with `words` ending on 19 April 2005 09:05:03 (the tests
// run in UTC) after `elapsed` seconds, from after its start line. Words
// with a space are quoted (a tab is no space); the two strings always end
// with a space, even when empty.
TEST(LogFileTest, CommandLineAndFooter) {
  const struct {
    std::vector<std::string> words;
    uint32_t elapsed;
    std::string log;
  } cases[] = {
      {{"\\k", "", "", "*.txt"}, 0, "\\k   *.txt|00時間00分00秒"},
      {{"\\my tools\\k", "a b", "c", "/sd\"x y\"", "a\tb"},
       3725,
       "\"\\my tools\\k\" \"a b\" c \"/sd\"x y\"\" a\tb|01時間02分05秒"},
      {{"\\k", "a", "b"}, 360061, "\\k a b |100時間01分01秒"},
  };
  for (const auto& c : cases) {
    kavo_testing::ScratchDir dir;
    bool in_use = true;
    TextFile* log = log_open(&in_use, dir.internal("run.log"), kLogCreate,
                             c.words, "kavo", "1.37");
    ASSERT_NE(log, nullptr);
    EXPECT_FALSE(in_use);
    EXPECT_EQ(0, log_close(log, 1113901503, c.elapsed, "kavo", true));
    std::string text;
    ASSERT_TRUE(read_file_bytes(dir.internal("run.log"), &text));
    const std::string start = "［kavo 第1.37版］\r\n";
    text.erase(0, text.find(start) + start.size());
    size_t bar = c.log.find('|');
    EXPECT_EQ(text, c.log.substr(0, bar) +
                        "\r\n\r\n\r\nkavo実行終了 2005年04月19日(火) "
                        "09時05分03秒（処理時間 " +
                        c.log.substr(bar + 1) + "）\r\n");
  }
}

}  // namespace
}  // namespace kavo

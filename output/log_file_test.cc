#include "output/log_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// 19 April 2005, a Tuesday, and the footer of a run that ends then at once.
const int64_t kTuesday = kavo_testing::utc_seconds(2005, 4, 19, 9, 5, 3);
const char kFooter[] =
    "\r\nkavo実行終了 2005年04月19日(火) 09時05分03秒（処理時間 "
    "00時間00分00秒）\r\n";

// The start line as it reads for a log opened at `when` (the tests run in
// UTC).
std::string start_line_at(int64_t when) {
  const char* weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
  time_t seconds = when;
  const struct tm* t = gmtime(&seconds);
  char line[200];
  snprintf(line, sizeof line,
           "kavo実行開始 %d年%02d月%02d日(%s) %02d時%02d分%02d秒 ［kavo "
           "第1.37版］\r\n",
           t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, weekdays[t->tm_wday],
           t->tm_hour, t->tm_min, t->tm_sec);
  return line;
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kavo_testing::set_environment("KAVO_ENCODING", "CP932");
    kavo_testing::use_time_zone("UTC");
  }

  // Opens the log, writes `body`, closes it at `end` after `elapsed`
  // seconds and returns the file, with the start line (checked against the
  // moments around the open) shown as "<start>".
  std::string logged(int mode, const std::vector<std::string>& words,
                     const std::string& body = "", int64_t end = kTuesday,
                     uint32_t elapsed = 0) {
    bool in_use = true;
    int64_t before = current_time();
    TextFile* log = log_open(&in_use, dir_.internal("run.log"), mode, words,
                             "kavo", "1.37");
    int64_t after = current_time();
    EXPECT_FALSE(in_use);
    if (log == nullptr) return "(not opened)";
    EXPECT_TRUE(text_file_write(log, body.data(), body.size()));
    EXPECT_EQ(0, log_close(log, end, elapsed, "kavo", true));
    std::string text = dir_.read("run.log");
    for (int64_t t = before; t <= after; ++t) {
      size_t at = text.find(start_line_at(t));
      if (at != std::string::npos) {
        return text.replace(at, start_line_at(t).size(), "<start>");
      }
    }
    return text;
  }

  kavo_testing::ScratchDir dir_;
};

TEST_F(LogFileTest, CreatedLogHoldsHeaderBodyAndFooter) {
  const struct {
    int64_t end;
    uint32_t elapsed;
    const char* footer;
  } cases[] = {
      {kTuesday, 3725,
       "2005年04月19日(火) 09時05分03秒（処理時間 01時間02分05秒）"},
      {kTuesday + 86400 * 5, 360061,
       "2005年04月24日(日) 09時05分03秒（処理時間 100時間01分01秒）"},
  };
  for (const auto& c : cases) {
    // Whatever the file held before is gone.
    dir_.write("run.log", "old content\r\n");
    EXPECT_EQ(
        "<start>\\usr\\bin\\kavo abc xyz /v /d *.txt\r\n\r\na→b\r\n"
        "\r\nkavo実行終了 " +
            std::string(c.footer) + "\r\n",
        logged(1, {"\\usr\\bin\\kavo", "abc", "xyz", "/v", "/d", "*.txt"},
               "a→b\n", c.end, c.elapsed));
  }
}

TEST_F(LogFileTest, CommandLineQuotesWordsWithSpacesAndKeepsSeparators) {
  const struct {
    std::vector<std::string> words;
    std::string line;
  } cases[] = {
      {{"\\k", "abc", "xyz"}, "\\k abc xyz "},
      {{"\\k", "", "xyz", "*.txt"}, "\\k  xyz *.txt"},
      {{"\\k", "abc", "", "*.txt"}, "\\k abc  *.txt"},
      {{"\\k", "", ""}, "\\k   "},
      {{"\\k", "a b", "c", "/d", "my file.txt"},
       "\\k \"a b\" c /d \"my file.txt\""},
      {{"\\my tools\\k", "a", "b", "/sd\"x y\"", "f"},
       "\"\\my tools\\k\" a b \"/sd\"x y\"\" f"},
      {{"\\k", "a", "b", "/v", "/o", "/d", "x"}, "\\k a b /v /o /d x"},
      // A tab is not a space: such a word stays unquoted.
      {{"\\k", "a\tb", "c", "x"}, "\\k a\tb c x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ("<start>" + c.line + "\r\n\r\n" + kFooter, logged(1, c.words));
  }
}

// An existing file, even an empty one, is continued after a rule line; a
// missing one is created without it.
TEST_F(LogFileTest, AppendingAddsARuleLineAfterAnExistingFile) {
  const std::string rule(79, '-');
  const struct {
    bool exists;
    const char* old;
  } cases[] = {{false, ""}, {true, "old entry\r\n"}, {true, ""}};
  for (const auto& c : cases) {
    std::remove(dir_.native("run.log").c_str());
    if (c.exists) dir_.write("run.log", c.old);
    EXPECT_EQ(c.old + (c.exists ? rule + "\r\n" : "") +
                  "<start>\\k a b x\r\n\r\n" + kFooter,
              logged(2, {"\\k", "a", "b", "x"}))
        << "exists " << c.exists << ", old content: " << c.old;
  }
}

TEST_F(LogFileTest, OpenFailsInAMissingDirectoryAndCloseWithoutALog) {
  for (int mode : {1, 2}) {
    bool in_use = true;
    EXPECT_EQ(nullptr, log_open(&in_use, dir_.internal("none/run.log"), mode,
                                {"\\k", "a", "b"}, "kavo", "1.37"));
    EXPECT_FALSE(in_use) << "mode " << mode;
  }
  EXPECT_NE(0, log_close(nullptr, kTuesday, 0, "kavo", true));
}

}  // namespace
}  // namespace kavo

#include "output/log_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kavo {
namespace {

const char kRule[] =
    "-------------------------------------------------------------------------"
    "------\r\n";

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_all(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string internal_path(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// 19 April 2005, a Tuesday, 09:05:03 UTC.
int64_t sample_time() {
  struct tm t = {};
  t.tm_year = 105;
  t.tm_mon = 3;
  t.tm_mday = 19;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  return timegm(&t);
}

// The start line as it reads for a log opened at `when` (UTC).
std::string start_line_at(int64_t when) {
  const char* weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
  time_t seconds = when;
  struct tm t;
  gmtime_r(&seconds, &t);
  char line[200];
  snprintf(line, sizeof line,
           "kavo実行開始 %d年%02d月%02d日(%s) %02d時%02d分%02d秒 ［kavo "
           "第1.37版］\r\n",
           t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, weekdays[t.tm_wday],
           t.tm_hour, t.tm_min, t.tm_sec);
  return line;
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KAVO_ENCODING", "CP932", 1);
    setenv("TZ", "UTC", 1);
    tzset();
    char templ[] = "/tmp/kavo-log-XXXXXX";
    dir_ = mkdtemp(templ);
    path_ = dir_ + "/run.log";
  }
  void TearDown() override {
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(0, system(command.c_str()));
  }

  // Opens the log, checking the start line's time against the moments
  // around the call; returns null when log_open did.
  TextFile* open(int mode, const std::vector<std::string>& words,
                 bool* in_use) {
    int64_t before = current_time();
    TextFile* log =
        log_open(in_use, internal_path(path_), mode, words, "kavo", "1.37");
    int64_t after = current_time();
    if (log != nullptr) {
      // Make the header visible on disk to find its start line.
      text_file_flush(log);
      start_line_ = "";
      std::string text = read_all(path_);
      for (int64_t t = before; t <= after; ++t) {
        if (text.find(start_line_at(t)) != std::string::npos) {
          start_line_ = start_line_at(t);
        }
      }
      EXPECT_NE("", start_line_) << text;
    }
    return log;
  }
  // The command line of the words, as written between start line and body.
  std::string header_with(const std::vector<std::string>& words) {
    bool in_use = true;
    TextFile* log = open(1, words, &in_use);
    EXPECT_FALSE(in_use);
    if (log == nullptr) return "(not opened)";
    EXPECT_EQ(0, log_close(log, sample_time(), 0, "kavo", true));
    std::string text = read_all(path_);
    size_t start = start_line_.size();
    size_t end = text.find("\r\n\r\n", start);
    return text.substr(start, end - start);
  }

  std::string dir_;
  std::string path_;
  std::string start_line_;
};

TEST_F(LogFileTest, CreatedLogHoldsHeaderBodyAndFooter) {
  bool in_use = true;
  TextFile* log =
      open(1, {"\\usr\\bin\\kavo", "abc", "xyz", "/v", "/d", "*.txt"}, &in_use);
  ASSERT_NE(nullptr, log);
  EXPECT_FALSE(in_use);
  ASSERT_TRUE(text_file_write(log, "a→b\n", 5));
  EXPECT_EQ(0, log_close(log, sample_time(), 3725, "kavo", true));
  EXPECT_EQ(start_line_ +
                "\\usr\\bin\\kavo abc xyz /v /d *.txt\r\n"
                "\r\n"
                "a→b\r\n"
                "\r\n"
                "kavo実行終了 2005年04月19日(火) 09時05分03秒"
                "（処理時間 01時間02分05秒）\r\n",
            read_all(path_));
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
    EXPECT_EQ(c.line, header_with(c.words)) << c.line;
  }
}

TEST_F(LogFileTest, AppendToMissingFileHasNoRuleLine) {
  bool in_use = true;
  TextFile* log = open(2, {"\\k", "a", "b", "x"}, &in_use);
  ASSERT_NE(nullptr, log);
  EXPECT_EQ(0, log_close(log, sample_time(), 0, "kavo", true));
  std::string text = read_all(path_);
  EXPECT_EQ(0u, text.find(start_line_)) << text;
}

TEST_F(LogFileTest, AppendToExistingFileAddsRuleLineAfterOldContent) {
  const std::string olds[] = {"old entry\r\n", ""};
  for (const std::string& old : olds) {
    write_all(path_, old);
    bool in_use = true;
    TextFile* log = open(2, {"\\k", "a", "b", "x"}, &in_use);
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(0, log_close(log, sample_time(), 59, "kavo", true));
    EXPECT_EQ(old + kRule + start_line_ +
                  "\\k a b x\r\n\r\n\r\nkavo実行終了 2005年04月19日(火) "
                  "09時05分03秒（処理時間 00時間00分59秒）\r\n",
              read_all(path_))
        << "old content: " << old;
  }
}

TEST_F(LogFileTest, FooterShowsHoursBeyond99) {
  bool in_use = true;
  TextFile* log = open(1, {"\\k", "a", "b"}, &in_use);
  ASSERT_NE(nullptr, log);
  EXPECT_EQ(0, log_close(log, sample_time() + 86400 * 5, 360061, "kavo", true));
  std::string text = read_all(path_);
  std::string tail =
      "\r\nkavo実行終了 2005年04月24日(日) 09時05分03秒"
      "（処理時間 100時間01分01秒）\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(tail, text.substr(text.size() - tail.size()));
}

TEST_F(LogFileTest, OpenFailsInAMissingDirectory) {
  bool in_use = true;
  EXPECT_EQ(nullptr, log_open(&in_use, internal_path(dir_ + "/none/run.log"), 1,
                              {"\\k", "a", "b"}, "kavo", "1.37"));
  EXPECT_FALSE(in_use);
  EXPECT_EQ(nullptr, log_open(&in_use, internal_path(dir_ + "/none/run.log"), 2,
                              {"\\k", "a", "b"}, "kavo", "1.37"));
  EXPECT_FALSE(in_use);
}

TEST_F(LogFileTest, FileLockedByAnotherProcessIsInUse) {
  write_all(path_, "kept\r\n");
  int ready[2];
  int release[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(release));
  pid_t child = fork();
  if (child == 0) {
    int fd = ::open(path_.c_str(), O_RDONLY);
    flock(fd, LOCK_EX);
    char c = 'x';
    if (write(ready[1], &c, 1) != 1) _exit(1);
    if (read(release[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  for (int mode : {1, 2}) {
    bool in_use = false;
    EXPECT_EQ(nullptr, log_open(&in_use, internal_path(path_), mode,
                                {"\\k", "a", "b"}, "kavo", "1.37"));
    EXPECT_TRUE(in_use) << "mode " << mode;
  }
  EXPECT_EQ(1, write(release[1], "x", 1));
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ("kept\r\n", read_all(path_));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST_F(LogFileTest, CloseReportsAnyFailedWrite) {
  bool in_use = true;
  TextFile* log = log_open(&in_use, internal_path("/dev/full"), 1,
                           {"\\k", "a", "b"}, "kavo", "1.37");
  ASSERT_NE(nullptr, log);
  EXPECT_NE(0, log_close(log, sample_time(), 0, "kavo", true));
  log = log_open(&in_use, internal_path("/dev/full"), 1, {"\\k", "a", "b"},
                 "kavo", "1.37");
  ASSERT_NE(nullptr, log);
  EXPECT_NE(0, log_close(log, sample_time(), 0, "kavo", false));
  EXPECT_NE(0, log_close(nullptr, sample_time(), 0, "kavo", true));
}

}  // namespace
}  // namespace kavo

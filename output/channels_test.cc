#include "output/channels.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "output/pager.h"
#include "platform/platform.h"

namespace kavo {
namespace {

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The internal form of a Linux path: `\` separates directories.
std::string internal_path(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Sends standard output and standard error to files while it lives.
class CapturedOutput {
 public:
  explicit CapturedOutput(const std::string& dir)
      : out_path_(dir + "/stdout"), err_path_(dir + "/stderr") {
    saved_out_ = redirect(1, out_path_);
    saved_err_ = redirect(2, err_path_);
  }
  ~CapturedOutput() { restore(); }

  std::string out() {
    restore();
    return read_all(out_path_);
  }
  std::string err() {
    restore();
    return read_all(err_path_);
  }

 private:
  static int redirect(int fd, const std::string& path) {
    int saved = dup(fd);
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, fd);
    close(file);
    return saved;
  }
  void restore() {
    if (saved_out_ < 0) return;
    console_flush();
    dup2(saved_out_, 1);
    dup2(saved_err_, 2);
    close(saved_out_);
    close(saved_err_);
    saved_out_ = saved_err_ = -1;
  }

  std::string out_path_;
  std::string err_path_;
  int saved_out_ = -1;
  int saved_err_ = -1;
};

class ChannelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KAVO_ENCODING", "CP932", 1);
    char templ[] = "/tmp/kavo-channels-XXXXXX";
    dir_ = mkdtemp(templ);
    log_path_ = dir_ + "/run.log";
    channels_reset();
    pager_reset();
  }
  void TearDown() override {
    if (TextFile* log = channels_detach_log()) text_file_close(log);
    channels_reset();
    pager_reset();
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(0, system(command.c_str()));
  }

  // Opens the run's log and hands it to the channels.
  void attach_log() {
    TextFile* log =
        text_file_open(internal_path(log_path_), TextFileMode::kCreate);
    ASSERT_NE(nullptr, log);
    channels_attach_log(log, internal_path(log_path_));
  }
  // Closes the log as the end of a run would and returns its bytes.
  std::string log_text() {
    if (TextFile* log = channels_detach_log()) {
      EXPECT_TRUE(text_file_close(log));
    }
    return read_all(log_path_);
  }

  std::string dir_;
  std::string log_path_;
};

TEST_F(ChannelsTest, EstimateColumnsFollowsTheDirectiveTable) {
  struct Case {
    const char* what;
    int got;
    int want;
  };
  const Case cases[] = {
      {"plain text", estimate_columns("abc"), 3},
      {"tab in format", estimate_columns("a\tb"), 10},
      {"per-cent sign", estimate_columns("100%%"), 4},
      {"%c", estimate_columns("[%c]", 'x'), 3},
      {"%d zero", estimate_columns("%d", 0), 1},
      {"%d five digits", estimate_columns("n=%d", 12345), 7},
      {"%d negative counts as unsigned", estimate_columns("%d", -1), 10},
      {"%u largest", estimate_columns("x%uy", 4294967295u), 12},
      {"%s", estimate_columns("<%s>", "abc"), 5},
      {"%s with tab", estimate_columns("%s", "a\tb"), 10},
      {"%s double-byte", estimate_columns("%s→%s\n", "a.txt", "b.txt"), 13},
      {"%ld", estimate_columns("%ld", 123L), 3},
      {"%lu beyond 32 bits", estimate_columns("%lu", 4294967296UL), 1},
      {"%*d width wins", estimate_columns("%*d", 5, 42), 5},
      {"%*d digits win", estimate_columns("%*d", 1, 12345), 5},
      {"%-*s width wins", estimate_columns("%-*s|", 10, "abc"), 11},
      {"%-*s text wins", estimate_columns("%-*s", 2, "abcd"), 4},
      {"%-*s tab", estimate_columns("%-*s", 2, "a\tb"), 10},
      {"arguments in order", estimate_columns("%d %s %d", 7, "xy", 100), 8},
      {"unknown directive stops", estimate_columns("ab%xcd%s", 1, "zzz"), 8},
  };
  for (const Case& c : cases) EXPECT_EQ(c.want, c.got) << c.what;
}

TEST_F(ChannelsTest, MessageGoesToStandardOutputAndIdenticallyToTheLog) {
  attach_log();
  CapturedOutput captured(dir_);
  print_message("%s→%s\n", "a.txt", "b.txt");
  print_message("改名成功:%d個\n", 1);
  EXPECT_EQ("a.txt→b.txt\n改名成功:1個\n", captured.out());
  EXPECT_EQ("", captured.err());
  EXPECT_EQ("a.txt→b.txt\r\n改名成功:1個\r\n", log_text());
}

TEST_F(ChannelsTest, LongMessagesAreWrittenWhole) {
  attach_log();
  std::string name(3000, 'n');
  CapturedOutput captured(dir_);
  print_message("%s|%s\n", name.c_str(), name.c_str());
  EXPECT_EQ(name + "|" + name + "\n", captured.out());
  EXPECT_EQ(name + "|" + name + "\r\n", log_text());
}

TEST_F(ChannelsTest, ScreenOnlyOutputIsNotLogged) {
  attach_log();
  CapturedOutput captured(dir_);
  print_unpaged("処理時間:%d秒", 5);
  print_screen("\n");
  EXPECT_EQ("処理時間:5秒\n", captured.out());
  EXPECT_EQ("", log_text());
}

TEST_F(ChannelsTest, FatalStopLineHasBellOnScreenAndNoneInLog) {
  attach_log();
  print_message("a→b\n");
  CapturedOutput captured(dir_);
  try {
    print_fatal("ファイル名に \"%s\" は使用できません。", "*");
    ADD_FAILURE() << "print_fatal returned";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(1, exit.code);
  }
  EXPECT_EQ("a→b\n", captured.out());
  EXPECT_EQ("\n\a処理停止:ファイル名に \"*\" は使用できません。\n",
            captured.err());
  // Ending the process released the log as it stood, without a footer.
  EXPECT_EQ(nullptr, channels_detach_log());
  EXPECT_EQ("a→b\r\n\r\n処理停止:ファイル名に \"*\" は使用できません。\r\n",
            read_all(log_path_));
}

TEST_F(ChannelsTest, EarlyFatalTouchesNeitherLogNorStandardOutput) {
  attach_log();
  CapturedOutput captured(dir_);
  EXPECT_THROW(print_fatal_early("メモリー不足"), ProcessExit);
  EXPECT_EQ("", captured.out());
  EXPECT_EQ("\n\a処理停止:メモリー不足\n", captured.err());
  EXPECT_EQ("", read_all(log_path_));
}

// With paging requested but no console, the first message takes the paged
// path: the log is closed and reopened for appending around the screen
// output, and paging switches itself off.
TEST_F(ChannelsTest, PagedMessageReopensTheLogAndPagingTurnsOff) {
  attach_log();
  CapturedOutput captured(dir_);
  channels_set_paging(true);
  EXPECT_EQ(0, pager_setup(true, 1));
  print_message("first %d\n", 1);
  EXPECT_FALSE(channels_paging());
  print_message("second\n");
  EXPECT_EQ("first 1\nsecond\n", captured.out());
  EXPECT_EQ("", captured.err());
  EXPECT_EQ("first 1\r\nsecond\r\n", log_text());
}

TEST_F(ChannelsTest, PagedMessageStopsWhenTheLogCannotBeReopened) {
  attach_log();
  // The log is open, but its recorded path lies in a missing directory.
  std::string gone = internal_path(dir_ + "/missing/run.log");
  TextFile* log = channels_detach_log();
  channels_attach_log(log, gone);
  channels_set_paging(true);
  pager_setup(false, 1);
  CapturedOutput captured(dir_);
  try {
    print_message("line\n");
    ADD_FAILURE() << "print_message went on without its log";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(1, exit.code);
  }
  EXPECT_EQ("line\n", captured.out());
  EXPECT_EQ(
      "\n\a処理停止:ログ・ファイル\"" + gone + "\"が再オープン出来ません。",
      captured.err());
  EXPECT_EQ("line\r\n", read_all(log_path_));
}

TEST_F(ChannelsTest, PagedMessageStopsAfterAFailedLogWrite) {
  std::string full = internal_path("/dev/full");
  TextFile* log = text_file_open(full, TextFileMode::kCreate);
  ASSERT_NE(nullptr, log);
  channels_attach_log(log, full);
  channels_set_paging(true);
  pager_setup(false, 1);
  CapturedOutput captured(dir_);
  EXPECT_THROW(print_message("line\n"), ProcessExit);
  EXPECT_EQ("line\n", captured.out());
  EXPECT_EQ("\n\a処理停止:ログ・ファイル\"" + full +
                "\"の出力に異常を検出しました。\n",
            captured.err());
}

TEST_F(ChannelsTest, UnpagedMessageDoesNotReportAFailedLogWriteAtOnce) {
  std::string full = internal_path("/dev/full");
  TextFile* log = text_file_open(full, TextFileMode::kCreate);
  ASSERT_NE(nullptr, log);
  channels_attach_log(log, full);
  CapturedOutput captured(dir_);
  print_message("line\n");
  EXPECT_EQ("line\n", captured.out());
  EXPECT_EQ("", captured.err());
  // The failure is remembered by the stream and shows when it is closed.
  TextFile* held = channels_detach_log();
  ASSERT_NE(nullptr, held);
  EXPECT_FALSE(text_file_close(held));
}

TEST_F(ChannelsTest, PagedFatalNotesAFailedLogCloseBeforeTheStopLine) {
  std::string full = internal_path("/dev/full");
  TextFile* log = text_file_open(full, TextFileMode::kCreate);
  ASSERT_NE(nullptr, log);
  channels_attach_log(log, full);
  channels_set_paging(true);
  pager_setup(false, 1);
  CapturedOutput captured(dir_);
  EXPECT_THROW(print_fatal("メモリー不足"), ProcessExit);
  EXPECT_EQ("ログ・ファイル\"" + full +
                "\"の出力に異常を検出しました。\n"
                "\n\a処理停止:メモリー不足\n",
            captured.err());
}

TEST_F(ChannelsTest, PagedFatalLeavesTheStopLineInTheLog) {
  attach_log();
  channels_set_paging(true);
  pager_setup(false, 1);
  CapturedOutput captured(dir_);
  EXPECT_THROW(print_fatal("メモリー不足で改名できません。"), ProcessExit);
  EXPECT_EQ("\n\a処理停止:メモリー不足で改名できません。\n", captured.err());
  EXPECT_EQ("\r\n処理停止:メモリー不足で改名できません。\r\n",
            read_all(log_path_));
}

}  // namespace
}  // namespace kavo

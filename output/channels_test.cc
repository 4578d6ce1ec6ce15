#include "output/channels.h"

#include <gtest/gtest.h>

#include <string>

#include "output/pager.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

using kavo_testing::CapturedOutput;
using kavo_testing::ScratchDir;

TEST(EstimateColumns, FollowsTheDirectiveTable) {
  const struct {
    const char* what;
    int got;
    int want;
  } cases[] = {
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
      {"%lu, low 32 bits",
       estimate_columns("%lu", static_cast<unsigned long>(1ULL << 32)), 1},
      {"%*d width wins", estimate_columns("%*d", 5, 42), 5},
      {"%*d digits win", estimate_columns("%*d", 1, 12345), 5},
      {"%-*s width wins", estimate_columns("%-*s|", 10, "abc"), 11},
      {"%-*s text wins", estimate_columns("%-*s", 2, "abcd"), 4},
      {"%-*s tab", estimate_columns("%-*s", 2, "a\tb"), 10},
      {"arguments in order", estimate_columns("%d %s %d", 7, "xy", 100), 8},
      {"unknown directive stops", estimate_columns("ab%xcd%s", 1, "zzz"), 8},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, c.got) << c.what;
}

// The channels with a log in a scratch directory.
class ChannelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kavo_testing::set_environment("KAVO_ENCODING", "CP932");
    reset();
  }
  void TearDown() override { reset(); }
  void reset() {
    if (TextFile* log = channels_detach_log()) text_file_close(log);
    channels_reset();
    pager_reset();
  }

  // Opens the run's log, hands it to the channels as known at `log_path`
  // (the file's own path when empty) and asks for paging or not; the pager
  // itself stays off, as without a console.
  void start(bool paged, std::string log_path = "") {
    reset();
    TextFile* log =
        text_file_open(dir_.internal("run.log"), TextFileMode::kCreate);
    ASSERT_NE(nullptr, log);
    channels_attach_log(log,
                        log_path.empty() ? dir_.internal("run.log") : log_path);
    channels_set_paging(paged);
    pager_setup(false, 1);
  }

  ScratchDir dir_;
};

// The code a call ended the process with; -1 when it returned.
template <typename Call>
int exit_code_of(Call call) {
  try {
    call();
  } catch (const ProcessExit& exit) {
    return exit.code;
  }
  return -1;
}

TEST_F(ChannelsTest, MessagesGoToTheScreenAndIdenticallyToTheLog) {
  for (bool paged : {false, true}) {
    start(paged);
    // Longer than any fixed formatting buffer.
    std::string name(3000, 'n');
    CapturedOutput captured(dir_);
    print_message("%s→%s\n", "a.txt", "b.txt");
    // Paging without a console turns itself off at the first message; the
    // log was closed and reopened for appending around it.
    EXPECT_FALSE(channels_paging());
    print_message("改名成功:%d個\n", 1);
    print_message("%s|%s\n", name.c_str(), name.c_str());
    print_unpaged("処理時間:%d秒", 5);
    print_screen("\n");
    EXPECT_EQ(
        "a.txt→b.txt\n改名成功:1個\n" + name + "|" + name + "\n処理時間:5秒\n",
        captured.out());
    EXPECT_EQ("", captured.err());
    // As the end of a run closes it.
    TextFile* log = channels_detach_log();
    ASSERT_NE(nullptr, log);
    EXPECT_TRUE(text_file_close(log));
    EXPECT_EQ("a.txt→b.txt\r\n改名成功:1個\r\n" + name + "|" + name + "\r\n",
              dir_.read("run.log"))
        << "paged " << paged;
  }
}

TEST_F(ChannelsTest, FatalErrorsWriteAStopLineAndReleaseTheLog) {
  // The log path a paged message fails to reopen: a missing directory.
  const std::string gone = dir_.internal("missing/run.log");
  const struct {
    const char* what;
    bool paged;
    std::string log_path;  // as the channels know it; empty: the log's own
    void (*call)();
    const char* out;
    std::string err;
    const char* log;
  } cases[] = {
      {"fatal", false, "",
       [] { print_fatal("ファイル名に \"%s\" は使用できません。", "*"); }, "",
       "\n\a処理停止:ファイル名に \"*\" は使用できません。\n",
       "\r\n処理停止:ファイル名に \"*\" は使用できません。\r\n"},
      {"paged fatal", true, "",
       [] { print_fatal("メモリー不足で改名できません。"); }, "",
       "\n\a処理停止:メモリー不足で改名できません。\n",
       "\r\n処理停止:メモリー不足で改名できません。\r\n"},
      {"early fatal, never logged", false, "",
       [] { print_fatal_early("メモリー不足"); }, "",
       "\n\a処理停止:メモリー不足\n", ""},
      // The stop line has no final newline.
      {"paged message, log not reopened", true, gone,
       [] { print_message("line\n"); }, "line\n",
       "\n\a処理停止:ログ・ファイル\"" + gone + "\"が再オープン出来ません。",
       "line\r\n"},
  };
  for (const auto& c : cases) {
    start(c.paged, c.log_path);
    CapturedOutput captured(dir_);
    EXPECT_EQ(1, exit_code_of(c.call)) << c.what;
    EXPECT_EQ(c.out, captured.out()) << c.what;
    EXPECT_EQ(c.err, captured.err()) << c.what;
    // Ending the process released the log as it stood, without a footer.
    EXPECT_EQ(nullptr, channels_detach_log()) << c.what;
    EXPECT_EQ(c.log, dir_.read("run.log")) << c.what;
  }
}

}  // namespace
}  // namespace kavo

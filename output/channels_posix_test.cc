// Log writes that fail, made with /dev/full.

#include <gtest/gtest.h>

#include <string>

#include "output/channels.h"
#include "output/pager.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

TEST(ChannelsFailedLogTest, PagedOutputStopsUnpagedOutputWaitsForTheClose) {
  const std::string full = kavo_testing::internal_form("/dev/full");
  const std::string failed =
      "ログ・ファイル\"" + full + "\"の出力に異常を検出しました。\n";
  const struct {
    const char* what;
    bool paged;
    void (*call)();
    int code;  // -1: the call returned
    std::string out;
    std::string err;
  } cases[] = {
      {"paged message", true, [] { print_message("line\n"); }, 1, "line\n",
       "\n\a処理停止:" + failed},
      // The stream remembers the failure; closing the log reports it.
      {"unpaged message", false, [] { print_message("line\n"); }, -1, "line\n",
       ""},
      // A paged fatal error notes the failed close before its stop line.
      {"paged fatal", true, [] { print_fatal("メモリー不足"); }, 1, "",
       failed + "\n\a処理停止:メモリー不足\n"},
  };
  kavo_testing::ScratchDir dir;
  for (const auto& c : cases) {
    channels_reset();
    pager_reset();
    TextFile* log = text_file_open(full, TextFileMode::kCreate);
    ASSERT_NE(nullptr, log);
    channels_attach_log(log, full);
    channels_set_paging(c.paged);
    pager_setup(false, 1);
    kavo_testing::CapturedOutput captured(dir);
    int code = -1;
    try {
      c.call();
    } catch (const ProcessExit& exit) {
      code = exit.code;
    }
    EXPECT_EQ(c.code, code) << c.what;
    EXPECT_EQ(c.out, captured.out()) << c.what;
    EXPECT_EQ(c.err, captured.err()) << c.what;
    // A process that ended released its log; one that goes on keeps it.
    TextFile* held = channels_detach_log();
    EXPECT_EQ(code == -1, held != nullptr) << c.what;
    if (held != nullptr) {
      EXPECT_FALSE(text_file_close(held)) << c.what;
    }
  }
  channels_reset();
  pager_reset();
}

}  // namespace
}  // namespace kavo

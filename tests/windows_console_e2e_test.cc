// The pagers of the Windows build on a console: Wine gives a program run
// on a terminal a console of the terminal's size, whose keys it reads with
// ReadConsoleInputA, so the prompts and their keys are those of a Windows
// console window.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/harness.h"
#include "tests/pty_harness.h"

namespace kavo_test {
namespace {

const char kPrompt[] = "(Continue,/All/Quit)";

class WindowsConsoleE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!windows_build()) GTEST_SKIP() << "Windows build only";
    for (int i = 1; i <= 30; ++i) {
      char name[32];
      snprintf(name, sizeof name, "ABC_%02d.txt", i);
      dir_.file(name);
    }
  }

  PtySpec paged_run() const {
    PtySpec spec;
    spec.directory = dir_.path();
    spec.args = {"ABC", "XYZ", "*.txt", "/p"};
    return spec;
  }

  // Types `key` at the prompt just shown. The command shows the prompt and
  // then discards the keys typed so far, so the key follows a moment later.
  static void answer(PtySession* run, const std::string& key) {
    usleep(300000);
    run->send(key);
  }

  size_t renamed() const {
    size_t n = 0;
    for (const std::string& name : dir_.tree()) n += name.rfind("XYZ", 0) == 0;
    return n;
  }

  TempDir dir_;
};

// A window of 10 rows holds 8 result lines and the prompt. Continue shows
// the next page; Shift+A (the console sends Shift first) ends the paging.
TEST_F(WindowsConsoleE2E, ContinueThenAllWithShift) {
  PtySession run(paged_run());
  ASSERT_TRUE(run.wait_for(kPrompt, 30000)) << run.screen();
  EXPECT_EQ(count_of(run.screen(), "XYZ_"), 8u);
  answer(&run, "c");
  ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
  EXPECT_EQ(count_of(run.screen(), "XYZ_"), 17u);
  answer(&run, "A");
  EXPECT_EQ(run.finish(), 0) << run.screen();
  EXPECT_EQ(count_of(run.screen(), kPrompt), 2u);
  EXPECT_EQ(renamed(), 30u);
}

TEST_F(WindowsConsoleE2E, QuitEndsTheRunWithExitCodeOne) {
  // (Wine's terminal input never gives a lone Esc as the Esc key.)
  for (const std::string key : {"q", "Q"}) {
    TempDir dir;
    for (const std::string& name : dir_.tree()) dir.file(name);
    PtySpec spec = paged_run();
    spec.directory = dir.path();
    PtySession run(spec);
    ASSERT_TRUE(run.wait_for(kPrompt, 30000)) << run.screen();
    answer(&run, key);
    EXPECT_EQ(run.finish(), 1) << run.screen();
    EXPECT_EQ(count_of(run.screen(), "XYZ_"), 8u);
  }
}

// Standard output redirected: no console to page, however small the
// window, and nothing waits for a key.
TEST_F(WindowsConsoleE2E, RedirectedOutputIsNeverPaged) {
  PtySpec spec = paged_run();
  spec.stdout_on_terminal = false;
  PtySession run(spec);
  EXPECT_EQ(run.finish(), 0) << run.out();
  EXPECT_EQ(count_of(run.out(), kPrompt), 0u);
  EXPECT_EQ(renamed(), 30u);
}

// The usage text stops at its page breaks on a console too.
TEST_F(WindowsConsoleE2E, UsageTextPagesOnTheConsole) {
  PtySpec spec;
  spec.directory = dir_.path();
  PtySession run(spec);
  ASSERT_TRUE(run.wait_for(kPrompt, 30000)) << run.screen();
  answer(&run, "c");
  ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
  answer(&run, "q");
  EXPECT_EQ(run.finish(), 1) << run.screen();
}

}  // namespace
}  // namespace kavo_test

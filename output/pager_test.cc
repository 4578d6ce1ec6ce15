#include "output/pager.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "output/channels.h"
#include "platform/platform.h"

namespace kavo {
namespace {

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string temp_file_path() {
  char templ[] = "/tmp/kavo-pager-XXXXXX";
  int fd = mkstemp(templ);
  close(fd);
  return templ;
}

// The prompt as it shows and is blanked again after the answer.
std::string prompt_and_erasure() {
  std::string prompt = kPagePrompt;
  return prompt + "\r" + std::string(prompt.size(), ' ') + "\r";
}

TEST(PagerTest, ScreenLinesRoundUpTo80Columns) {
  const struct {
    int columns;
    int lines;
  } cases[] = {{0, 0},   {-5, 0},  {1, 1},    {80, 1},  {81, 2},
               {160, 2}, {161, 3}, {800, 10}, {801, 11}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.lines, screen_lines(c.columns)) << c.columns << " columns";
  }
}

TEST(PagerTest, IntervalIsMeasuredAcrossTheCounterWrap) {
  const struct {
    uint32_t mark;
    uint32_t now;
    bool passed;
  } cases[] = {
      {1000, 1500, false},
      {1000, 1501, true},
      {1000, 1000, false},
      // The counter wrapped 272 ms after the mark: not yet.
      {0xFFFFFF00u, 0x00000010u, false},
      // 768 ms across the wrap.
      {0xFFFFFF00u, 0x00000200u, true},
      {0xFFFFFFFFu, 500, true},
      {0xFFFFFFFFu, 499, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.passed, interval_passed(c.mark, c.now, 500))
        << c.mark << " -> " << c.now;
  }
}

TEST(PagerTest, PagerSwitchedOffNeverPrompts) {
  pager_reset();
  EXPECT_EQ(0, pager_setup(false, 1));
  EXPECT_FALSE(pager_make_room(100000, kPagePrompt));
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(pager_count(800, kPagePrompt));
  pager_reset();
}

TEST(PagerTest, RedirectedOutputSwitchesBothPagersOff) {
  pager_reset();
  std::string out_path = temp_file_path();
  fflush(stdout);
  int saved = dup(1);
  int file = open(out_path.c_str(), O_WRONLY | O_TRUNC);
  dup2(file, 1);
  close(file);
  int rows = pager_setup(true, 1);
  bool counted = pager_count(80, kPagePrompt);
  int help_rows = help_pager_setup(1);
  help_page_break(kPagePrompt);
  console_flush();
  dup2(saved, 1);
  close(saved);
  EXPECT_EQ(0, rows);
  EXPECT_FALSE(counted);
  EXPECT_EQ(0, help_rows);
  EXPECT_EQ("", read_all(out_path));
  unlink(out_path.c_str());
  pager_reset();
}

// Runs in a child process without a controlling terminal, where the key
// read answers All at once. Both pagers start as a fresh process has them:
// the run pager with 24 lines a page, the help pager on. Returns 0 when
// every check passed, else the number of the first failed check.
int page_without_console(const std::string& out_path) {
  setsid();
  int in = open("/dev/null", O_RDONLY);
  dup2(in, 0);
  int out = open(out_path.c_str(), O_WRONLY | O_TRUNC);
  dup2(out, 1);
  pager_reset();
  uint32_t start = tick_count_ms();
  // Before an output: the top of a page takes any block, a single line is
  // never moved, a block that fits stays.
  if (!pager_make_room(100000, kPagePrompt)) return 1;
  for (int i = 0; i < 22; ++i) {
    if (!pager_count(80, kPagePrompt)) return 2;
  }
  if (!pager_make_room(80, kPagePrompt)) return 3;
  if (!pager_make_room(160, kPagePrompt)) return 4;
  if (static_cast<uint32_t>(tick_count_ms() - start) >= 400) return 5;
  // Three lines do not fit on the two left: prompt, answered All.
  if (pager_make_room(161, kPagePrompt)) return 6;
  if (static_cast<uint32_t>(tick_count_ms() - start) <= 500) return 7;
  if (pager_count(80, kPagePrompt)) return 8;
  // After an output: the 25th counted line of a fresh pager prompts.
  pager_reset();
  for (int i = 0; i < 24; ++i) {
    if (!pager_count(79, kPagePrompt)) return 9;
  }
  if (pager_count(1, kPagePrompt)) return 10;
  // The help pager prompts until All switches it off.
  help_page_break(kPagePrompt);
  help_page_break(kPagePrompt);
  console_flush();
  std::string shown = read_all(out_path);
  std::string prompt = prompt_and_erasure();
  if (shown != prompt + prompt + prompt) {
    fprintf(stderr, "shown: [%s]\n", shown.c_str());
    return 11;
  }
  return 0;
}

TEST(PagerDeathTest, PromptWithoutConsoleIsAnsweredAllAfterTheInterval) {
  std::string out_path = temp_file_path();
  EXPECT_EXIT(_exit(page_without_console(out_path)),
              ::testing::ExitedWithCode(0), "");
  unlink(out_path.c_str());
}

}  // namespace
}  // namespace kavo

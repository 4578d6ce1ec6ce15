#include "output/pager.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/test_support.h"

namespace kavo {
namespace {

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

// Switched off, or asked for while standard output is a file: neither
// pager counts or prompts.
TEST(PagerTest, BothPagersStayOffWithoutAConsole) {
  kavo_testing::ScratchDir dir;
  pager_reset();
  kavo_testing::CapturedOutput captured(dir);
  for (bool enabled : {false, true}) {
    EXPECT_EQ(0, pager_setup(enabled, 1)) << enabled;
    EXPECT_FALSE(pager_make_room(100000, kPagePrompt)) << enabled;
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(pager_count(800, kPagePrompt));
  }
  EXPECT_EQ(0, help_pager_setup(1));
  help_page_break(kPagePrompt);
  EXPECT_EQ("", captured.out());
  pager_reset();
}

}  // namespace
}  // namespace kavo

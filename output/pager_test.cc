#include "output/pager.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kavo {
namespace {

TEST(PagerTest, ScreenLinesRoundUpTo80Columns) {
  const int cases[][2] = {{0, 0},  {-5, 0},  {1, 1},   {80, 1},
                          {81, 2}, {160, 2}, {161, 3}, {801, 11}};
  for (const auto& [columns, lines] : cases) {
    EXPECT_EQ(lines, screen_lines(columns)) << columns << " columns";
  }
}

// Ticks are compared with unsigned wrap-around: a counter that wraps
// between the mark and now must not make the wait last for weeks.
TEST(PagerTest, IntervalIsMeasuredAcrossTheCounterWrap) {
  const struct {
    uint32_t mark;
    uint32_t now;
    bool passed;
  } cases[] = {
      {1000, 1500, false},         {1000, 1501, true},
      {0xFFFFFF00u, 0x10u, false}, {0xFFFFFF00u, 0x200u, true},
      {0xFFFFFFFFu, 500, true},    {0xFFFFFFFFu, 499, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.passed, interval_passed(c.mark, c.now, 500))
        << c.mark << " -> " << c.now;
  }
}

}  // namespace
}  // namespace kavo

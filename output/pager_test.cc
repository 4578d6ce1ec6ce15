#include "output/pager.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kavo {
namespace {

// A line takes a screen line per 80 columns begun. Ticks are compared with
// unsigned wrap-around: a counter that wraps between the mark and now must
// not make the wait last for weeks.
TEST(PagerTest, ScreenLinesAndTheIntervalAcrossTheCounterWrap) {
  const int lines[][2] = {{0, 0},  {-5, 0},  {1, 1},   {80, 1},
                          {81, 2}, {160, 2}, {161, 3}, {801, 11}};
  for (const auto& [columns, count] : lines) {
    EXPECT_EQ(count, screen_lines(columns)) << columns << " columns";
  }
  const uint32_t ticks[][3] = {
      {1000, 1500, 0},          {1000, 1501, 1},       {0xFFFFFF00u, 0x10u, 0},
      {0xFFFFFF00u, 0x200u, 1}, {0xFFFFFFFFu, 500, 1}, {0xFFFFFFFFu, 499, 0}};
  for (const auto& [mark, now, passed] : ticks) {
    EXPECT_EQ(passed != 0, interval_passed(mark, now, 500))
        << mark << " " << now;
  }
}

}  // namespace
}  // namespace kavo

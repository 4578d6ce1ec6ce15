#include "output/channels.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

// The pager counts the columns a message will take before it is formatted:
// a tab takes 8, a number its digits (as unsigned, 32 bits), a width of *
// at least itself; an unknown directive ends the count.
TEST(EstimateColumns, FollowsTheDirectiveTable) {
  const struct {
    int got;
    int want;
  } cases[] = {
      {estimate_columns("a\tb"), 10},
      {estimate_columns("100%%"), 4},
      {estimate_columns("[%c]", 'x'), 3},
      {estimate_columns("n=%d", 12345), 7},
      {estimate_columns("%d", -1), 10},
      {estimate_columns("x%uy", 4294967295u), 12},
      {estimate_columns("%s→%s\n", "a.txt", "b.txt"), 13},
      {estimate_columns("%lu", static_cast<unsigned long>(1ULL << 32)), 1},
      {estimate_columns("%*d", 5, 42), 5},
      {estimate_columns("%*d", 1, 12345), 5},
      {estimate_columns("%*d:", 5, 42), 6},
      {estimate_columns("%-*s|", 10, "abc"), 11},
      {estimate_columns("%-*s", 2, "a\tb"), 10},
      {estimate_columns("%d %s %d", 7, "xy", 100), 8},
      {estimate_columns("ab%xcd%s", 1, "zzz"), 8},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(cases[i].want, cases[i].got) << "case " << i;
  }
}

}  // namespace
}  // namespace kavo

// Date limits in a time zone other than UTC: only Linux lets a test choose
// the zone in which the program reads local time.

#include <gtest/gtest.h>

#include "filters/filters.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

using kavo_testing::use_time_zone;

FilterSet year_limit(const char* option) {
  FilterSet f;
  EXPECT_EQ(compile_limit_option(option, &f), 0);
  EXPECT_TRUE(finish_filters(&f));
  return f;
}

TEST(FilterEntriesTest, DatesAreComparedInLocalTime) {
  // 15:00 UTC on New Year's Eve is already the next year nine hours east.
  FindRecord file;
  file.attributes = 0x20;
  file.complete = true;
  file.write_time = kavo_testing::utc_seconds(2001, 12, 31, 15);
  const FilterSet f2001 = year_limit("ly2001");
  const FilterSet f2002 = year_limit("ly2002");
  use_time_zone("JST-9");
  EXPECT_TRUE(file_excluded(f2001, "f", file));
  EXPECT_FALSE(file_excluded(f2002, "f", file));
  use_time_zone("UTC");
  EXPECT_FALSE(file_excluded(f2001, "f", file));
}

}  // namespace
}  // namespace kavo

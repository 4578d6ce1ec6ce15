#include "names/date_name.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "driver/options.h"
#include "names/name_part.h"
#include "platform/platform.h"

namespace kavo {
namespace {

CalendarTime at(int year, int month, int day, int hour, int minute,
                int second) {
  return CalendarTime{year, month, day, hour, minute, second, 2};
}

RunOptions with_format(int date_format, int sign = 0, int32_t seconds = 0) {
  RunOptions options;
  options.date_format = date_format;
  options.date_shift_sign = sign;
  options.date_shift_seconds = seconds;
  return options;
}

TEST(DateNameTest, Layouts) {
  CalendarTime time = at(2005, 4, 19, 9, 5, 7);
  struct Case {
    int format;
    const char* text;
  } cases[] = {
      {kDateYmdHms, "20050419-090507"}, {kDateYmdHm, "20050419-0905"},
      {kDateShortHms, "050419-090507"}, {kDateShortHm, "050419-0905"},
      {kDateYmd, "20050419"},           {kDateShortYmd, "050419"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(make_date_text(time, 1, with_format(c.format)), c.text);
  }
  EXPECT_EQ(make_date_text(at(2000, 12, 31, 23, 59, 59), 1,
                           with_format(kDateShortHms)),
            "001231-235959");
}

TEST(DateNameTest, DuplicateNumbers) {
  CalendarTime time = at(2005, 4, 19, 9, 5, 7);
  RunOptions options = with_format(kDateYmdHms);
  EXPECT_EQ(make_date_text(time, 1, options), "20050419-090507");
  EXPECT_EQ(make_date_text(time, 2, options), "20050419-090507-2");
  EXPECT_EQ(make_date_text(time, 3, options), "20050419-090507-3");
  EXPECT_EQ(make_date_text(time, 999, options), "20050419-090507-999");
  EXPECT_EQ(make_date_text(time, 12, with_format(kDateShortYmd)), "050419-12");
}

TEST(DateNameTest, Shifts) {
  struct Case {
    CalendarTime time;
    int sign;
    int32_t seconds;
    const char* text;
  } cases[] = {
      {at(2005, 4, 19, 12, 59, 45), 1, 30, "20050419-130015"},
      {at(2004, 3, 1, 0, 0, 30), -1, 45, "20040229-235945"},
      {at(2004, 12, 31, 23, 30, 0), 1, 3600, "20050101-003000"},
      {at(2005, 4, 19, 0, 0, 30), -1, 60, "20050418-235930"},
      {at(2005, 4, 19, 0, 0, 30), 1, -60, "20050418-235930"},
      {at(2005, 4, 19, 0, 0, 30), -1, -60, "20050419-000130"},
      {at(2005, 4, 19, 9, 5, 7), 1, 0, "20050419-090507"},
      {at(2005, 4, 19, 9, 5, 7), -1, 0, "20050419-090507"},
      {at(2000, 1, 1, 0, 0, 0), -1, std::numeric_limits<int32_t>::min(),
       "20680119-031408"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(
        make_date_text(c.time, 1, with_format(kDateYmdHms, c.sign, c.seconds)),
        c.text);
  }
}

TEST(DateNameTest, YearsBeyondFourDigits) {
  RunOptions options = with_format(kDateYmdHms);
  CalendarTime time = at(12345, 6, 7, 8, 9, 10);
  EXPECT_EQ(make_date_text(time, 1, options), "123450607-080910");
  EXPECT_EQ(make_date_text(time, 2, options), "123450607-080910-2");
  EXPECT_EQ(make_date_text(time, 2, with_format(kDateYmd)), "123450607-2");
  EXPECT_EQ(make_date_text(time, 2, with_format(kDateShortYmd)), "450607-2");
  // Far-future file times on Linux: every digit fits.
  time.year = std::numeric_limits<int>::max();
  EXPECT_EQ(make_date_text(time, 10, options), "21474836470607-080910-10");
}

TEST(DateNameTest, EarlyAndNegativeYears) {
  RunOptions options = with_format(kDateYmd);
  EXPECT_EQ(make_date_text(at(999, 1, 2, 0, 0, 0), 2, options), " 9990102-2");
  EXPECT_EQ(make_date_text(at(-1000, 1, 2, 0, 0, 0), 2, options),
            "-10000102-2");
  EXPECT_EQ(
      make_date_text(at(-2005, 1, 2, 0, 0, 0), 1, with_format(kDateShortYmd)),
      "-50102");
  CalendarTime lowest = at(std::numeric_limits<int>::min(), 1, 1, 0, 0, 0);
  EXPECT_EQ(make_date_text(lowest, 3, with_format(kDateYmdHms, 1, -3600)),
            "-21474836480101-000000-3");
  EXPECT_EQ(make_date_text(lowest, 1, with_format(kDateShortHm)),
            "-480101-0000");
}

TEST(DateNameTest, InsertDateText) {
  std::string new_string = "unchanged";
  ASSERT_TRUE(insert_date_text("x/.jpg", "20050419", &new_string));
  EXPECT_EQ(new_string, "x20050419.jpg");
  ASSERT_TRUE(insert_date_text("/", "20050419-2", &new_string));
  EXPECT_EQ(new_string, "20050419-2");
  ASSERT_TRUE(insert_date_text("表/", "1", &new_string));
  EXPECT_EQ(new_string, "表1");
  ASSERT_TRUE(insert_date_text("a/b/", "1", &new_string));
  EXPECT_EQ(new_string, "a1b/");
  EXPECT_FALSE(insert_date_text("abc", "1", &new_string));
}

// The photo example: old string .jpg, new string /.jpg, with /e /t /case
// /dateyyyymmdd.
TEST(DateNameTest, DateTextInTheNewName) {
  RunOptions options = with_format(kDateYmd);
  options.name_part = kWholeName;
  options.anchor_tail = true;
  options.old_case_fold = true;
  std::string new_string;
  ASSERT_TRUE(insert_date_text(
      "/.jpg", make_date_text(at(2005, 4, 19, 9, 5, 7), 1, options),
      &new_string));
  std::string new_path;
  ASSERT_TRUE(
      compute_new_path("pics\\x.JPG", ".jpg", new_string, options, &new_path));
  EXPECT_EQ(new_path, "pics\\x20050419.jpg");
}

}  // namespace
}  // namespace kavo

#include "names/date_name.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "driver/options.h"
#include "names/name_part.h"
#include "platform/platform.h"

namespace kavo {
namespace {

constexpr int kMaxYear = std::numeric_limits<int>::max();
constexpr int kMinYear = std::numeric_limits<int>::min();

CalendarTime at(int year, int month, int day, int hour = 0, int minute = 0,
                int second = 0) {
  return CalendarTime{year, month, day, hour, minute, second, 2};
}

RunOptions with_format(int date_format, int sign = 0, int32_t seconds = 0) {
  RunOptions options;
  options.date_format = date_format;
  options.date_shift_sign = sign;
  options.date_shift_seconds = seconds;
  return options;
}

// The carries of a shift are the calendar's; here the sign and the
// duplicate number, which goes at the text's real end (past every digit of
// a year outside 1000-9999, as Linux file times may give).
TEST(DateNameTest, DateTexts) {
  const CalendarTime time = at(2005, 4, 19, 9, 5, 7);
  struct Case {
    CalendarTime time;
    int attempt;
    RunOptions options;
    const char* text;
  } cases[] = {
      {time, 1, with_format(kDateYmdHms), "20050419-090507"},
      {time, 1, with_format(kDateYmdHm), "20050419-0905"},
      {time, 1, with_format(kDateShortHms), "050419-090507"},
      {time, 1, with_format(kDateShortHm), "050419-0905"},
      {time, 1, with_format(kDateYmd), "20050419"},
      {time, 1, with_format(kDateShortYmd), "050419"},
      {at(2000, 12, 31), 1, with_format(kDateShortYmd), "001231"},
      {time, 2, with_format(kDateYmdHms), "20050419-090507-2"},
      {time, 999, with_format(kDateYmdHms), "20050419-090507-999"},
      {time, 12, with_format(kDateShortYmd), "050419-12"},
      {at(2005, 4, 19, 12, 59, 45), 1, with_format(kDateYmdHms, 1, 30),
       "20050419-130015"},
      {at(2005, 4, 19, 0, 0, 30), 1, with_format(kDateYmdHms, -1, 60),
       "20050418-235930"},
      {at(2005, 4, 19, 0, 0, 30), 1, with_format(kDateYmdHms, 1, -60),
       "20050418-235930"},
      {at(2005, 4, 19, 0, 0, 30), 1, with_format(kDateYmdHms, -1, -60),
       "20050419-000130"},
      {time, 1, with_format(kDateYmdHms, -1, 0), "20050419-090507"},
      {at(2000, 1, 1), 1,
       with_format(kDateYmdHms, -1, std::numeric_limits<int32_t>::min()),
       "20680119-031408"},
      {at(12345, 6, 7, 8, 9, 10), 2, with_format(kDateYmdHms),
       "123450607-080910-2"},
      {at(12345, 6, 7), 2, with_format(kDateYmd), "123450607-2"},
      {at(12345, 6, 7), 2, with_format(kDateShortYmd), "450607-2"},
      {at(kMaxYear, 6, 7, 8, 9, 10), 10, with_format(kDateYmdHms),
       "21474836470607-080910-10"},
      {at(999, 1, 2), 2, with_format(kDateYmd), " 9990102-2"},
      {at(-1000, 1, 2), 2, with_format(kDateYmd), "-10000102-2"},
      {at(-2005, 1, 2), 1, with_format(kDateShortYmd), "-50102"},
      {at(kMinYear, 1, 1), 3, with_format(kDateYmdHms, 1, -3600),
       "-21474836480101-000000-3"},
      {at(kMinYear, 1, 1), 1, with_format(kDateShortHm), "-480101-0000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(make_date_text(c.time, c.attempt, c.options), c.text);
  }
}

TEST(DateNameTest, InsertDateText) {
  std::string new_string = "unchanged";
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

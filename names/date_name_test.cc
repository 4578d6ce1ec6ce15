#include "names/date_name.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/platform.h"

namespace kavo {
namespace {

// The layouts are the command's to show; here the sign of the correction
// and the duplicate number, which goes at the text's real end, past every
// digit of a year outside 1000-9999 (as Linux file times may give).
TEST(DateNameTest, CorrectionsAndYearsOfAnyWidth) {
  constexpr int kMaxYear = std::numeric_limits<int>::max();
  constexpr int kMinYear = std::numeric_limits<int>::min();
  const struct {
    CalendarTime time;
    int attempt;
    DateFormat format;
    int sign;
    int32_t seconds;
    const char* text;
  } cases[] = {
      {{2005, 4, 19, 0, 0, 30}, 1, kDateYmdHms, 1, -60, "20050418-235930"},
      {{2005, 4, 19, 0, 0, 30}, 1, kDateYmdHms, -1, -60, "20050419-000130"},
      {{2000, 1, 1},
       1,
       kDateYmdHms,
       -1,
       std::numeric_limits<int32_t>::min(),
       "20680119-031408"},
      {{12345, 6, 7, 8, 9, 10}, 2, kDateYmdHms, 0, 0, "123450607-080910-2"},
      {{kMaxYear, 6, 7, 8, 9, 10},
       10,
       kDateYmdHms,
       0,
       0,
       "21474836470607-080910-10"},
      {{999, 1, 2}, 2, kDateYmd, 0, 0, " 9990102-2"},
      {{-2005, 1, 2}, 1, kDateShortYmd, 0, 0, "-50102"},
      {{kMinYear, 1, 1}, 3, kDateYmdHms, 1, -3600, "-21474836480101-000000-3"},
  };
  for (const auto& c : cases) {
    DateNaming naming;
    naming.layout = c.format;
    naming.shift_seconds = int64_t{c.sign} * c.seconds;
    EXPECT_EQ(make_date_text(c.time, c.attempt, naming), c.text);
  }
}

}  // namespace
}  // namespace kavo

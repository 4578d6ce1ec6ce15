#include "names/date_name.h"

#include <gtest/gtest.h>

#include <limits>

#include "driver/options.h"
#include "platform/platform.h"

namespace kavo {
namespace {

// The duplicate number goes at the text's real end, past every digit of a
// year outside 1000-9999 (as Linux file times may give); the most negative
// correction, subtracted, does not overflow.
TEST(DateNameTest, CorrectionsAndYearsOfAnyWidth) {
  constexpr int kMax = std::numeric_limits<int>::max();
  const struct {
    CalendarTime time;
    int attempt, format, sign;
    int32_t seconds;
    const char* text;
  } cases[] = {
      {{2000, 1, 1}, 1, kDateYmdHms, -1, INT32_MIN, "20680119-031408"},
      {{12345, 6, 7, 8, 9, 10}, 2, kDateYmdHms, 0, 0, "123450607-080910-2"},
      {{kMax, 6, 7, 8, 9, 10},
       10,
       kDateYmdHms,
       0,
       0,
       "21474836470607-080910-10"},
      {{999, 1, 2}, 2, kDateYmd, 0, 0, " 9990102-2"},
      {{-2005, 1, 2}, 1, kDateShortYmd, 0, 0, "-50102"},
      {{-kMax - 1, 1, 1}, 3, kDateYmdHms, 1, -3600, "-21474836480101-000000-3"},
  };
  for (const auto& c : cases) {
    RunOptions options;
    options.date_format = c.format;
    options.date_shift_sign = c.sign;
    options.date_shift_seconds = c.seconds;
    EXPECT_EQ(make_date_text(c.time, c.attempt, options), c.text);
  }
}

}  // namespace
}  // namespace kavo

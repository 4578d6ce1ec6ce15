#include "driver/options.h"

#include <gtest/gtest.h>

#include <utility>

namespace kavo {
namespace {

// Numbers of /time and /datel are read as atol reads them.
TEST(OptionsTest, ReadNumberLikeAtol) {
  const std::pair<const char*, int32_t> cases[] = {
      {" \t42x", 42}, {"-7", -7}, {"+8", 8},
      {"", 0},        {"x1", 0},  {"4294967297", 1},  // wrapped to 32 bits
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(want, read_number(text));
}

}  // namespace
}  // namespace kavo

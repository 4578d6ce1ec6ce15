#include "output/format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kavo {
namespace {

// "kept" followed by what append_format makes of `format`, or by nothing
// when it refuses the format; `*printed` receives what vsnprintf makes.
__attribute__((format(printf, 2, 3))) std::string formatted(
    std::string* printed, const char* format, ...) {
  va_list args;
  va_start(args, format);
  char expected[256];
  va_list copy;
  va_copy(copy, args);
  vsnprintf(expected, sizeof expected, format, copy);
  va_end(copy);
  *printed = std::string("kept") + expected;
  std::string text = "kept";
  append_format(format, args, &text);
  va_end(args);
  return text;
}

// The directives the program's messages use read as printf reads them; any
// other leaves the text as it was.
TEST(FormatTest, DirectivesReadAsPrintfReadsThem) {
  std::string printed;
  EXPECT_EQ(formatted(&printed, "%s→%s\n", "a.txt", "b.txt"), printed);
  EXPECT_EQ(formatted(&printed, "[%c]%%", 'x'), printed);
  EXPECT_EQ(formatted(&printed, "%d %d %u", -2147483647 - 1, 0, 4294967295u),
            printed);
  EXPECT_EQ(formatted(&printed, "%02d:%02u %04d %02d", 7, 5u, -5, 123),
            printed);
  EXPECT_EQ(formatted(&printed, "%lu %ld %llu", 4294967295ul, -7l, 1ull << 40),
            printed);
  EXPECT_EQ(
      formatted(&printed, "%*d|%-*s|%*s|%-3d|", 5, 42, 4, "ab", -4, "c", 1),
      printed);
  EXPECT_EQ("kept", formatted(&printed, "ab%x", 1));
}

}  // namespace
}  // namespace kavo

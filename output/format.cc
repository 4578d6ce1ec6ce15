#include "output/format.h"

#include <cstdio>

namespace kavo {

// Most messages are short: they are formatted on the stack first and only a
// longer one is formatted again into its own string.
std::string format_text(const char* format, va_list args) {
  char small[512];
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, n);
  std::string text(n, '\0');
  va_copy(copy, args);
  vsnprintf(text.data(), text.size() + 1, format, copy);
  va_end(copy);
  return text;
}

std::string printf_text(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_text(format, args);
  va_end(args);
  return text;
}

}  // namespace kavo

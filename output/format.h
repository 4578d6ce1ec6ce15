// printf-style formatting into strings, shared by the console channels and
// the log file.

#ifndef KAVO_OUTPUT_FORMAT_H_
#define KAVO_OUTPUT_FORMAT_H_

#include <cstdarg>
#include <string>

namespace kavo {

// The text `format` gives with `args` (which stay unconsumed); empty when
// the format cannot be applied.
std::string format_text(const char* format, va_list args);

// As format_text, with the arguments given directly.
__attribute__((format(printf, 1, 2))) std::string printf_text(
    const char* format, ...);

}  // namespace kavo

#endif  // KAVO_OUTPUT_FORMAT_H_

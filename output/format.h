// printf-style formatting into strings, shared by the console channels and
// the log file. The directives are those the program's formats use: `%%`,
// `%c`, `%s`, `%d` and `%u` (with `l` or `ll` for long and long long), each
// with an optional `-` (pad on the right) or `0` (pad numbers with zeros)
// and a width, given in digits or as `*`. A null `%s` shows "(null)".

#ifndef KAVO_OUTPUT_FORMAT_H_
#define KAVO_OUTPUT_FORMAT_H_

#include <cstdarg>
#include <string>

namespace kavo {

// Appends the text `format` gives with `args` (which stay unconsumed) to
// `*out`; false, with `*out` as it was, for a directive not listed above.
bool append_format(const char* format, va_list args, std::string* out);

// The text `format` gives with `args`; empty when the format cannot be
// applied.
std::string format_text(const char* format, va_list args);

// As format_text, with the arguments given directly.
__attribute__((format(printf, 1, 2))) std::string printf_text(
    const char* format, ...);

}  // namespace kavo

#endif  // KAVO_OUTPUT_FORMAT_H_

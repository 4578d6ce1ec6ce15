#include "output/format.h"

#include <cstdint>
#include <string_view>

namespace kavo {
namespace {

// One directive, read from after its per-cent sign.
struct Directive {
  bool left = false;   // '-'
  bool zeros = false;  // '0'
  int width = 0;
  int longs = 0;  // the number of 'l's
  char conversion = '\0';
};

// Reads the directive at `p`, taking a `*` width from `args`; returns what
// follows it.
const char* read_directive(const char* p, va_list* args, Directive* d) {
  for (;; ++p) {
    if (*p == '-') {
      d->left = true;
    } else if (*p == '0') {
      d->zeros = true;
    } else {
      break;
    }
  }
  if (*p == '*') {
    d->width = va_arg(*args, int);
    if (d->width < 0) {  // a negative width pads on the right
      d->left = true;
      d->width = -d->width;
    }
    ++p;
  }
  for (; *p >= '0' && *p <= '9'; ++p) d->width = d->width * 10 + (*p - '0');
  for (; *p == 'l' && d->longs < 2; ++p) ++d->longs;
  d->conversion = *p;
  return *p == '\0' ? p : p + 1;
}

// Appends `text` padded to the directive's width; zeros go after a sign.
void append_padded(std::string_view text, const Directive& d,
                   std::string* out) {
  size_t width = static_cast<size_t>(d.width);
  if (width <= text.size()) {
    out->append(text);
    return;
  }
  size_t pad = width - text.size();
  if (d.left) {
    out->append(text);
    out->append(pad, ' ');
    return;
  }
  if (d.zeros && d.conversion != 's' && d.conversion != 'c') {
    if (!text.empty() && text[0] == '-') {
      out->push_back('-');
      text.remove_prefix(1);
    }
    out->append(pad, '0');
  } else {
    out->append(pad, ' ');
  }
  out->append(text);
}

void append_number(uint64_t magnitude, bool negative, const Directive& d,
                   std::string* out) {
  char digits[24];
  char* end = digits + sizeof digits;
  char* p = end;
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) *--p = '-';
  append_padded(std::string_view(p, end - p), d, out);
}

void append_signed(int64_t value, const Directive& d, std::string* out) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value)
                                 : static_cast<uint64_t>(value);
  append_number(magnitude, value < 0, d, out);
}

// Appends one conversion, taking its argument; false for one not known.
bool append_conversion(const Directive& d, va_list* args, std::string* out) {
  switch (d.conversion) {
    case '%':
      out->push_back('%');
      return true;
    case 'c': {
      char c = static_cast<char>(va_arg(*args, int));
      append_padded(std::string_view(&c, 1), d, out);
      return true;
    }
    case 's': {
      const char* text = va_arg(*args, const char*);
      append_padded(text != nullptr ? text : "(null)", d, out);
      return true;
    }
    case 'd':
      if (d.longs == 0) {
        append_signed(va_arg(*args, int), d, out);
      } else if (d.longs == 1) {
        append_signed(va_arg(*args, long), d, out);
      } else {
        append_signed(va_arg(*args, long long), d, out);
      }
      return true;
    case 'u':
      if (d.longs == 0) {
        append_number(va_arg(*args, unsigned), false, d, out);
      } else if (d.longs == 1) {
        append_number(va_arg(*args, unsigned long), false, d, out);
      } else {
        append_number(va_arg(*args, unsigned long long), false, d, out);
      }
      return true;
    default:
      return false;
  }
}

}  // namespace

// Every message of the program passes through here, a result line for each
// renamed file among them: the few directives are expanded straight into
// the caller's string, without a general formatter's set-up per call.
bool append_format(const char* format, va_list args, std::string* out) {
  const size_t start = out->size();
  va_list taken;
  va_copy(taken, args);
  bool ok = true;
  for (const char* p = format; ok && *p != '\0';) {
    const char* literal = p;
    while (*p != '\0' && *p != '%') ++p;
    if (p != literal) out->append(literal, p - literal);
    if (*p == '\0') break;
    Directive d;
    p = read_directive(p + 1, &taken, &d);
    ok = append_conversion(d, &taken, out);
  }
  va_end(taken);
  if (!ok) out->resize(start);
  return ok;
}

std::string format_text(const char* format, va_list args) {
  std::string text;
  append_format(format, args, &text);
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

// The Shift-JIS rules both platform layers apply to internal text.

#ifndef KAVO_PLATFORM_SHIFT_JIS_TEXT_H_
#define KAVO_PLATFORM_SHIFT_JIS_TEXT_H_

#include <string_view>

namespace kavo {

// True for a byte that starts a double-byte Shift-JIS character.
bool is_lead(unsigned char c);

// True when `a` and `b` are the same name, ASCII letters compared without
// regard to case; a double-byte character compares by its bytes, so its
// trail byte is never folded.
bool names_equal_ignoring_case(std::string_view a, std::string_view b);

}  // namespace kavo

#endif  // KAVO_PLATFORM_SHIFT_JIS_TEXT_H_

// Page-wise screen output: the run pager (/p), the help pager of the usage
// text, the Continue/All/Quit prompt and the minimum interval between
// prompts.

#ifndef KAVO_OUTPUT_PAGER_H_
#define KAVO_OUTPUT_PAGER_H_

#include <cstdint>

namespace kavo {

// The prompt of both pagers.
constexpr char kPagePrompt[] = "(Continue,/All/Quit)";

// Screen lines of `columns` columns: columns / 80 rounded up; 0 for 0.
int screen_lines(int columns);

// True when more than `ms` milliseconds lie between the tick values
// `mark_ms` and `now_ms` of a counter that wraps at 2^32.
bool interval_passed(uint32_t mark_ms, uint32_t now_ms, uint32_t ms);

// Where the run pager stands after an output: still paging, off (never on,
// or the user answered All), or told to quit (the user answered Quit).
enum class PagerState { kOn, kOff, kQuit };

// Sets the run pager up: returns the console's visible rows and pages
// with rows - 2 lines, or returns 0 and stays off (not enabled, or standard
// output is not a console).
int pager_setup(bool enabled);

// Before an output of `columns`: prompts first when a block of two or more
// lines would not fit on the rest of the page.
PagerState pager_make_room(int columns, const char* prompt);

// After an output of `columns`: counts its lines and prompts when the page
// is full.
PagerState pager_count(int columns, const char* prompt);

// Sets the help pager up; returns the visible rows, or 0 (then it is off).
int help_pager_setup();

// A page break of the usage text: prompts when the help pager is on.
// False when the user answered Quit.
bool help_page_break(const char* prompt);

// Back to the state of a fresh process; for tests.
void pager_reset();

}  // namespace kavo

#endif  // KAVO_OUTPUT_PAGER_H_

// The steps behind the filter operations of filters.h: reading option
// values, the wildcard matchers, the path tests and the date test. Shared
// by the three filter sources and their tests.

#ifndef KAVO_FILTERS_FILTER_PARTS_H_
#define KAVO_FILTERS_FILTER_PARTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "filters/filters.h"

namespace kavo {

struct CalendarTime;

// ---- Option values (filter_options.cc) ----------------------------------

// The elements of a list value: split at commas, white space after a comma
// and at the end of each element dropped, "\*" appended to an element that
// ends in a backslash. Empty when the value holds nothing but white space.
std::vector<PatternElement> split_elements(std::string_view value);

// Replaces `*list` by the elements of `value` (off when it is empty).
// Throws std::bad_alloc with the list left off.
void set_pattern_list(std::string_view value, PatternList* list);

// Removes a final "\*" or else a final "\*.*" (single-byte backslash).
void strip_dir_suffix(std::string* element);

// A size such as 100, 1K, 1.5M or 0.5G, in bytes; never one of the
// markers kSizeNone and kSizeOpen.
uint64_t parse_size(std::string_view text);

// Reads a date range such as 2001, 200104-, -2018 or 20010301-20010310.
void parse_date_range(std::string_view value, DateRange* range);

// Julian dates of the two ends of a range: `from` completed with January 1,
// 00:00:00 for what it lacks; `to` with December, the last day of its
// month and 23:59:59.
double range_start_julian(const DateBound& from);
double range_end_julian(const DateBound& to);

// ---- Matchers and path tests (path_filters.cc) --------------------------

// The wildcard matchers: `?` one byte, runs of `*` any bytes (a landing
// byte once found is final), letters alike when `fold` is set. A literal
// byte only matches a byte of the same class, so no comparison splits a
// double-byte character.
//
// `pattern` covers all of `text`; an empty pattern only an empty text.
bool match_whole(std::string_view text, std::string_view pattern, bool fold);
// As match_whole; in the pattern "\*", "\?" and "\\" stand for the byte.
bool match_whole_escaped(std::string_view text, std::string_view pattern,
                         bool fold);
// `pattern` covers a leading part of `path` that ends at its end or at a
// single-byte backslash; an empty pattern matches nothing.
bool match_head(std::string_view path, std::string_view pattern, bool fold);
// `pattern` covers a trailing part of `path` that starts at its start, after
// ':' or after a single-byte backslash; an empty pattern matches nothing.
// A one-byte pattern is compared literally.
bool match_tail(std::string_view path, std::string_view pattern, bool fold);

// True when both are empty, or `element` equals `path` or continues it with
// a single-byte backslash, letters alike.
bool is_path_under_nocase(std::string_view element, std::string_view path);

// Puts `directory` in front of `*element` when it was given relative, in
// place of the directory put there before. Throws std::bad_alloc.
void complete_path_element(std::string_view directory, PatternElement* element);

// Whether `element` lies in `directory`: true for a relative element (it
// is completed against it), for an absolute one as the directory's text
// says.
bool path_element_inside(const PatternElement& element,
                         std::string_view directory, bool fold);

// Whether /sh, /sH, /st, /sT, /sp or /sP skips the entry at `path`.
bool path_skipped(const FilterSet& filters, std::string_view path);
// Whether /lh, /lH, /lt, /lT, /lp or /lP excludes the file at `path`.
bool file_outside_path_limits(const FilterSet& filters, std::string_view path);
// Whether /lh, /lH, /lp or /lP excludes the directory at `path`: it passes
// when it lies on the way to an element or at or below a head.
bool directory_outside_path_limits(const FilterSet& filters,
                                   std::string_view path);

// ---- Entry tests (entry_filters.cc) -------------------------------------

// Whether the local time `time` lies in `range` (bounds included).
bool time_in_range(const CalendarTime& time, const DateRange& range);

}  // namespace kavo

#endif  // KAVO_FILTERS_FILTER_PARTS_H_

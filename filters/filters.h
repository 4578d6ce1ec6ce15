// The skip (/s...) and limit (/l...) options: their compiled form,
// FilterSet, and the tests the walk asks of each entry.

#ifndef KAVO_FILTERS_FILTERS_H_
#define KAVO_FILTERS_FILTERS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kavo {

struct FindRecord;

// One element of a list option. A relative head or path element holds the
// directory text of the file argument in hand in front of the element as
// given; `directory_length` counts those bytes (-1 until the element has
// been completed once), so that each argument puts its own directory there
// and an element is never completed twice over.
struct PatternElement {
  std::string text;
  ptrdiff_t directory_length = -1;
};

// The elements of one list option, in the order given; empty means off.
struct PatternList {
  std::vector<PatternElement> items;
};

// One attribute option after compilation: masks of the elements without
// 'd' (tested on files) and of those with 'd' (tested on directories).
struct AttributeMasks {
  std::vector<uint32_t> file_masks;
  std::vector<uint32_t> dir_masks;
};

// One side of a date range; -1 not given, year -2 this side open.
struct DateBound {
  int32_t year = -1;
  int32_t month = -1;
  int32_t day = -1;
  int32_t hour = -1;
  int32_t minute = -1;
  int32_t second = -1;
};

// A date range; off when both years are -1.
struct DateRange {
  DateBound from;
  DateBound to;
};

// Markers of size_min and size_max: the bound is not given, or the range
// has nothing on this side of its hyphen.
constexpr uint64_t kSizeNone = ~uint64_t{0};
constexpr uint64_t kSizeOpen = ~uint64_t{1};

// The compiled skip and limit settings of a run. All off at start.
struct FilterSet {
  PatternList skip_head;              // /sh
  PatternList skip_head_case;         // /sH
  PatternList skip_tail;              // /st
  PatternList skip_tail_case;         // /sT
  PatternList skip_path;              // /sp
  PatternList skip_path_case;         // /sP
  PatternList skip_dir_name;          // /sd
  PatternList skip_dir_name_case;     // /sD
  PatternList skip_file_name;         // /sf
  PatternList skip_file_name_case;    // /sF
  PatternList skip_extension;         // /se
  PatternList skip_extension_case;    // /sE
  PatternList skip_attributes;        // /sa
  PatternList skip_attributes_exact;  // /sA

  PatternList limit_head;              // /lh
  PatternList limit_head_dirs;         // /lh, copy tested on directories
  PatternList limit_head_case;         // /lH
  PatternList limit_head_case_dirs;    // /lH, copy tested on directories
  PatternList limit_tail;              // /lt
  PatternList limit_tail_case;         // /lT
  PatternList limit_path;              // /lp
  PatternList limit_path_case;         // /lP
  PatternList limit_dir_name;          // /ld
  PatternList limit_dir_name_case;     // /lD
  PatternList limit_file_name;         // /lf
  PatternList limit_file_name_case;    // /lF
  PatternList limit_extension;         // /le
  PatternList limit_extension_case;    // /lE
  PatternList limit_attributes;        // /la
  PatternList limit_attributes_exact;  // /lA

  AttributeMasks skip_attribute_masks;         // from /sa
  AttributeMasks skip_attribute_masks_exact;   // from /sA
  AttributeMasks limit_attribute_masks;        // from /la
  AttributeMasks limit_attribute_masks_exact;  // from /lA

  uint64_t size_min = kSizeNone;  // /ls
  uint64_t size_max = kSizeNone;

  DateRange file_written;   // /ly, /lyw
  DateRange file_created;   // /lyc
  DateRange file_accessed;  // /lyr
  DateRange dir_written;    // /lyd, /lydw
  DateRange dir_created;    // /lydc
  DateRange dir_accessed;   // /lydr

  // Set by finish_filters: which test groups run for each entry.
  bool skip_dirs_active = false;
  bool skip_files_active = false;
  bool limit_dirs_active = false;
  bool limit_files_active = false;
  bool size_active = false;
  bool file_dates_active = false;
  bool dir_dates_active = false;
};

// Applies a skip option; `text` starts at its letter s or S. Returns false
// when it is no skip option. Running out of memory throws std::bad_alloc,
// here and in every operation below that builds text.
bool compile_skip_option(const char* text, FilterSet* filters);

// Applies a limit option; `text` starts at its letter l or L. Returns false
// when it is no limit option.
bool compile_limit_option(const char* text, FilterSet* filters);

// For /or: removes every 'r' from the file elements of the /sa list so far.
void strip_readonly_from_skip_attributes(FilterSet* filters);

// Compiles attribute masks and activates the tests once every option is
// known.
void finish_filters(FilterSet* filters);

// Puts `directory` (the directory text of the file argument in hand) in
// front of every relative head and path element, in place of the directory
// an earlier argument put there.
void complete_path_filters(const std::string& directory, FilterSet* filters);

// Ends the run (RunAborted, unlogged) with the message naming `label` when
// an absolute head or path element lies outside `directory`.
void validate_path_filters(const char* label, const std::string& directory,
                           const FilterSet& filters);

// True when a skip or limit option excludes the directory at `path`
// (directory text of the argument, sub-path and name, no final '\').
// `record` holds the entry's attributes, times and size as just read.
bool directory_excluded(const FilterSet& filters, const std::string& path,
                        const FindRecord& record);

// The same for a file.
bool file_excluded(const FilterSet& filters, const std::string& path,
                   const FindRecord& record);

// True when some test of `filters` reads an entry's attributes, size or
// times, not its name and path alone.
bool filters_read_entry_details(const FilterSet& filters);

}  // namespace kavo

#endif  // KAVO_FILTERS_FILTERS_H_

// The skip (/s...) and limit (/l...) options: their compiled form,
// FilterSet, and the tests the walk asks of each entry.

#ifndef KAVO_FILTERS_FILTERS_H_
#define KAVO_FILTERS_FILTERS_H_

#include <string>

namespace kavo {

struct FindRecord;

// The compiled skip and limit settings of a run. All off at start.
struct FilterSet {
  // Filled in by the filter options (fields as the options list them).
};

// Applies a skip option; `text` starts at its letter s or S. Returns 0
// applied, 1 out of memory, 2 not a skip option.
int compile_skip_option(const char* text, FilterSet* filters);

// Applies a limit option; `text` starts at its letter l or L. Returns 0
// applied, 1 out of memory, 2 not a limit option.
int compile_limit_option(const char* text, FilterSet* filters);

// For /or: removes every 'r' from the file elements of the /sa list so far.
void strip_readonly_from_skip_attributes(FilterSet* filters);

// Compiles attribute masks and activates the tests once every option is
// known. Returns false when memory ran out.
bool finish_filters(FilterSet* filters);

// Completes relative head and path elements against `directory` (the
// directory text of the file argument in hand) and ends the run with the
// message naming `label` when an absolute element lies outside it.
void validate_path_filters(const char* label, const std::string& directory,
                           FilterSet* filters);

// True when a skip or limit option excludes the directory at `path`
// (directory text of the argument, sub-path and name, no final '\').
// `record` holds the entry's attributes, times and size as just read.
bool directory_excluded(const FilterSet& filters, const std::string& path,
                        const FindRecord& record);

// The same for a file.
bool file_excluded(const FilterSet& filters, const std::string& path,
                   const FindRecord& record);

}  // namespace kavo

#endif  // KAVO_FILTERS_FILTERS_H_

// The per-entry question of the walk: does a skip or a limit option exclude
// this file or directory? Text tests come first; the attributes, size and
// times come from the record the walk has just read.

#include <cstdint>
#include <string>
#include <string_view>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "names/calendar.h"
#include "platform/platform.h"
#include "text/path_text.h"
#include "text/sjis.h"

namespace kavo {

namespace {

constexpr uint32_t kExactAttributeBits = 0x37;

// The entry under test: its path and the record the walk read. Should the
// walk hand over a record without attributes and times, they are looked
// up once, on first use.
struct Entry {
  std::string_view path;
  const FindRecord* given;
  FindRecord looked_up;
  const FindRecord* record = nullptr;
};

const FindRecord& entry_record(Entry* entry) {
  if (entry->record != nullptr) return *entry->record;
  if (entry->given->complete) {
    entry->record = entry->given;
  } else {
    complete_entry(std::string(entry->path), &entry->looked_up);
    entry->record = &entry->looked_up;
  }
  return *entry->record;
}

bool record_missing(const FindRecord& record) {
  return record.attributes == kAttrMissing;
}

// The attribute word with the writable bit added when read-only is clear.
uint32_t tested_attributes(const FindRecord& record) {
  uint32_t word = record.attributes;
  return (word & kAttrReadOnly) ? word : word | kAttrNormal;
}

bool any_mask_present(const std::vector<uint32_t>& masks, uint32_t word) {
  for (uint32_t mask : masks) {
    if ((word & mask) == mask) return true;
  }
  return false;
}

bool any_mask_exact(const std::vector<uint32_t>& masks, uint32_t word) {
  for (uint32_t mask : masks) {
    if ((word & kExactAttributeBits) == mask) return true;
  }
  return false;
}

// The name of the entry: its last path component (the one before a final
// single-byte backslash).
std::string_view entry_name(std::string_view path) {
  if (!path.empty() && path.back() == '\\' &&
      sjis_byte_class(path, path.size() - 1) != 2) {
    path.remove_suffix(1);
  }
  return path.substr(name_start(path));
}

bool matches_any(const PatternList& list, std::string_view text, bool fold,
                 bool escaped) {
  for (const PatternElement& element : list.items) {
    bool match = escaped ? match_whole_escaped(text, element.text, fold)
                         : match_whole(text, element.text, fold);
    if (match) return true;
  }
  return false;
}

// A name limit with elements that none of them matches.
bool fails_limit(const PatternList& list, std::string_view text, bool fold,
                 bool escaped) {
  return !list.items.empty() && !matches_any(list, text, fold, escaped);
}

// Attribute test of a skip: a failed query skips nothing.
bool attributes_skip(const std::vector<uint32_t>& present,
                     const std::vector<uint32_t>& exact, Entry* entry) {
  const FindRecord& record = entry_record(entry);
  if (record_missing(record)) return false;
  uint32_t word = tested_attributes(record);
  return any_mask_present(present, word) || any_mask_exact(exact, word);
}

// Attribute test of a limit: a failed query excludes; each option that has
// masks must be satisfied by one of them.
bool attributes_outside(const std::vector<uint32_t>& present,
                        const std::vector<uint32_t>& exact, Entry* entry) {
  const FindRecord& record = entry_record(entry);
  if (record_missing(record)) return true;
  uint32_t word = tested_attributes(record);
  return (!present.empty() && !any_mask_present(present, word)) ||
         (!exact.empty() && !any_mask_exact(exact, word));
}

bool size_in_range(const FilterSet& f, uint64_t size) {
  if (f.size_max == kSizeNone) return size == f.size_min;
  if (f.size_max == kSizeOpen) return size >= f.size_min;
  if (f.size_min == kSizeOpen) return size <= f.size_max;
  return f.size_min <= size && size <= f.size_max;
}

bool range_set(const DateRange& range) {
  return range.from.year != -1 || range.to.year != -1;
}

bool time_outside(const DateRange& range, int64_t utc_seconds) {
  return range_set(range) &&
         !time_in_range(local_calendar_time(utc_seconds), range);
}

bool dates_outside(const DateRange& written, const DateRange& created,
                   const DateRange& accessed, Entry* entry) {
  const FindRecord& record = entry_record(entry);
  if (record_missing(record)) return true;
  return time_outside(written, record.write_time) ||
         time_outside(created, record.creation_time) ||
         time_outside(accessed, record.access_time);
}

// -1, 0 or 1 as `time` is before, at or after `bound`, comparing the year
// always and each later field only while the bound gives it.
int compare_with_bound(const CalendarTime& time, const DateBound& bound) {
  const int32_t given[] = {bound.month, bound.day, bound.hour, bound.minute,
                           bound.second};
  const int32_t actual[] = {time.month, time.day, time.hour, time.minute,
                            time.second};
  if (time.year != bound.year) return time.year < bound.year ? -1 : 1;
  for (int i = 0; i < 5 && given[i] != -1; ++i) {
    if (actual[i] != given[i]) return actual[i] < given[i] ? -1 : 1;
  }
  return 0;
}

bool single_date_matches(const CalendarTime& time, const DateBound& date) {
  return compare_with_bound(time, date) == 0;
}

bool file_skipped(const FilterSet& f, Entry* entry) {
  if (path_skipped(f, entry->path)) return true;
  std::string_view name = entry_name(entry->path);
  if (!name.empty() &&
      (matches_any(f.skip_file_name, name, true, false) ||
       matches_any(f.skip_file_name_case, name, false, false))) {
    return true;
  }
  size_t extension = find_extension(name);
  if (extension != kNoPosition &&
      (matches_any(f.skip_extension, name.substr(extension), true, false) ||
       matches_any(f.skip_extension_case, name.substr(extension), false,
                   false))) {
    return true;
  }
  const std::vector<uint32_t>& present = f.skip_attribute_masks.file_masks;
  const std::vector<uint32_t>& exact = f.skip_attribute_masks_exact.file_masks;
  return (!present.empty() || !exact.empty()) &&
         attributes_skip(present, exact, entry);
}

bool directory_skipped(const FilterSet& f, Entry* entry) {
  if (path_skipped(f, entry->path)) return true;
  std::string_view name = entry_name(entry->path);
  if (!name.empty() && (matches_any(f.skip_dir_name, name, true, true) ||
                        matches_any(f.skip_dir_name_case, name, false, true))) {
    return true;
  }
  const std::vector<uint32_t>& present = f.skip_attribute_masks.dir_masks;
  const std::vector<uint32_t>& exact = f.skip_attribute_masks_exact.dir_masks;
  return (!present.empty() || !exact.empty()) &&
         attributes_skip(present, exact, entry);
}

bool file_outside_limits(const FilterSet& f, Entry* entry) {
  if (file_outside_path_limits(f, entry->path)) return true;
  std::string_view name = entry_name(entry->path);
  if (!name.empty() &&
      (fails_limit(f.limit_file_name, name, true, false) ||
       fails_limit(f.limit_file_name_case, name, false, false))) {
    return true;
  }
  // A file without an extension is not limited by /le and /lE.
  size_t extension = find_extension(name);
  if (extension != kNoPosition &&
      (fails_limit(f.limit_extension, name.substr(extension), true, false) ||
       fails_limit(f.limit_extension_case, name.substr(extension), false,
                   false))) {
    return true;
  }
  const std::vector<uint32_t>& present = f.limit_attribute_masks.file_masks;
  const std::vector<uint32_t>& exact = f.limit_attribute_masks_exact.file_masks;
  if ((!present.empty() || !exact.empty()) &&
      attributes_outside(present, exact, entry)) {
    return true;
  }
  if (f.size_active) {
    const FindRecord& record = entry_record(entry);
    if (record_missing(record) || !size_in_range(f, record.size)) return true;
  }
  return f.file_dates_active &&
         dates_outside(f.file_written, f.file_created, f.file_accessed, entry);
}

bool directory_outside_limits(const FilterSet& f, Entry* entry) {
  if (directory_outside_path_limits(f, entry->path)) return true;
  std::string_view name = entry_name(entry->path);
  if (!name.empty() &&
      (fails_limit(f.limit_dir_name, name, true, true) ||
       fails_limit(f.limit_dir_name_case, name, false, true))) {
    return true;
  }
  const std::vector<uint32_t>& present = f.limit_attribute_masks.dir_masks;
  const std::vector<uint32_t>& exact = f.limit_attribute_masks_exact.dir_masks;
  if ((!present.empty() || !exact.empty()) &&
      attributes_outside(present, exact, entry)) {
    return true;
  }
  return f.dir_dates_active &&
         dates_outside(f.dir_written, f.dir_created, f.dir_accessed, entry);
}

bool has_masks(const AttributeMasks& masks) {
  return !masks.file_masks.empty() || !masks.dir_masks.empty();
}

}  // namespace

bool time_in_range(const CalendarTime& time, const DateRange& range) {
  const DateBound& from = range.from;
  const DateBound& to = range.to;
  if (from.year >= 1 && to.year == -1) return single_date_matches(time, from);
  if (to.year == -2) return compare_with_bound(time, from) >= 0;
  if (from.year == -2) return compare_with_bound(time, to) <= 0;
  if (time.year < from.year || time.year > to.year) return false;
  double julian = julian_date(time.year, time.month, time.day, time.hour,
                              time.minute, time.second);
  if (time.year == from.year && julian < range_start_julian(from)) {
    return false;
  }
  return time.year != to.year || julian <= range_end_julian(to);
}

bool directory_excluded(const FilterSet& filters, const std::string& path,
                        const FindRecord& record) {
  if (!filters.skip_dirs_active && !filters.limit_dirs_active) return false;
  Entry entry{path, &record, FindRecord(), nullptr};
  if (filters.skip_dirs_active && directory_skipped(filters, &entry)) {
    return true;
  }
  return filters.limit_dirs_active && directory_outside_limits(filters, &entry);
}

bool file_excluded(const FilterSet& filters, const std::string& path,
                   const FindRecord& record) {
  if (!filters.skip_files_active && !filters.limit_files_active) return false;
  Entry entry{path, &record, FindRecord(), nullptr};
  if (filters.skip_files_active && file_skipped(filters, &entry)) return true;
  return filters.limit_files_active && file_outside_limits(filters, &entry);
}

bool filters_read_entry_details(const FilterSet& f) {
  return has_masks(f.skip_attribute_masks) ||
         has_masks(f.skip_attribute_masks_exact) ||
         has_masks(f.limit_attribute_masks) ||
         has_masks(f.limit_attribute_masks_exact) || f.size_active ||
         f.file_dates_active || f.dir_dates_active;
}

}  // namespace kavo

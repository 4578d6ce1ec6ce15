// Reading the skip and limit options into FilterSet, and compiling the
// attribute masks and test flags once all options are known.

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "names/calendar.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace kavo {

namespace {

constexpr uint32_t kMaskReadOnly = 0x01;
constexpr uint32_t kMaskHidden = 0x02;
constexpr uint32_t kMaskSystem = 0x04;
constexpr uint32_t kMaskDirectory = 0x10;
constexpr uint32_t kMaskArchive = 0x20;
constexpr uint32_t kMaskWritable = 0x80;

// The largest size a value can give: sizes beyond 64 bits stop here, below
// the two markers.
constexpr uint64_t kLargestSize = kSizeOpen - 1;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Drops the element's trailing white space and gives an element that ends
// in a single-byte backslash the star that means "everything below".
void close_element(std::string* text, std::vector<PatternElement>* items) {
  while (!text->empty() && is_space(text->back())) text->pop_back();
  if (!text->empty() && text->back() == '\\' &&
      sjis_byte_class(*text, text->size() - 1) != 2) {
    text->push_back('*');
  }
  items->push_back(PatternElement{std::move(*text)});
  text->clear();
}

bool ends_with_dir_suffix(const std::string& element, std::string_view suffix) {
  if (element.size() < suffix.size()) return false;
  size_t start = element.size() - suffix.size();
  return element.compare(start, suffix.size(), suffix) == 0 &&
         sjis_byte_class(element, start) != 2;
}

// Elements are compared with names and paths as the directory search gives
// them, so each is read the way a name is, once the value's own comma and
// white-space rules have cut it.
void map_elements(NamePatternKind kind, PatternList* list) {
  for (PatternElement& element : list->items) {
    element.text = name_pattern_text(element.text, kind);
  }
}

// How the elements of the list option `letter` (either case) read.
NamePatternKind kind_of_elements(char letter) {
  switch (lower(letter)) {
    case 'd':
      return NamePatternKind::kEscapedName;
    case 'f':
    case 'e':
      return NamePatternKind::kName;
    default:
      return NamePatternKind::kPath;
  }
}

bool is_attribute_letter(char letter) { return lower(letter) == 'a'; }

// Sets the list of option `letter`.
void apply_list(std::string_view value, char letter, PatternList* list) {
  set_pattern_list(value, list);
  if (!is_attribute_letter(letter)) {
    map_elements(kind_of_elements(letter), list);
  }
}

// /lh and /lH: the list itself and its copy for directories, whose
// elements lose a final "\*" or "\*.*" so that the directory itself passes.
void apply_head_limit(std::string_view value, PatternList* list,
                      PatternList* dirs) {
  set_pattern_list(value, list);
  map_elements(NamePatternKind::kPath, list);
  *dirs = *list;
  for (PatternElement& element : dirs->items) strip_dir_suffix(&element.text);
}

PatternList* skip_list(char letter, FilterSet* f) {
  switch (letter) {
    case 'h':
      return &f->skip_head;
    case 'H':
      return &f->skip_head_case;
    case 't':
      return &f->skip_tail;
    case 'T':
      return &f->skip_tail_case;
    case 'p':
      return &f->skip_path;
    case 'P':
      return &f->skip_path_case;
    case 'd':
      return &f->skip_dir_name;
    case 'D':
      return &f->skip_dir_name_case;
    case 'f':
      return &f->skip_file_name;
    case 'F':
      return &f->skip_file_name_case;
    case 'e':
      return &f->skip_extension;
    case 'E':
      return &f->skip_extension_case;
    case 'a':
      return &f->skip_attributes;
    case 'A':
      return &f->skip_attributes_exact;
    default:
      return nullptr;
  }
}

// The limit lists other than /lh and /lH.
PatternList* limit_list(char letter, FilterSet* f) {
  switch (letter) {
    case 't':
      return &f->limit_tail;
    case 'T':
      return &f->limit_tail_case;
    case 'p':
      return &f->limit_path;
    case 'P':
      return &f->limit_path_case;
    case 'd':
      return &f->limit_dir_name;
    case 'D':
      return &f->limit_dir_name_case;
    case 'f':
      return &f->limit_file_name;
    case 'F':
      return &f->limit_file_name_case;
    case 'e':
      return &f->limit_extension;
    case 'E':
      return &f->limit_extension_case;
    case 'a':
      return &f->limit_attributes;
    case 'A':
      return &f->limit_attributes_exact;
    default:
      return nullptr;
  }
}

// `text` starts after "ly": picks the range and where its value starts.
DateRange* date_range_for(const char* text, FilterSet* f, const char** value) {
  char first = lower(text[0]);
  *value = text + 1;
  if (first == 'w') return &f->file_written;
  if (first == 'c') return &f->file_created;
  if (first == 'r') return &f->file_accessed;
  if (first != 'd') {
    *value = text;
    return &f->file_written;
  }
  char second = lower(text[1]);
  *value = text + 2;
  if (second == 'w') return &f->dir_written;
  if (second == 'c') return &f->dir_created;
  if (second == 'r') return &f->dir_accessed;
  *value = text + 1;
  return &f->dir_written;
}

void set_size_range(std::string_view value, FilterSet* f) {
  f->size_min = f->size_max = kSizeNone;
  if (value.empty()) return;
  f->size_min = value[0] == '-' ? kSizeOpen : parse_size(value);
  size_t dash = value.find('-');
  if (dash != std::string_view::npos) {
    f->size_max = dash + 1 == value.size() ? kSizeOpen
                                           : parse_size(value.substr(dash + 1));
  }
  if (f->size_min == kSizeOpen && f->size_max == kSizeOpen) {
    f->size_min = f->size_max = kSizeNone;
  }
}

uint64_t saturating_multiply(uint64_t a, uint64_t b) {
  if (b != 0 && a > std::numeric_limits<uint64_t>::max() / b) {
    return std::numeric_limits<uint64_t>::max();
  }
  return a * b;
}

uint64_t unit_of(char c) {
  switch (lower(c)) {
    case 'k':
      return uint64_t{1} << 10;
    case 'm':
      return uint64_t{1} << 20;
    case 'g':
      return uint64_t{1} << 30;
    default:
      return 0;
  }
}

// The integer at the start of a size, as strtoll reads it (saturated);
// `*end` is where its digits end, or 0 when there are none.
int64_t read_integer(std::string_view text, size_t* end) {
  size_t i = 0;
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  size_t first_digit = i;
  uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    uint64_t digit = text[i] - '0';
    magnitude =
        magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  *end = i == first_digit ? 0 : i;
  if (*end == 0) return 0;
  return negative ? static_cast<int64_t>(0 - magnitude)
                  : static_cast<int64_t>(magnitude);
}

// Whether the element names a directory: it holds a d or D.
bool is_dir_element(std::string_view element) {
  int cls = 0;
  for (char c : element) {
    cls = next_byte_class(cls, c);
    if (cls == 0 && lower(c) == 'd') return true;
  }
  return false;
}

// Applies one attribute letter (lower case) to a mask. /sa and /la keep the
// writable bit for w; /sA and /lA compare read-only only.
uint32_t apply_letter(uint32_t mask, char letter, bool exact) {
  switch (letter) {
    case 'a':
      return mask | kMaskArchive;
    case 'h':
      return mask | kMaskHidden;
    case 's':
      return mask | kMaskSystem;
    case 'r':
      return exact ? mask | kMaskReadOnly
                   : (mask | kMaskReadOnly) & ~kMaskWritable;
    case 'w':
      return exact ? mask & ~kMaskReadOnly
                   : (mask & ~kMaskReadOnly) | kMaskWritable;
    default:
      return mask;
  }
}

uint32_t element_mask(std::string_view element, bool directory, bool exact) {
  uint32_t mask = directory ? kMaskDirectory : 0;
  int cls = 0;
  for (char c : element) {
    cls = next_byte_class(cls, c);
    if (cls == 0) mask = apply_letter(mask, lower(c), exact);
  }
  return mask;
}

// A file element without any letter that counts is dropped.
void compile_attributes(const PatternList& list, bool exact,
                        AttributeMasks* masks) {
  masks->file_masks.clear();
  masks->dir_masks.clear();
  for (const PatternElement& element : list.items) {
    bool directory = is_dir_element(element.text);
    uint32_t mask = element_mask(element.text, directory, exact);
    if (directory) {
      masks->dir_masks.push_back(mask);
    } else if (mask != 0) {
      masks->file_masks.push_back(mask);
    }
  }
}

bool date_range_set(const DateRange& range) {
  return range.from.year != -1 || range.to.year != -1;
}

bool any_set(const PatternList& a, const PatternList& b,
             const PatternList& c = PatternList(),
             const PatternList& d = PatternList()) {
  return !a.items.empty() || !b.items.empty() || !c.items.empty() ||
         !d.items.empty();
}

void activate_ranges(FilterSet* f) {
  if (f->size_min != kSizeNone || f->size_max != kSizeNone) {
    f->size_active = f->limit_files_active = true;
  }
  if (date_range_set(f->file_written) || date_range_set(f->file_created) ||
      date_range_set(f->file_accessed)) {
    f->file_dates_active = f->limit_files_active = true;
  }
  if (date_range_set(f->dir_written) || date_range_set(f->dir_created) ||
      date_range_set(f->dir_accessed)) {
    f->dir_dates_active = f->limit_dirs_active = true;
  }
}

void activate_lists(FilterSet* f) {
  if (any_set(f->skip_path, f->skip_path_case, f->skip_head,
              f->skip_head_case) ||
      any_set(f->skip_tail, f->skip_tail_case)) {
    f->skip_files_active = f->skip_dirs_active = true;
  }
  if (any_set(f->limit_head, f->limit_head_case, f->limit_path,
              f->limit_path_case)) {
    f->limit_files_active = f->limit_dirs_active = true;
  }
  if (any_set(f->limit_tail, f->limit_tail_case)) f->limit_files_active = true;
  if (any_set(f->skip_file_name, f->skip_extension, f->skip_file_name_case,
              f->skip_extension_case) ||
      !f->skip_attribute_masks.file_masks.empty() ||
      !f->skip_attribute_masks_exact.file_masks.empty()) {
    f->skip_files_active = true;
  }
  if (any_set(f->limit_file_name, f->limit_extension, f->limit_file_name_case,
              f->limit_extension_case) ||
      !f->limit_attribute_masks.file_masks.empty() ||
      !f->limit_attribute_masks_exact.file_masks.empty()) {
    f->limit_files_active = true;
  }
  if (any_set(f->skip_dir_name, f->skip_dir_name_case) ||
      !f->skip_attribute_masks.dir_masks.empty() ||
      !f->skip_attribute_masks_exact.dir_masks.empty()) {
    f->skip_dirs_active = true;
  }
  if (any_set(f->limit_dir_name, f->limit_dir_name_case) ||
      !f->limit_attribute_masks.dir_masks.empty() ||
      !f->limit_attribute_masks_exact.dir_masks.empty()) {
    f->limit_dirs_active = true;
  }
}

bool digits_at(std::string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return false;
  for (size_t i = pos; i < pos + count; ++i) {
    if (!is_digit(text[i])) return false;
  }
  return true;
}

int32_t number_at(std::string_view text, size_t pos, size_t count) {
  int32_t n = 0;
  for (size_t i = pos; i < pos + count; ++i) n = n * 10 + (text[i] - '0');
  return n;
}

// Reads YYYY[MM[DD[HH[MM[SS]]]]] at `pos`; returns where reading stopped
// (`pos` itself when fewer than four digits stand there).
size_t read_date_bound(std::string_view text, size_t pos, DateBound* bound) {
  if (!digits_at(text, pos, 4)) return pos;
  bound->year = number_at(text, pos, 4);
  pos += 4;
  int32_t* fields[] = {&bound->month, &bound->day, &bound->hour, &bound->minute,
                       &bound->second};
  for (int32_t* field : fields) {
    if (!digits_at(text, pos, 2)) break;
    *field = number_at(text, pos, 2);
    pos += 2;
  }
  return pos;
}

}  // namespace

std::vector<PatternElement> split_elements(std::string_view value) {
  std::vector<PatternElement> items;
  std::string current;
  int cls = 0;
  bool after_comma = false;
  for (char c : value) {
    cls = next_byte_class(cls, c);
    if (cls == 0 && c == ',') {
      close_element(&current, &items);
      after_comma = true;
      continue;
    }
    if (after_comma && is_space(c)) continue;
    after_comma = false;
    current.push_back(c);
  }
  close_element(&current, &items);
  if (items.size() == 1 && items[0].text.empty()) items.clear();
  return items;
}

void set_pattern_list(std::string_view value, PatternList* list) {
  list->items.clear();
  if (value.empty()) return;
  list->items = split_elements(value);
}

void strip_dir_suffix(std::string* element) {
  if (ends_with_dir_suffix(*element, "\\*")) {
    element->resize(element->size() - 2);
  } else if (ends_with_dir_suffix(*element, "\\*.*")) {
    element->resize(element->size() - 4);
  }
}

uint64_t parse_size(std::string_view text) {
  size_t i = 0;
  int64_t integer = read_integer(text, &i);
  if (i == 0) return 0;
  // At most 19 fraction digits count, so that 10^k stays within 64 bits.
  uint64_t fraction = 0;
  uint64_t scale = 1;
  if (i < text.size() && text[i] == '.') {
    int digits = 0;
    for (++i; i < text.size() && is_digit(text[i]); ++i) {
      if (digits == 19) continue;
      fraction = fraction * 10 + (text[i] - '0');
      scale *= 10;
      ++digits;
    }
  }
  uint64_t unit = i < text.size() ? unit_of(text[i]) : 0;
  uint64_t whole = static_cast<uint64_t>(integer);
  if (unit == 0) return std::min(whole, kLargestSize);
  while (fraction > std::numeric_limits<uint64_t>::max() / unit) {
    fraction /= 10;
    scale /= 10;
  }
  uint64_t size = saturating_multiply(whole, unit);
  uint64_t part = fraction * unit / scale;
  size = size > kLargestSize - part ? kLargestSize : size + part;
  return std::min(size, kLargestSize);
}

double range_start_julian(const DateBound& from) {
  auto or_default = [](int32_t field, int32_t value) {
    return field == -1 ? value : field;
  };
  return julian_date(from.year, or_default(from.month, 1),
                     or_default(from.day, 1), or_default(from.hour, 0),
                     or_default(from.minute, 0), or_default(from.second, 0));
}

double range_end_julian(const DateBound& to) {
  auto or_default = [](int32_t field, int32_t value) {
    return field == -1 ? value : field;
  };
  int32_t month = or_default(to.month, 12);
  return julian_date(to.year, month,
                     or_default(to.day, days_in_month(to.year, month)),
                     or_default(to.hour, 23), or_default(to.minute, 59),
                     or_default(to.second, 59));
}

void parse_date_range(std::string_view value, DateRange* range) {
  *range = DateRange();
  if (value.empty()) return;
  size_t stop = 0;
  if (value[0] == '-') {
    range->from.year = -2;
  } else {
    stop = read_date_bound(value, 0, &range->from);
  }
  size_t dash = value.find('-', stop);
  if (dash != std::string_view::npos) {
    if (dash + 1 == value.size()) {
      range->to.year = -2;
    } else {
      read_date_bound(value, dash + 1, &range->to);
    }
  }
  // A start after the end leaves the range open upwards from its start.
  if (range->from.year > 0 && range->to.year > 0 &&
      range_start_julian(range->from) > range_end_julian(range->to)) {
    range->to.year = -2;
  }
  if (range->from.year == -2 && range->to.year == -2) *range = DateRange();
}

bool compile_skip_option(const char* text, FilterSet* filters) {
  PatternList* list = skip_list(text[1], filters);
  if (list == nullptr) return false;
  apply_list(text + 2, text[1], list);
  return true;
}

bool compile_limit_option(const char* text, FilterSet* filters) {
  char letter = text[1];
  if (letter == 'h') {
    apply_head_limit(text + 2, &filters->limit_head, &filters->limit_head_dirs);
  } else if (letter == 'H') {
    apply_head_limit(text + 2, &filters->limit_head_case,
                     &filters->limit_head_case_dirs);
  } else if (letter == 's' || letter == 'S') {
    set_size_range(text + 2, filters);
  } else if (letter == 'y' || letter == 'Y') {
    const char* value = nullptr;
    DateRange* range = date_range_for(text + 2, filters, &value);
    parse_date_range(value, range);
  } else {
    PatternList* list = limit_list(letter, filters);
    if (list == nullptr) return false;
    apply_list(text + 2, letter, list);
  }
  return true;
}

void strip_readonly_from_skip_attributes(FilterSet* filters) {
  for (PatternElement& element : filters->skip_attributes.items) {
    if (is_dir_element(element.text)) continue;
    std::string& text = element.text;
    size_t kept = 0;
    int cls = 0;
    for (char c : text) {
      cls = next_byte_class(cls, c);
      if (cls == 0 && lower(c) == 'r') continue;
      text[kept++] = c;
    }
    text.resize(kept);
  }
}

void finish_filters(FilterSet* filters) {
  compile_attributes(filters->skip_attributes, false,
                     &filters->skip_attribute_masks);
  compile_attributes(filters->limit_attributes, false,
                     &filters->limit_attribute_masks);
  compile_attributes(filters->skip_attributes_exact, true,
                     &filters->skip_attribute_masks_exact);
  compile_attributes(filters->limit_attributes_exact, true,
                     &filters->limit_attribute_masks_exact);
  activate_ranges(filters);
  activate_lists(filters);
}

}  // namespace kavo

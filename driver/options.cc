#include "driver/options.h"

#include <cstdint>
#include <new>
#include <string_view>

#include "filters/filters.h"
#include "output/channels.h"
#include "text/sjis.h"

namespace kavo {
namespace {

// What applying one option spelling gave.
enum OptionResult { kApplied, kInvalid };

// A skip or limit option handed to the filters.
OptionResult applied_if(bool filter_option) {
  return filter_option ? kApplied : kInvalid;
}

// Whole-word spelling (W): the text must be exactly `word` up to its end
// or a '/', letters of either case.
bool word(std::string_view text, std::string_view spelling) {
  return option_word_equals(text, spelling);
}

OptionResult apply_c(std::string_view s, RunOptions* o) {
  if (word(s, "case-")) {
    o->old_case_fold = false;
  } else if (word(s, "case")) {
    o->old_case_fold = true;
  } else if (word(s, "c-")) {
    o->continue_on_error = false;
  } else if (word(s, "c")) {
    o->continue_on_error = true;
  } else {
    return kInvalid;
  }
  return kApplied;
}

// The date layouts in the order they are tried.
struct DateSpelling {
  const char* spelling;
  DateFormat format;
};

constexpr DateSpelling kDateLayouts[] = {
    {"dateyyyymmdd-hhmmss", kDateYmdHms}, {"dateyyyymmdd-hhmm", kDateYmdHm},
    {"dateyymmdd-hhmmss", kDateShortHms}, {"dateyymmdd-hhmm", kDateShortHm},
    {"dateyyyymmdd", kDateYmd},           {"dateyymmdd", kDateShortYmd},
};

// The prefixed date options: datel<n>, date+<n>, date-<n>.
bool apply_date_number(std::string_view s, RunOptions* o) {
  if (starts_with(s, "datel")) {
    int32_t n = read_number(s.data() + 5);
    o->date_suffix_limit = n >= 2 ? n : (n == 1 ? 0 : 999);
  } else if (starts_with(s, "date+")) {
    o->date_shift_seconds = read_number(s.data() + 5);
    o->date_shift_sign = 1;
  } else if (starts_with(s, "date-")) {
    o->date_shift_seconds = read_number(s.data() + 5);
    o->date_shift_sign = -1;
  } else {
    return false;
  }
  return true;
}

OptionResult apply_d(std::string_view s, RunOptions* o) {
  if (word(s, "date-")) {
    o->date_format = kDateOff;
    return kApplied;
  }
  for (const DateSpelling& layout : kDateLayouts) {
    if (word(s, layout.spelling)) {
      o->date_format = layout.format;
      return kApplied;
    }
  }
  if (apply_date_number(s, o)) return kApplied;
  if (word(s, "date")) {
    o->date_format = kDateYmdHms;
  } else if (word(s, "d-")) {
    o->recurse_subdirs = false;
  } else if (word(s, "d")) {
    o->recurse_subdirs = true;
  } else {
    return kInvalid;
  }
  return kApplied;
}

OptionResult apply_e(std::string_view s, RunOptions* o) {
  if (word(s, "e")) {
    o->name_part = kWholeName;
  } else if (word(s, "eb") || word(s, "ebr") || word(s, "e-")) {
    o->name_part = kBodyRight;
  } else if (word(s, "ebl")) {
    o->name_part = kBodyLeft;
  } else if (word(s, "ee") || word(s, "eer")) {
    o->name_part = kExtensionRight;
  } else if (word(s, "eel")) {
    o->name_part = kExtensionLeft;
  } else {
    return kInvalid;
  }
  return kApplied;
}

void select_kinds(bool files, bool dirs, RunOptions* o) {
  o->select_files = files;
  o->select_dirs = dirs;
}

OptionResult apply_f(std::string_view s, RunOptions* o) {
  if (word(s, "fcase-")) {
    o->name_case_fold = true;
  } else if (word(s, "fcase")) {
    o->name_case_fold = false;
  } else if (word(s, "fa") || word(s, "f-")) {
    select_kinds(true, true, o);
  } else if (word(s, "ff") || word(s, "f")) {
    select_kinds(true, false, o);
  } else if (word(s, "fd")) {
    select_kinds(false, true, o);
  } else {
    return kInvalid;
  }
  return kApplied;
}

OptionResult apply_h(std::string_view s, RunOptions* o) {
  if (word(s, "h-")) {
    o->anchor_head = false;
  } else if (word(s, "ht")) {
    o->anchor_head = o->anchor_tail = true;
  } else if (word(s, "h")) {
    o->anchor_head = true;
  } else {
    return kInvalid;
  }
  return kApplied;
}

// Letter l: the log options, else a limit filter.
OptionResult apply_l(std::string_view s, RunOptions* o, FilterSet* f) {
  if (word(s, "log")) {
    o->log_mode = kLogOff;
  } else if (starts_with(s, "log") || starts_with(s, "LOG")) {
    // The file name runs to the end of the argument, '/' included.
    o->log_mode = s[0] == 'l' ? kLogCreate : kLogAppend;
    o->log_path = std::string(s.substr(3));
  } else {
    return applied_if(compile_limit_option(s.data(), f));
  }
  return kApplied;
}

OptionResult apply_o(std::string_view s, RunOptions* o, FilterSet* f) {
  if (word(s, "o-")) {
    o->overwrite = false;
  } else if (word(s, "o")) {
    o->overwrite = true;
    o->overwrite_readonly = false;
  } else if (word(s, "or")) {
    o->overwrite = o->overwrite_readonly = true;
    strip_readonly_from_skip_attributes(f);
  } else {
    return kInvalid;
  }
  return kApplied;
}

OptionResult apply_p(std::string_view s, RunOptions* o) {
  if (word(s, "p-")) {
    o->pause_output = false;
  } else if (word(s, "p")) {
    o->pause_output = true;
  } else {
    return kInvalid;
  }
  return kApplied;
}

OptionResult apply_s(std::string_view s, RunOptions* o, FilterSet* f) {
  if (word(s, "sort-")) {
    o->sort_names = true;
  } else if (word(s, "sort")) {
    o->sort_names = false;
  } else {
    return applied_if(compile_skip_option(s.data(), f));
  }
  return kApplied;
}

// time<n>: the byte after "time" must end the argument or start a number.
OptionResult apply_time(std::string_view s, RunOptions* o) {
  if (!starts_with_nocase(s, "time")) return kInvalid;
  char next = s.size() > 4 ? s[4] : '\0';
  if (next != '\0' && next != '-' && !is_digit(next)) return kInvalid;
  o->time_display_seconds = read_number(s.data() + 4);
  return kApplied;
}

OptionResult apply_t(std::string_view s, RunOptions* o) {
  if (word(s, "t-")) {
    o->anchor_tail = false;
  } else if (word(s, "th")) {
    o->anchor_head = o->anchor_tail = true;
  } else if (word(s, "t")) {
    o->anchor_tail = true;
  } else if (word(s, "test-")) {
    o->test_mode = false;
  } else if (word(s, "test")) {
    o->test_mode = true;
  } else {
    return apply_time(s, o);
  }
  return kApplied;
}

void set_all_display(bool value, RunOptions* o) {
  o->show_renamed = o->show_errors = o->show_totals = value;
  o->show_skipped = o->show_unchanged = value;
}

// One byte of a display list; `*add` is the current mode.
void apply_display_byte(char c, bool* add, RunOptions* o) {
  switch (fold_ascii(c)) {
    case '+': *add = true; break;
    case '-': *add = false; break;
    case '=': set_all_display(false, o); *add = true; break;
    case 'A': set_all_display(*add, o); break;
    case 'C': o->show_renamed = *add; break;
    case 'E': o->show_errors = *add; break;
    case 'F': o->show_totals = *add; break;
    case 'K': o->show_skipped = *add; break;
    case 'N': o->show_unchanged = *add; break;
    default: break;
  }
}

OptionResult apply_v(std::string_view s, RunOptions* o) {
  if (word(s, "v")) {
    set_all_display(false, o);
    o->show_renamed = o->show_errors = o->show_totals = true;
    return kApplied;
  }
  bool add = false;
  for (size_t i = 1; i < s.size() && s[i] != '/'; ++i) {
    apply_display_byte(s[i], &add, o);
  }
  return kApplied;
}

// Applies the option spelled at the start of `s` (its first letter on).
OptionResult apply_spelling(std::string_view s, RunOptions* o, FilterSet* f) {
  switch (fold_ascii(s.empty() ? '\0' : s[0])) {
    case 'C': return apply_c(s, o);
    case 'D': return apply_d(s, o);
    case 'E': return apply_e(s, o);
    case 'F': return apply_f(s, o);
    case 'H': return apply_h(s, o);
    case 'L': return apply_l(s, o, f);
    case 'O': return apply_o(s, o, f);
    case 'P': return apply_p(s, o);
    case 'S': return apply_s(s, o, f);
    case 'T': return apply_t(s, o);
    case 'V': return apply_v(s, o);
    default: return kInvalid;
  }
}

[[noreturn]] void report_invalid(const std::string& text, size_t position,
                                 bool from_config) {
  const char* prefix = from_config ? "設定ファイル" : "";
  if (position == 0) {
    abort_run_unlogged(
        "%s無効オプション  %s\n"
        "※引数なしで実行すると使用方法を表示します。\n",
        prefix, text.c_str());
  }
  abort_run_unlogged(
      "%s無効オプション  %s\n※オプション群 %s の一部が無効です。\n"
      "※引数なしで実行すると使用方法を表示します。\n",
      prefix, text.c_str() + position, text.c_str());
}

}  // namespace

int32_t read_number(const char* text) {
  while (is_space(*text)) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  uint64_t value = 0;
  for (; is_digit(*text); ++text) value = value * 10 + (*text - '0');
  if (negative) value = 0 - value;
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

void parse_option_argument(const std::string& text, bool from_config,
                           RunOptions* options, FilterSet* filters) {
  size_t position = 0;
  for (;;) {
    std::string_view spelling(text.c_str() + position + 1);
    if (text.size() <= position + 1) spelling = std::string_view();
    OptionResult result;
    try {
      result = apply_spelling(spelling, options, filters);
    } catch (const std::bad_alloc&) {
      abort_run_unlogged("メモリー不足");
    }
    if (result != kApplied) report_invalid(text, position, from_config);
    // Only '/' separates the options of a group; it never is a trail byte.
    size_t next = text.find('/', position + 1);
    if (next == std::string::npos) return;
    position = next;
  }
}

}  // namespace kavo

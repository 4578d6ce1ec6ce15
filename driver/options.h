// The run's settings, RunOptions, and the one parser that applies option
// arguments to them (from the configuration file and the command line).

#ifndef KAVO_DRIVER_OPTIONS_H_
#define KAVO_DRIVER_OPTIONS_H_

#include <cstdint>
#include <string>

namespace kavo {

struct FilterSet;

// Every setting of a run with its default.
struct RunOptions {
  bool recurse_subdirs = false;
  bool overwrite = false;
  bool overwrite_readonly = false;
  bool continue_on_error = false;
  bool select_files = true;
  bool select_dirs = false;
  int name_part = 1;  // NamePart
  bool anchor_head = false;
  bool anchor_tail = false;
  bool old_case_fold = false;
  bool name_case_fold = true;
  bool sort_names = true;
  int date_format = 0;  // DateFormat
  int32_t date_suffix_limit = 999;
  int32_t date_shift_seconds = 0;
  int date_shift_sign = 0;
  bool test_mode = false;
  bool pause_output = false;
  int32_t time_display_seconds = 300;
  int log_mode = 0;  // 0 none, 1 create, 2 append
  std::string log_path;
  bool show_renamed = true;
  bool show_errors = true;
  bool show_totals = true;
  bool show_skipped = false;
  bool show_unchanged = false;
  char switch_char = '/';
};

// Applies one option argument (`text` starts with the switch character or
// '/', possibly a group such as /d/o/c) to `*options`, handing skip and
// limit options to `*filters`. An invalid option ends the run with its
// message ("設定ファイル" prefix when `from_config`).
void parse_option_argument(const std::string& text, bool from_config,
                           RunOptions* options, FilterSet* filters);

// The number at the start of `text` as atol reads it (white space, sign,
// digits), wrapped to 32 bits.
int32_t read_number(const char* text);

}  // namespace kavo

#endif  // KAVO_DRIVER_OPTIONS_H_

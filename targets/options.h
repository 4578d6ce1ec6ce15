// The run's settings, RunOptions: one plain record, filled by the driver
// from the configuration file and the command line before the first file
// argument and only read below it.

#ifndef KAVO_TARGETS_OPTIONS_H_
#define KAVO_TARGETS_OPTIONS_H_

#include <cstdint>
#include <string>

#include "names/date_name.h"
#include "names/name_part.h"
#include "output/log_file.h"

namespace kavo {

// Every setting of a run with its default.
struct RunOptions {
  bool recurse_subdirs = false;
  bool overwrite = false;
  bool overwrite_readonly = false;
  bool continue_on_error = false;
  bool select_files = true;
  bool select_dirs = false;
  NamePart name_part = kBodyRight;
  bool anchor_head = false;
  bool anchor_tail = false;
  bool old_case_fold = false;
  bool name_case_fold = true;
  bool sort_names = true;
  DateFormat date_format = kDateOff;
  int32_t date_suffix_limit = 999;
  int32_t date_shift_seconds = 0;
  int date_shift_sign = 0;  // -1 back, +1 forward, 0 none given
  bool test_mode = false;
  bool pause_output = false;
  int32_t time_display_seconds = 300;
  LogMode log_mode = kLogOff;
  std::string log_path;
  bool show_renamed = true;
  bool show_errors = true;
  bool show_totals = true;
  bool show_skipped = false;
  bool show_unchanged = false;
  char switch_char = '/';
};

// The name part and match flags the options give the replacement.
NameChange name_change(const RunOptions& options);

// The date layout and shift the options give date naming.
DateNaming date_naming(const RunOptions& options);

}  // namespace kavo

#endif  // KAVO_TARGETS_OPTIONS_H_

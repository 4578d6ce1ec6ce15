#include "driver/run.h"

#include <new>
#include <string>
#include <vector>

#include "driver/config_file.h"
#include "driver/options.h"
#include "driver/undo.h"
#include "driver/usage.h"
#include "filters/filters.h"
#include "names/calendar.h"
#include "names/pattern.h"
#include "output/channels.h"
#include "output/log_file.h"
#include "output/pager.h"
#include "platform/platform.h"
#include "targets/journal.h"
#include "targets/options.h"
#include "targets/paths.h"
#include "targets/run_context.h"
#include "targets/walk.h"
#include "text/path_text.h"
#include "text/sjis.h"

namespace kavo {
namespace {

// Standard output could not be written: the log's output-error note with
// standard output in the log file's place.
constexpr char kOutputFailedNote[] = "標準出力の出力に異常を検出しました。\n";

// The command line after classification.
struct Arguments {
  std::vector<CommandArgument> all;  // argument 0 first
  std::vector<bool> is_option;       // per argument; false for 0, 1, 2
  char switch_char = '/';
  bool undo = false;  // /undo: options from argument 2 on
  size_t first_option = 3;
  int file_count = 0;
  bool same_directory_ok = true;
};

// Where the run stands while its file arguments are processed.
struct RunState {
  RunOptions options;
  FilterSet filters;
  RunContext context;
  RunJournal journal;
  RenameOutcome outcome = kNoOutcome;
  bool stopped = false;
};

// Seconds since the start of the year of a local calendar time.
int64_t second_of_year(const CalendarTime& t) {
  int64_t days = t.day - 1;
  for (int m = 1; m < t.month; ++m) days += days_in_month(t.year, m);
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// The executable's path with its file name as stored: the whole last
// component is replaced, since a start through the 8.3 alias or in another
// letter case gives a name of another length or spelling, and every start
// must read the same configuration file. Empty when it cannot be found.
std::string find_own_path() {
  std::string path = executable_path();
  FindRecord record;
  if (path.empty() || !find_entry(path, &record)) return std::string();
  return path.substr(0, name_start(path)) + record.name;
}

bool is_option_text(const CommandArgument& argument, char switch_char) {
  const std::string& t = argument.text;
  return !argument.file_only && !t.empty() &&
         (t[0] == '/' || t[0] == switch_char);
}

// The argument as the user typed it.
const std::string& as_given(const CommandArgument& argument) {
  return argument.given.empty() ? argument.text : argument.given;
}

bool asks_for_help(const std::string& option) {
  return (option.size() > 1 && option[1] == '?') ||
         option_word_equals(std::string_view(option).substr(1), "help");
}

// Sorts options from file arguments into `*args`. Shows the usage text
// instead, and returns false, when it is asked for, when a run has no file
// argument or when an undo has one.
bool classify_arguments(int argc, char** argv, char switch_char,
                        const std::string& own_path,
                        const std::string& config_file, Arguments* args) {
  args->switch_char = switch_char;
  args->all = command_arguments(argc, argv, switch_char);
  args->is_option.assign(args->all.size(), false);
  args->undo = args->all.size() > 1 && !args->all[1].file_only &&
               is_undo_argument(args->all[1].text, switch_char);
  args->first_option = args->undo ? 2 : 3;
  std::string common;
  for (size_t i = args->first_option; i < args->all.size(); ++i) {
    const CommandArgument& a = args->all[i];
    if (is_option_text(a, switch_char)) {
      args->is_option[i] = true;
      if (asks_for_help(a.text)) {
        print_usage(own_path, config_file, switch_char);
        return false;
      }
      continue;
    }
    ++args->file_count;
    if (args->same_directory_ok) {
      args->same_directory_ok = check_common_directory(a.text, &common);
    }
  }
  if ((args->file_count != 0) != args->undo) return true;
  print_usage(own_path, config_file, switch_char);
  return false;
}

// The effective command line for the log: the first three arguments, the
// configuration file's options, then the rest of the command line.
std::vector<std::string> log_words(const Arguments& args,
                                   const std::string& own_path,
                                   const std::string& config_file) {
  std::vector<std::string> words = {own_path};
  for (size_t i = 1; i < args.first_option; ++i) {
    words.push_back(args.all[i].text);
  }
  std::vector<std::string> config_lines;
  bool opened = false;
  config_option_lines(config_file, args.switch_char, &config_lines, &opened);
  words.insert(words.end(), config_lines.begin(), config_lines.end());
  for (size_t i = args.first_option; i < args.all.size(); ++i) {
    words.push_back(as_given(args.all[i]));
  }
  return words;
}

void open_log(const Arguments& args, const std::string& own_path,
              const std::string& config_file, const RunOptions& options) {
  std::vector<std::string> words = log_words(args, own_path, config_file);
  bool in_use = false;
  TextFile* log = log_open(&in_use, options.log_path, options.log_mode, words,
                           kProgramName, kVersion);
  if (log == nullptr) {
    if (in_use) {
      abort_run_unlogged("ログ・ファイル\"%s\"がオープン中です。",
                         options.log_path.c_str());
    }
    abort_run_unlogged("ログ・ファイル\"%s\"がオープン出来ません。",
                       options.log_path.c_str());
  }
  channels_attach_log(log, options.log_path);
  text_file_flush(log);
}

// The characters a new name may not hold, in the order they are tested.
struct ForbiddenChar {
  char c;
  const char* message;
};

constexpr ForbiddenChar kForbiddenInNames[] = {
    {'*', "ファイル名に \"*\" は使用できません。"},
    {'/', "ファイル名に \"/\" は使用できません。"},
    {'<', "ファイル名に \"<\" は使用できません。"},
    {'>', "ファイル名に \">\" は使用できません。"},
    {'?', "ファイル名に \"?\" は使用できません。"},
    {'"', "ファイル名に \" は使用できません。"},
    {'|', "ファイル名に \"|\" は使用できません。"},
    {':', "ファイル名に \":\" は使用できません。"},
    {'\\', "ファイル名に \"\\\" は使用できません。"},
};

// In date mode one '/' marks where the date goes; a second is refused.
bool slash_allowed(const std::string& s, size_t at, const RunOptions& o) {
  if (o.date_format == kDateOff) return false;
  if (sjis_find_char(s, '/', at + 1) == kNoPosition) return true;
  abort_run(
      "/dataオプション時は、新文字列に \"/\" "
      "を指定できますが、2文字以上指定することは出来ません。");
}

void check_new_string(const std::string& s, const RunOptions& options) {
  for (const ForbiddenChar& f : kForbiddenInNames) {
    size_t at = sjis_find_char(s, f.c);
    if (at == kNoPosition) continue;
    if (f.c == '/' && slash_allowed(s, at, options)) continue;
    abort_run("%s", f.message);
  }
}

void check_old_string(const std::string& s, const RunOptions& o) {
  bool body_or_whole = o.name_part == kWholeName || o.name_part == kBodyRight ||
                       o.name_part == kBodyLeft;
  if (body_or_whole && s.empty() && o.anchor_head == o.anchor_tail) {
    abort_run("旧文字列に\"\"は指定できません。");
  }
}

void print_duration(uint32_t s) {
  if (s >= 3600) {
    print_unpaged("%d時間%02d分%02d秒", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  } else if (s < 60) {
    print_unpaged("%d秒", static_cast<int>(s));
  } else {
    print_unpaged("%d分%02d秒", static_cast<int>(s / 60),
                  static_cast<int>(s % 60));
  }
}

void print_counts(const RunState& state) {
  const RunCounters& c = state.context.counters;
  if (c.renamed_count > 0 && state.options.overwrite) {
    print_message("改名成功:%d個（通常:%d個, 上書:%d個）\n", c.renamed_count,
                  c.renamed_count - c.overwritten_count, c.overwritten_count);
  } else if (c.renamed_count > 0) {
    print_message("改名成功:%d個\n", c.renamed_count);
  }
  if (state.options.continue_on_error && c.failed_count > 0) {
    print_message("改名失敗:%d個\n", c.failed_count);
  }
}

void print_totals(const RunState& state, uint32_t elapsed) {
  const RunCounters& c = state.context.counters;
  const RunOptions& o = state.options;
  if (c.renamed_count > 0 || c.failed_count > 0) print_message("\n");
  print_counts(state);
  if (c.renamed_count == 0 && c.failed_count == 0) {
    if (state.outcome == kNotRenamed) {
      print_message("改名対象なし\n");
    } else if (!o.show_errors) {
      print_message("ファイルが存在しません\n");
    }
  } else if (o.time_display_seconds >= 0 &&
             elapsed >= static_cast<uint32_t>(o.time_display_seconds)) {
    print_unpaged("処理時間:");
    print_duration(elapsed);
    print_screen("\n");
  }
}

bool has_wildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

RenameOutcome process_argument(const std::string& argument, bool validate,
                               RunState* state) {
  RunContext* run = &state->context;
  resolve_target_argument(argument, run);
  // Relative elements select by this argument's directory whatever other
  // arguments stand beside it; whether an absolute element lies outside
  // can only be said while all arguments share one directory.
  std::string directory = run->path.substr(0, run->dir_length);
  try {
    complete_path_filters(directory, &state->filters);
  } catch (const std::bad_alloc&) {
    abort_run_unlogged(
        "メモリー不足で、パス対象外限定オプション処理が出来ません。");
  }
  if (validate) {
    validate_path_filters("改名ディレクトリ", directory, state->filters);
  }
  if (!state->options.recurse_subdirs && run->name_pattern &&
      !has_wildcard(*run->name_pattern)) {
    return rename_single_target(run->dir_length, run);
  }
  return walk_directory(run->dir_length, run);
}

// Processes the file arguments left to right until one stops the run.
void argument_loop(const Arguments& args, RunState* state) {
  const RunOptions& o = state->options;
  try {
    for (size_t i = 3; i < args.all.size(); ++i) {
      if (args.is_option[i]) continue;
      if (stop_requested()) throw RunStopped{};
      const CommandArgument& argument = args.all[i];
      RenameOutcome outcome =
          process_argument(argument.text, args.same_directory_ok, state);
      if (outcome == kNotFound) {
        if (o.show_errors) {
          print_message("存在せず:%s\n", as_given(argument).c_str());
        }
        if (!o.continue_on_error) {
          state->stopped = true;
          return;
        }
      }
      state->outcome = merge_outcome(state->outcome, outcome);
    }
  } catch (const RunStopped&) {
    state->stopped = true;
  }
}

void apply_options(const Arguments& args, const std::string& config_file,
                   char switch_char, RunState* state) {
  state->options.switch_char = switch_char;
  config_apply_options(config_file, switch_char, &state->options,
                       &state->filters);
  for (size_t i = args.first_option; i < args.all.size(); ++i) {
    if (!args.is_option[i]) continue;
    parse_option_argument(args.all[i].text, false, &state->options,
                          &state->filters);
  }
  // An undo never replaces anything, and moves each entry by its record.
  if (args.undo) {
    state->options.overwrite = false;
    state->options.date_format = kDateOff;
  }
}

void prepare_run(const Arguments& args, RunState* state) {
  RunOptions& o = state->options;
  if (!args.undo) {
    check_new_string(args.all[2].text, o);
    check_old_string(args.all[1].text, o);
  }
  try {
    finish_filters(&state->filters);
  } catch (const std::bad_alloc&) {
    abort_run_unlogged("メモリー不足");
  }
  channels_set_paging(o.pause_output);
  if (pager_setup(o.pause_output) == 0) {
    channels_set_paging(false);
  } else {
    pager_count(80, kPagePrompt);
  }
  RunContext& run = state->context;
  run.options = &state->options;
  run.filters = &state->filters;
  if (args.undo) return;
  // The old string meets names as the directory search gives them, which
  // on Linux hold the bytes Windows forbids as escapes.
  run.old_string =
      name_pattern_text(args.all[1].text, NamePatternKind::kEscapedName);
  run.old_pattern = prepare_pattern(run.old_string, name_change(o).match);
  run.new_string = args.all[2].text;
  if (o.date_format != kDateOff) run.new_string_template = args.all[2].text;
}

// Every move outside test mode is written down before it is made. An undo
// run is journaled too, with the journal it takes back.
void start_journal(const Arguments& args, const std::string& undo_of,
                   RunState* state) {
  if (state->options.test_mode) return;
  std::vector<std::string> words;
  for (const CommandArgument& argument : args.all) {
    words.push_back(as_given(argument));
  }
  journal_begin(words, undo_of, &state->journal);
  state->context.journal = &state->journal;
}

// Takes back the newest run not taken back yet; marks it taken back unless
// the undo stopped half way (it may then be given again).
void undo_latest_run(const Arguments& args, RunState* state) {
  std::string path;
  std::string bytes;
  if (!journal_latest_run(&path) || !read_file_bytes(path, &bytes)) {
    if (state->options.show_errors) print_message("取消対象なし\n");
    return;
  }
  start_journal(args, path, state);
  try {
    state->outcome = take_back(journal_parse(bytes), &state->context);
  } catch (const RunStopped&) {
    state->stopped = true;
    return;
  }
  if (!state->options.test_mode) journal_mark_taken_back(path);
}

void finish_run(const ElapsedClock& clock, RunState* state) {
  journal_end(&state->journal);
  int64_t end_time = current_time();
  uint32_t elapsed = elapsed_clock_seconds(clock);
  if (state->options.show_totals) print_totals(*state, elapsed);
  if (state->options.log_mode == kLogOff) return;
  if (log_close(channels_detach_log(), end_time, elapsed, kProgramName, true) !=
      0) {
    abort_run_unlogged("ログ・ファイル\"%s\"の出力に異常を検出しました。",
                       state->options.log_path.c_str());
  }
}

int run(int argc, char** argv) {
  std::string own_path = find_own_path();
  if (own_path.empty()) abort_run_unlogged("メモリー不足");
  std::string config_file = config_file_to_read(own_path);
  char switch_char = config_read_switch_char(config_file);
  Arguments args;
  if (!classify_arguments(argc, argv, switch_char, own_path, config_file,
                          &args)) {
    return 1;  // the usage text was shown
  }
  RunState state;
  apply_options(args, config_file, switch_char, &state);
  ElapsedClock clock;
  elapsed_clock_start(&clock);
  if (state.options.log_mode != kLogOff) {
    open_log(args, own_path, config_file, state.options);
  }
  prepare_run(args, &state);
  if (args.undo) {
    undo_latest_run(args, &state);
  } else {
    start_journal(args, std::string(), &state);
    argument_loop(args, &state);
  }
  finish_run(clock, &state);
  if (state.stopped) return 1;
  return state.outcome == kRenamed ? 0 : 2;
}

}  // namespace

void elapsed_clock_start(ElapsedClock* clock) {
  CalendarTime now = local_calendar_time(current_time());
  clock->start_year = now.year;
  clock->start_second = second_of_year(now);
}

uint32_t elapsed_clock_seconds(const ElapsedClock& clock) {
  CalendarTime now = local_calendar_time(current_time());
  int64_t sum = 0;
  for (int y = clock.start_year; y < now.year; ++y) {
    sum += 31622400 - (is_leap_year(y) ? 0 : 86400);
  }
  sum += second_of_year(now);
  return static_cast<uint32_t>(sum - clock.start_second);
}

int run_command(int argc, char** argv) {
  prepare_process();
  channels_reset();
  pager_reset();
  int code;
  try {
    code = run(argc, argv);
  } catch (const RunAborted& aborted) {
    // A fatal error or Quit: the stop line, and the log ends where it
    // stands, no footer.
    print_stop_line(aborted);
    if (TextFile* log = channels_detach_log()) text_file_close(log);
    code = 1;
  }
  console_flush();
  // Lost output never stopped the run; it is told once, at the end.
  if (console_output_failed()) {
    print_error_note("%s", kOutputFailedNote);
    if (code != 1) code = 2;
  }
  return code;
}

}  // namespace kavo

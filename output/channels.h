// The four message channels every report of the run goes through, and the
// one way a run ends early: RunAborted, thrown where the cause is found and
// turned into the stop line and the exit code by the driver alone.

#ifndef KAVO_OUTPUT_CHANNELS_H_
#define KAVO_OUTPUT_CHANNELS_H_

#include <string>
#include <string_view>

namespace kavo {

struct TextFile;

// Where the stop line of a run that ends early is shown.
enum class StopLine {
  kLogged,    // standard error and the log; the error prompt first if paged
  kUnlogged,  // standard error only (the log is not open, or it failed)
  kUnended,   // standard error only, without a line end (log lost mid-run)
  kNone,      // no line: the user answered Quit at a page prompt
};

// A run that ends early, with its stop line's text. Thrown by any layer;
// caught by the driver, which prints it (print_stop_line) and ends the run
// with exit code 1, the log left as it stands (no footer).
struct RunAborted {
  StopLine line;
  std::string message;
};

// Throw RunAborted with the message `format` gives: shown on standard
// error and in the log (abort_run), or on standard error only, for the
// errors before the log is open (abort_run_unlogged).
[[noreturn]] void abort_run(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
[[noreturn]] void abort_run_unlogged(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// Prints the stop line of `aborted` where its kind says; under /p the error
// prompt comes first when the line does not fit on the page, and Quit
// there leaves the line out.
void print_stop_line(const RunAborted& aborted);

// Output state shared by the channels: whether output is paged, and the
// open log. Set by the driver before the run's first output.
void channels_set_paging(bool pause_output);
void channels_attach_log(TextFile* log, const std::string& log_path);

// The open log, or null; detaches it from the channels (for log_close).
TextFile* channels_detach_log();

// Whether the run pager is still on (cleared when the user answers All or
// the console cannot be used).
bool channels_paging();

// Back to the state of a fresh process (closes nothing); for tests that
// run the driver more than once in one process.
void channels_reset();

// The ordinary report: standard output, mirrored into the log, paged.
// Throws RunAborted when the user answers Quit at a page prompt or, under
// /p, when the log could not be written or reopened.
void print_message(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// The result line of a moved entry: `from`, `separator`, `to` and a line
// end, printed as print_message prints "%s<separator>%s\n", without a
// format to read (it is printed once per renamed file).
void print_move(const std::string& from, std::string_view separator,
                const std::string& to);

// Screen-only output: standard output, counted by the pager, not logged.
// Throws RunAborted when the user answers Quit at a page prompt.
void print_screen(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// A note on standard error after which the run goes on: not logged, not
// paged, no stop frame.
void print_error_note(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// Writes text straight to standard output: not logged, not counted.
void print_unpaged(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// Estimated screen columns of `format` with its arguments (printf style,
// directives %% %c %d %u %s %lu %ld %*d %-*s).
int estimate_columns(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace kavo

#endif  // KAVO_OUTPUT_CHANNELS_H_

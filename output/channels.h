// The four message channels every report of the run goes through, and the
// one way the process ends early.

#ifndef KAVO_OUTPUT_CHANNELS_H_
#define KAVO_OUTPUT_CHANNELS_H_

#include <string>

namespace kavo {

struct TextFile;

// Thrown to end the run with `code`; run_command turns it into the exit
// code after the output streams have been flushed.
struct ProcessExit {
  int code;
};

// Closes the attached log as it stands (no footer), flushes standard output
// and throws ProcessExit{code}.
[[noreturn]] void end_process(int code);

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
void print_message(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// A fatal error once the log may be open: stop line on standard error and
// in the log, error prompt when paged; ends the process with exit code 1.
[[noreturn]] void print_fatal(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// A fatal error before the log exists or while it is closed: stop line on
// standard error only; ends the process with exit code 1.
[[noreturn]] void print_fatal_early(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// Screen-only output: standard output, counted by the pager, not logged.
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

#include "output/channels.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "output/format.h"
#include "output/pager.h"
#include "platform/platform.h"

namespace kavo {
namespace {

constexpr char kStopFrame[] = "\n\a処理停止:";
constexpr char kLogStopFrame[] = "\n処理停止:";
constexpr char kErrorPrompt[] =
    "エラー発生。続いてエラー情報を表示します(Continue,/All/Quit)";
constexpr char kLogFailed[] =
    "ログ・ファイル\"%s\"の出力に異常を検出しました。";
constexpr char kLogReopenFailed[] =
    "ログ・ファイル\"%s\"が再オープン出来ません。";
// Room reserved for a fatal error's frame and the lines around it.
constexpr int kFatalExtraColumns = 90;
constexpr int kTabExtraColumns = 7;

struct ChannelState {
  bool paging = false;
  // Logging stays on while `log` is briefly closed around paged output.
  bool log_on = false;
  TextFile* log = nullptr;
  std::string log_path;
  std::string message;  // the message being printed; its memory is reused
};

ChannelState g_state;

// The text of a message to print, in the state's reused string.
const std::string& formatted(const char* format, va_list args) {
  g_state.message.clear();
  append_format(format, args, &g_state.message);
  return g_state.message;
}

long write_stream(Stream stream, const std::string& text) {
  return console_write(stream, text.data(), text.size());
}

// Writes and flushes, so the file on disk holds every line written so far.
bool write_log(const std::string& text) {
  bool ok = text_file_write(g_state.log, text.data(), text.size());
  return text_file_flush(g_state.log) && ok;
}

// Closes the log for the time of paged output; false when the close, or a
// write before it, failed.
bool suspend_log() {
  if (g_state.log == nullptr) return true;
  bool ok = text_file_close(g_state.log);
  g_state.log = nullptr;
  return ok;
}

// The log could not be reopened after paged output: the run ends, and its
// stop line ends without a line end, as nothing follows it.
void resume_log() {
  g_state.log = text_file_open(g_state.log_path, TextFileMode::kAppend);
  if (g_state.log != nullptr) return;
  throw RunAborted{StopLine::kUnended,
                   printf_text(kLogReopenFailed, g_state.log_path.c_str())};
}

// Whether the run pager still pages after `state`; Quit ends the run.
bool still_paging(PagerState state) {
  if (state == PagerState::kQuit) throw RunAborted{StopLine::kNone, {}};
  return state == PagerState::kOn;
}

// The paged half of print_message: the log is closed while the screen
// output and any prompt happen, so the file on disk is complete then.
void print_paged_message(const std::string& text, int columns,
                         bool log_failed) {
  if (!suspend_log()) log_failed = true;
  if (!still_paging(pager_make_room(columns, kPagePrompt))) {
    g_state.paging = false;
  }
  long written = write_stream(Stream::kOut, text);
  if (written > 0) columns = static_cast<int>(written);
  if (!still_paging(pager_count(columns, kPagePrompt))) g_state.paging = false;
  if (log_failed) abort_run_unlogged(kLogFailed, g_state.log_path.c_str());
  if (g_state.log_on) resume_log();
}

// The paged half of print_stop_line: the error prompt first when the stop
// line does not fit on the rest of the page.
void print_paged_stop_line(const std::string& message, int columns) {
  if (!suspend_log()) {
    write_stream(Stream::kErr,
                 printf_text(kLogFailed, g_state.log_path.c_str()) + "\n");
  }
  PagerState state = pager_make_room(columns, kErrorPrompt);
  if (state == PagerState::kQuit) return;
  if (state == PagerState::kOff) g_state.paging = false;
  long written = write_stream(Stream::kErr, kStopFrame + message + "\n");
  if (written >= 0) {
    columns = static_cast<int>(message.size()) + kFatalExtraColumns;
  }
  pager_count(columns, kPagePrompt);
}

int digit_count(uint32_t value) {
  int digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

int tab_count(const char* text) {
  return static_cast<int>(std::count(text, text + strlen(text), '\t'));
}

// Byte length with every tab widened to 8 columns.
int text_columns(const char* text) {
  if (text == nullptr) text = "(null)";
  return static_cast<int>(strlen(text)) + kTabExtraColumns * tab_count(text);
}

// Adjusts `*columns` for the directive that follows a per-cent sign at `d`,
// taking its arguments. Returns the directive's length after the per-cent
// sign, or 0 for a directive it does not know (its arguments cannot be
// taken safely, so the estimate stops there).
int adjust_for_directive(const char* d, va_list* args, int* columns) {
  if (*d == '%') {
    *columns -= 1;
    return 1;
  }
  if (*d == 'c') {
    va_arg(*args, int);
    *columns -= 1;
    return 1;
  }
  if (*d == 'd' || *d == 'u') {
    *columns += digit_count(va_arg(*args, unsigned)) - 2;
    return 1;
  }
  if (*d == 's') {
    *columns += text_columns(va_arg(*args, const char*)) - 2;
    return 1;
  }
  if (d[0] == 'l' && (d[1] == 'd' || d[1] == 'u')) {
    unsigned long value = va_arg(*args, unsigned long);
    *columns += digit_count(static_cast<uint32_t>(value)) - 3;
    return 2;
  }
  if (strncmp(d, "*d", 2) == 0) {
    int width = va_arg(*args, int);
    *columns += std::max(width, digit_count(va_arg(*args, unsigned))) - 3;
    return 2;
  }
  if (strncmp(d, "-*s", 3) == 0) {
    int width = va_arg(*args, int);
    const char* text = va_arg(*args, const char*);
    if (text == nullptr) text = "(null)";
    int length = static_cast<int>(strlen(text));
    *columns +=
        std::max(width, length) + kTabExtraColumns * tab_count(text) - 4;
    return 3;
  }
  return 0;
}

int estimate_columns_v(const char* format, va_list args) {
  va_list taken;
  va_copy(taken, args);
  int columns = text_columns(format);
  for (const char* p = strchr(format, '%'); p != nullptr; p = strchr(p, '%')) {
    int length = adjust_for_directive(p + 1, &taken, &columns);
    if (length == 0) break;
    p += 1 + length;
  }
  va_end(taken);
  return columns;
}

}  // namespace

void abort_run(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = format_text(format, args);
  va_end(args);
  throw RunAborted{StopLine::kLogged, std::move(message)};
}

void abort_run_unlogged(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = format_text(format, args);
  va_end(args);
  throw RunAborted{StopLine::kUnlogged, std::move(message)};
}

void print_stop_line(const RunAborted& aborted) {
  const std::string& message = aborted.message;
  switch (aborted.line) {
    case StopLine::kLogged:
      if (g_state.log != nullptr) write_log(kLogStopFrame + message + "\n");
      if (g_state.paging) {
        // Their formats hold no directive but %s, so the estimate of the
        // text itself is the estimate of the format with its arguments.
        print_paged_stop_line(
            message, text_columns(message.c_str()) + kFatalExtraColumns);
        return;
      }
      write_stream(Stream::kErr, kStopFrame + message + "\n");
      return;
    case StopLine::kUnlogged:
      write_stream(Stream::kErr, kStopFrame + message + "\n");
      return;
    case StopLine::kUnended:
      write_stream(Stream::kErr, kStopFrame + message);
      return;
    case StopLine::kNone:
      return;
  }
}

void channels_set_paging(bool pause_output) { g_state.paging = pause_output; }

void channels_attach_log(TextFile* log, const std::string& log_path) {
  g_state.log = log;
  g_state.log_on = log != nullptr;
  g_state.log_path = log_path;
}

TextFile* channels_detach_log() {
  TextFile* log = g_state.log;
  g_state.log = nullptr;
  g_state.log_on = false;
  return log;
}

bool channels_paging() { return g_state.paging; }

void channels_reset() { g_state = ChannelState(); }

void print_message(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string& text = formatted(format, args);
  bool log_failed = g_state.log != nullptr && !write_log(text);
  if (!g_state.paging) {
    va_end(args);
    write_stream(Stream::kOut, text);
    return;
  }
  int columns = estimate_columns_v(format, args);
  va_end(args);
  print_paged_message(text, columns, log_failed);
}

void print_move(const std::string& from, std::string_view separator,
                const std::string& to) {
  if (g_state.paging) {
    // The pager measures a line by its format and arguments.
    std::string format = "%s";
    format.append(separator).append("%s\n");
    print_message(format.c_str(), from.c_str(), to.c_str());
    return;
  }
  // Sized once and filled, the cheapest way to put the pieces together.
  std::string& text = g_state.message;
  text.resize(from.size() + separator.size() + to.size() + 1);
  char* d = text.data();
  memcpy(d, from.data(), from.size());
  d += from.size();
  memcpy(d, separator.data(), separator.size());
  d += separator.size();
  memcpy(d, to.data(), to.size());
  d[to.size()] = '\n';
  if (g_state.log != nullptr) write_log(text);
  write_stream(Stream::kOut, text);
}

void print_screen(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string& text = formatted(format, args);
  va_end(args);
  long written = write_stream(Stream::kOut, text);
  still_paging(
      pager_count(written > 0 ? static_cast<int>(written) : 0, kPagePrompt));
}

void print_error_note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string& text = formatted(format, args);
  va_end(args);
  write_stream(Stream::kErr, text);
}

void print_unpaged(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string& text = formatted(format, args);
  va_end(args);
  write_stream(Stream::kOut, text);
}

int estimate_columns(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int columns = estimate_columns_v(format, args);
  va_end(args);
  return columns;
}

}  // namespace kavo

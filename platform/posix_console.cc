// The Linux layer's console, keys, stop signals, time and process set-up
// (command line, environment, configuration directory).

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"
#include "text/sjis.h"

extern char** environ;

namespace kavo {
namespace {

using posix::kBufferLimit;
using posix::OutputSink;
using posix::sink_append;
using posix::sink_flush;

// ---- Console --------------------------------------------------------------
//
// Standard output is converted into a buffer of its own. When it is not a
// terminal the buffer is written when it fills, on console_flush and at
// exit. On a terminal every line is written as soon as it ends; a line left
// open (a prompt) is written by read_key once the terminal is ready to take
// the answer, so that a key typed the moment the prompt shows is never
// discarded with the keys typed before it, and a Ctrl-C then is read as a
// key instead of killing the process. A write to standard error and the
// exit write it too.
//
// A second stop signal ends the process at once, and the lines standard
// output holds then must still go out. The handler can only write memory
// that never moves under it: the buffer keeps its capacity, text is
// converted into it only where it surely fits, and the part not yet written
// is published (g_unwritten_*) after each complete change.

struct Console {
  bool ready = false;
  bool out_is_terminal = false;
  bool out_failed = false;  // a write to standard output has failed
  OutputSink out;           // its buffer: standard output not yet written
  OutputSink err;
};

Console g_console;

const char* volatile g_unwritten_data = nullptr;
volatile sig_atomic_t g_unwritten_size = 0;

void publish_unwritten(const char* data, size_t size) {
  g_unwritten_size = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_unwritten_data = data;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_unwritten_size = static_cast<sig_atomic_t>(size);
}

void publish_pending(const Console& c) {
  publish_unwritten(c.out.buffer.data(), c.out.buffer.size());
}

// Writes the first `size` bytes of standard output's buffer and drops them,
// also when the write fails (the output goes on with what follows); false
// then.
bool write_pending(Console* c, size_t size) {
  std::string& pending = c->out.buffer;
  const char* data = pending.data();
  size_t left = size;
  while (left > 0) {
    ssize_t written = write(STDOUT_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    data += written;
    left -= written;
    publish_unwritten(data, pending.size() - (size - left));
  }
  publish_unwritten(nullptr, 0);
  pending.erase(0, size);
  publish_pending(*c);
  if (left > 0) c->out_failed = true;
  return left == 0;
}

bool write_all_pending(Console* c) {
  return write_pending(c, c->out.buffer.size());
}

// Makes room for `size` more internal bytes (and the bytes held back) in
// standard output's buffer without moving the memory the handler may read:
// when their external form might not fit, what the buffer holds is written
// first. False when that write failed.
bool make_room(Console* c, size_t size) {
  std::string& pending = c->out.buffer;
  size_t most = kMaxExternalPerByte * (c->out.held.size() + size);
  if (pending.size() + most <= pending.capacity()) return true;
  bool ok = write_all_pending(c);
  if (most > pending.capacity()) {
    publish_unwritten(nullptr, 0);
    pending.reserve(most);
  }
  return ok;
}

void flush_at_exit() {
  // A final lead byte that never got its trail byte is written as it is.
  Console& c = g_console;
  make_room(&c, 0);
  c.out.buffer.append(c.out.held);
  c.out.held.clear();
  publish_pending(c);
  write_all_pending(&c);
}

Console& console() {
  if (!g_console.ready) {
    g_console.ready = true;
    g_console.out_is_terminal = isatty(STDOUT_FILENO) == 1;
    g_console.out.buffer.reserve(2 * kBufferLimit);
    atexit(flush_at_exit);
  }
  return g_console;
}

// The terminal a prompt has in raw mode, and the mode to give it back.
volatile sig_atomic_t g_raw_terminal = -1;
termios g_saved_terminal_mode;

// ---- Stop signals ---------------------------------------------------------
//
// The first signal only sets a flag that the run reads between entries;
// the second writes out what standard output holds, gives a prompt's
// terminal its mode back and ends the process by the signal's own default
// action. Only async-signal-safe calls are made here.

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t g_stop_requested = 0;

void on_stop_signal(int number) {
  if (!g_stop_requested) {
    g_stop_requested = 1;
    return;
  }
  // Written only while standard output takes it at once: a reader that has
  // stopped reading must not hold the process.
  const char* data = g_unwritten_data;
  size_t left = g_unwritten_size;
  pollfd out = {STDOUT_FILENO, POLLOUT, 0};
  while (data != nullptr && left > 0 && poll(&out, 1, 0) == 1 &&
         (out.revents & POLLOUT)) {
    ssize_t written =
        write(STDOUT_FILENO, data, std::min<size_t>(left, PIPE_BUF));
    if (written <= 0) break;
    data += written;
    left -= written;
  }
  if (g_raw_terminal >= 0) {
    tcsetattr(g_raw_terminal, TCSANOW, &g_saved_terminal_mode);
  }
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigaction(number, &action, nullptr);
  raise(number);
}

// A standard descriptor closed at start is held open on /dev/null, for
// reading only: a file opened later must never take its number and get the
// console's output, and a write to it still fails.
void hold_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    int held = open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}

// Writes the complete lines standard output holds; false when the write
// failed.
bool write_complete_lines(Console* c) {
  size_t end = c->out.buffer.rfind('\n');
  if (end == std::string::npos) return true;
  return write_pending(c, end + 1);
}

bool wait_readable(int fd, int milliseconds) {
  pollfd p = {fd, POLLIN, 0};
  int r;
  do {
    r = poll(&p, 1, milliseconds);
  } while (r < 0 && errno == EINTR);
  return r > 0 && (p.revents & POLLIN);
}

ssize_t read_byte(int fd, unsigned char* byte) {
  ssize_t r;
  do {
    r = read(fd, byte, 1);
  } while (r < 0 && errno == EINTR);
  return r;
}

// Bytes that follow within this time belong to the same key (the rest of
// an escape sequence or of a multibyte character).
constexpr int kSameKeyMs = 30;

// The key after an Esc: a lone Esc, or a cursor/function key sequence.
int escape_key(int fd) {
  if (!wait_readable(fd, kSameKeyMs)) return 27;
  unsigned char byte;
  for (int k = 0; k < 32 && wait_readable(fd, kSameKeyMs); ++k) {
    if (read_byte(fd, &byte) != 1) break;
  }
  return 0;
}

// A key whose first byte is not ASCII: one character of the external
// encoding, answered by its CP932 code (the lead byte for a double-byte
// character).
int character_key(int fd, unsigned char first) {
  char bytes[4] = {static_cast<char>(first)};
  size_t n = 1;
  for (;;) {
    uint16_t code = 0;
    if (match_external_char(std::string_view(bytes, n), &code) == n) {
      return code < 0x100 ? code : code >> 8;
    }
    if (n == sizeof bytes || !wait_readable(fd, kSameKeyMs)) return 0;
    unsigned char byte;
    if (read_byte(fd, &byte) != 1) return 0;
    bytes[n++] = static_cast<char>(byte);
  }
}

int read_one_key(int fd) {
  unsigned char byte;
  if (read_byte(fd, &byte) != 1) return 'A';
  if (byte == 3) return 27;  // Ctrl-C quits, as it would end the process
  if (byte == 27) return escape_key(fd);
  if (byte < 0x80) return byte;
  return character_key(fd, byte);
}

// ---- Command line -----------------------------------------------------------

bool exists_as_written(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// `/home/me/x.jpg` or `/tmp/`: a second '/' after a non-empty first name
// that is an existing directory. Such an argument is an absolute path the
// shell expanded, not an option.
bool is_absolute_file_argument(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '/') return false;
  size_t second = arg.find('/', 1);
  if (second == std::string_view::npos || second == 1) return false;
  std::string top(arg.substr(0, second));
  struct stat st;
  return stat(top.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string text_path(std::string_view arg) {
  std::string out = to_internal(arg, TextKind::kText);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

// An argument that names an existing entry exactly as written is that
// entry: its bytes are name bytes (`1:00.mp3`, `a\b.txt`). Otherwise its
// directory part is taken as names when it exists as written, and the rest
// is a pattern whose `\`, `*`, `?` and drive colon keep their meaning; its
// other bytes that Windows forbids are name bytes (`1:00*`).
std::string file_argument(std::string_view arg) {
  std::string written(arg);
  if (exists_as_written(written)) return internal_path(arg);
  size_t slash = arg.rfind('/');
  std::string path;
  if (slash != std::string_view::npos && slash > 0 &&
      exists_as_written(written.substr(0, slash))) {
    path = internal_path(arg.substr(0, slash)) + '\\' +
           text_path(arg.substr(slash + 1));
  } else {
    path = text_path(arg);
  }
  return name_pattern(path, NamePatternKind::kPath);
}

}  // namespace

// ---- Time --------------------------------------------------------------

int64_t current_time() { return static_cast<int64_t>(time(nullptr)); }

CalendarTime local_calendar_time(int64_t utc_seconds) {
  static bool zone_read = false;
  if (!zone_read) {
    tzset();
    zone_read = true;
  }
  time_t t = static_cast<time_t>(utc_seconds);
  struct tm tm;
  CalendarTime out;
  if (!localtime_r(&t, &tm)) return out;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  out.weekday = tm.tm_wday;
  return out;
}

uint32_t tick_count_ms() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  return static_cast<uint32_t>(ms);
}

// ---- Process -----------------------------------------------------------

std::string executable_path() {
  std::string target(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", target.data(), target.size());
    if (n < 0) return "";
    if (static_cast<size_t>(n) < target.size()) {
      target.resize(n);
      return internal_path(target);
    }
    target.resize(target.size() * 2);
  }
}

// The XDG base directory rule: $XDG_CONFIG_HOME, else $HOME/.config. A
// relative value is no place at all (it would depend on the working
// directory), and without a home there is none.
std::string user_config_directory() {
  const char* config_home = getenv("XDG_CONFIG_HOME");
  if (config_home && config_home[0] == '/') {
    return internal_path(std::string(config_home) + "/");
  }
  const char* home = getenv("HOME");
  if (home && home[0] == '/') {
    return internal_path(std::string(home) + "/.config/");
  }
  return "";
}

std::vector<CommandArgument> command_arguments(int argc, char** argv,
                                               char switch_char) {
  std::vector<CommandArgument> out;
  bool after_double_dash = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (i <= 2) {
      out.push_back({to_internal(arg, TextKind::kText), false, ""});
    } else if (!after_double_dash && arg == "--") {
      after_double_dash = true;
    } else if (after_double_dash || is_absolute_file_argument(arg)) {
      out.push_back(
          {file_argument(arg), true, to_internal(arg, TextKind::kText)});
    } else {
      // An option keeps its control bytes, as a line of the configuration
      // file does, so that a filter value's own white-space rules see them.
      std::string text = to_internal(arg, TextKind::kText);
      bool option = !text.empty() && (text[0] == '/' || text[0] == switch_char);
      out.push_back(
          {option ? to_internal(arg, TextKind::kFileLine) : file_argument(arg),
           false, text});
    }
  }
  return out;
}

bool find_environment_variable(const std::string& name, std::string* value) {
  for (char** entry = environ; entry && *entry; ++entry) {
    const char* equals = strchr(*entry, '=');
    if (!equals) continue;
    std::string_view raw_name(*entry, equals - *entry);
    if (!names_equal_ignoring_case(to_internal(raw_name, TextKind::kText),
                                   name)) {
      continue;
    }
    *value = to_internal(equals + 1, TextKind::kText);
    return true;
  }
  return false;
}

// ---- Console -------------------------------------------------------------

long console_write(Stream stream, const char* data, size_t size) {
  Console& c = console();
  if (stream == Stream::kErr) {
    bool ok = write_all_pending(&c);
    c.err.failed = false;
    sink_append(&c.err, data, size, false);
    ok = sink_flush(&c.err, STDERR_FILENO) && ok;
    return ok ? static_cast<long>(size) : -1;
  }
  bool ok = make_room(&c, size);
  std::string_view text(data, size);
  if (c.out.held.empty() && whole_characters_length(text) == size) {
    append_external(text, &c.out.buffer);  // nothing held back, none to hold
  } else {
    sink_append(&c.out, data, size, false);
  }
  publish_pending(c);
  if (c.out_is_terminal) {
    ok = write_complete_lines(&c) && ok;
  } else if (c.out.buffer.size() >= kBufferLimit) {
    ok = write_all_pending(&c) && ok;
  }
  return ok ? static_cast<long>(size) : -1;
}

void console_flush() {
  Console& c = console();
  if (!c.out_is_terminal) write_all_pending(&c);
}

bool console_output_failed() { return g_console.out_failed; }

void prepare_process() {
  hold_standard_descriptors();
  struct sigaction action = {};
  action.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &action, nullptr);
  g_stop_requested = 0;
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  for (int number : kStopSignals) sigaddset(&action.sa_mask, number);
  action.sa_flags = SA_RESTART;
  for (int number : kStopSignals) {
    // A signal ignored at start (nohup) stays ignored.
    struct sigaction before;
    if (sigaction(number, nullptr, &before) == 0 &&
        before.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(number, &action, nullptr);
  }
}

bool stop_requested() { return g_stop_requested != 0; }

int console_rows() {
  winsize size;
  if (!isatty(STDOUT_FILENO) || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) {
    return 0;
  }
  return size.ws_row;
}

// The controlling terminal is read in raw mode (no echo, no line editing,
// Ctrl-C as a byte). Setting the mode discards the keys typed so far; only
// then is the open line (the prompt) shown. The old mode is always restored.
// Without a terminal nobody can answer, so the key is "All" at once.
int read_key() {
  Console& c = console();
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios saved;
  if (fd < 0 || tcgetattr(fd, &saved) != 0) {
    if (fd >= 0) close(fd);
    write_all_pending(&c);
    return 'A';
  }
  termios raw = saved;
  raw.c_lflag &= ~(ICANON | ECHO | ISIG | IEXTEN);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  g_saved_terminal_mode = saved;
  g_raw_terminal = fd;
  bool ready = tcsetattr(fd, TCSAFLUSH, &raw) == 0;
  write_all_pending(&c);
  int key = ready ? read_one_key(fd) : 'A';
  tcsetattr(fd, TCSANOW, &saved);
  g_raw_terminal = -1;
  close(fd);
  return key;
}

}  // namespace kavo

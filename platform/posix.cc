// The platform layer on Linux.
//
// Every path and text that crosses platform.h is internal text (Shift-JIS,
// `\` separators); posix_text.h converts at this boundary. Paths map as:
//   `\a\b` <-> `/a/b`; `X:\a` -> `/a` (every drive letter is the one root);
//   `X:` and `X:rel` -> the working directory (`.`, `rel`);
//   `\\server\share\rest` -> `/net/server/share/rest` (where an automounter
//   conventionally mounts network shares); an empty path -> `.`.
//
// Entries are taken as they are: symbolic links are never followed (a link
// to a directory is not a directory), names are compared exactly, and there
// are no 8.3 aliases. Attributes are made from the owner's mode bits and the
// name: read-only when the owner write bit is clear, hidden for a leading
// '.', archive on every non-directory.

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"

extern char** environ;

namespace kavo {
namespace {

// The program is single-threaded; converting paths into these buffers keeps
// the per-entry calls (listing, completing, moving) free of allocations.
std::string g_path_a;
std::string g_path_b;

const char* linux_path(const std::string& internal, std::string* scratch) {
  scratch->clear();
  append_external_path(internal, scratch);
  return scratch->c_str();
}

bool is_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool is_hidden_name(std::string_view name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// Removes the final slashes of a Linux path (not the root's own). Returns
// true when there were any: the path then names a directory or nothing.
bool strip_final_slashes(std::string* path) {
  size_t end = path->size();
  while (end > 1 && (*path)[end - 1] == '/') --end;
  bool had = end != path->size();
  path->resize(end);
  return had;
}

std::string_view linux_last_component(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The last name of an internal path: trailing separators and "." steps are
// passed over (`x\old1\.` names old1), double-byte characters stepped over.
std::string_view internal_last_component(std::string_view p) {
  size_t start = p.size() >= 2 && p[1] == ':' ? 2 : 0;
  std::string_view found;
  bool saw_dot = false;
  size_t piece = start;
  for (size_t i = start; i <= p.size();) {
    if (i == p.size() || p[i] == '\\' || p[i] == '/') {
      std::string_view part = p.substr(piece, i - piece);
      saw_dot = saw_dot || part == ".";
      if (!part.empty() && part != ".") found = part;
      piece = ++i;
    } else {
      i += is_lead(p[i]) && i + 1 < p.size() ? 2 : 1;
    }
  }
  return found.empty() && saw_dot ? std::string_view(".") : found;
}

// ---- Entries ------------------------------------------------------------

struct EntryInfo {
  mode_t mode = 0;
  uint64_t size = 0;
  int64_t access_time = 0;
  int64_t write_time = 0;
  int64_t birth_time = 0;
  bool has_birth_time = false;
};

bool read_info(const char* path, EntryInfo* info) {
  struct statx sx;
  if (statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW,
            STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
    info->mode = sx.stx_mode;
    info->size = sx.stx_size;
    info->access_time = sx.stx_atime.tv_sec;
    info->write_time = sx.stx_mtime.tv_sec;
    info->has_birth_time = (sx.stx_mask & STATX_BTIME) != 0;
    info->birth_time = sx.stx_btime.tv_sec;
    return true;
  }
  if (errno != ENOSYS) return false;
  struct stat st;
  if (lstat(path, &st) != 0) return false;
  info->mode = st.st_mode;
  info->size = st.st_size;
  info->access_time = st.st_atime;
  info->write_time = st.st_mtime;
  info->has_birth_time = false;
  return true;
}

// Reads the entry an internal path names, without following a final link.
// A path written with a final separator must name a directory.
bool read_entry(const std::string& internal, EntryInfo* info,
                std::string_view* linux_name) {
  g_path_a.clear();
  append_external_path(internal, &g_path_a);
  bool must_be_directory = strip_final_slashes(&g_path_a);
  if (!read_info(g_path_a.c_str(), info)) return false;
  if (must_be_directory && !S_ISDIR(info->mode)) return false;
  if (linux_name) *linux_name = linux_last_component(g_path_a);
  return true;
}

bool is_read_only(mode_t mode) { return !S_ISLNK(mode) && !(mode & S_IWUSR); }

uint32_t attributes_of(mode_t mode, std::string_view name) {
  uint32_t attributes = S_ISDIR(mode) ? kAttrDirectory : kAttrArchive;
  if (is_read_only(mode)) attributes |= kAttrReadOnly;
  if (is_hidden_name(name)) attributes |= kAttrHidden;
  return attributes != 0 ? attributes : kAttrNormal;
}

void fill_record(const EntryInfo& info, std::string_view name,
                 FindRecord* record) {
  record->attributes = attributes_of(info.mode, name);
  record->creation_time =
      info.has_birth_time ? info.birth_time : info.write_time;
  record->access_time = info.access_time;
  record->write_time = info.write_time;
  record->size = S_ISDIR(info.mode) ? 0 : info.size;
  record->short_name.clear();
  record->complete = true;
}

// ---- Open text files ----------------------------------------------------

constexpr size_t kBufferLimit = 64 * 1024;

bool write_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// The length of `text` up to its last complete character: a final lead
// byte waits for its trail byte in the next write, so that a character or
// an escape split between two writes still converts as one.
size_t complete_length(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (!is_lead(text[i])) {
      ++i;
    } else if (i + 1 < text.size()) {
      i += 2;
    } else {
      return i;
    }
  }
  return i;
}

// Internal text on its way to a file descriptor: the held lead byte and the
// converted bytes not yet written.
struct OutputSink {
  std::string held;
  std::string buffer;
  bool failed = false;
};

// Converts `data` into the sink's buffer; with `crlf` every "\n" of the
// internal text is stored as "\r\n".
void sink_append(OutputSink* sink, const char* data, size_t size, bool crlf) {
  std::string_view text(data, size);
  if (!sink->held.empty()) {
    sink->held.append(data, size);
    text = sink->held;
  }
  size_t usable = complete_length(text);
  std::string_view whole = text.substr(0, usable);
  while (crlf && !whole.empty()) {
    size_t newline = whole.find('\n');
    if (newline == std::string_view::npos) break;
    append_external(whole.substr(0, newline), &sink->buffer);
    sink->buffer.append("\r\n");
    whole.remove_prefix(newline + 1);
  }
  append_external(whole, &sink->buffer);
  std::string rest(text.substr(usable));
  sink->held.swap(rest);
}

bool sink_flush(OutputSink* sink, int fd) {
  if (!sink->buffer.empty() &&
      !write_all(fd, sink->buffer.data(), sink->buffer.size())) {
    sink->failed = true;
  }
  sink->buffer.clear();
  return !sink->failed;
}

// A final lead byte that never got its trail byte is written as it is.
bool sink_finish(OutputSink* sink, int fd) {
  sink->buffer.append(sink->held);
  sink->held.clear();
  return sink_flush(sink, fd);
}

}  // namespace

struct TextFile {
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  OutputSink sink;
  TextFile* next = nullptr;
};

namespace {

TextFile* g_open_files = nullptr;

// True when the Linux path names one of the text files this process has
// open (the same inode, whatever name it is reached by).
bool is_open_text_file(const char* path) {
  if (!g_open_files) return false;
  struct stat st;
  if (lstat(path, &st) != 0) return false;
  for (TextFile* f = g_open_files; f; f = f->next) {
    if (f->device == st.st_dev && f->inode == st.st_ino) return true;
  }
  return false;
}

void forget_text_file(TextFile* file) {
  for (TextFile** p = &g_open_files; *p; p = &(*p)->next) {
    if (*p == file) {
      *p = file->next;
      return;
    }
  }
}

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

struct Console {
  bool ready = false;
  bool out_is_terminal = false;
  OutputSink out;
  OutputSink err;
};

Console g_console;

void flush_at_exit() { sink_finish(&g_console.out, STDOUT_FILENO); }

Console& console() {
  if (!g_console.ready) {
    g_console.ready = true;
    g_console.out_is_terminal = isatty(STDOUT_FILENO) == 1;
    atexit(flush_at_exit);
  }
  return g_console;
}

// Writes the complete lines of standard output's buffer; false when the
// write failed.
bool write_complete_lines(Console* c) {
  size_t end = c->out.buffer.rfind('\n');
  if (end == std::string::npos) return !c->out.failed;
  if (!write_all(STDOUT_FILENO, c->out.buffer.data(), end + 1)) {
    c->out.failed = true;
  }
  c->out.buffer.erase(0, end + 1);
  return !c->out.failed;
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

int open_mode_flags(TextFileMode mode) {
  switch (mode) {
    case TextFileMode::kCreate:
      return O_WRONLY | O_CREAT;
    case TextFileMode::kUpdate:
      return O_RDWR;
    case TextFileMode::kCreateUpdate:
      return O_RDWR | O_CREAT;
    case TextFileMode::kAppend:
      return O_WRONLY | O_CREAT | O_APPEND;
  }
  return O_RDONLY;
}

bool truncates(TextFileMode mode) {
  return mode == TextFileMode::kCreate || mode == TextFileMode::kCreateUpdate;
}

bool names_equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i];
    unsigned char y = b[i];
    if (is_lead(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'a' && x <= 'z') x -= 0x20;
    if (y >= 'a' && y <= 'z') y -= 0x20;
    if (x != y) return false;
  }
  return true;
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
// is a pattern whose `\`, `:`, `*` and `?` keep their meaning.
std::string file_argument(std::string_view arg) {
  std::string written(arg);
  if (exists_as_written(written)) return internal_path(arg);
  size_t slash = arg.rfind('/');
  if (slash != std::string_view::npos && slash > 0 &&
      exists_as_written(written.substr(0, slash))) {
    return internal_path(arg.substr(0, slash)) + '\\' +
           text_path(arg.substr(slash + 1));
  }
  return text_path(arg);
}

}  // namespace

// For file systems without RENAME_NOREPLACE. A file is linked to its new
// name, which fails on an existing target, and then unlinked. A directory
// (or a file where hard links are not supported) is moved by rename(2)
// after an existence check: between the check and the rename another
// process could create the target, a window we accept because the
// alternative is refusing every directory rename on such file systems.
MoveResult move_without_noreplace(const char* from, const char* to) {
  struct stat st;
  if (lstat(from, &st) != 0) return MoveResult::kFailed;
  if (!S_ISDIR(st.st_mode)) {
    if (link(from, to) == 0) {
      if (unlink(from) == 0) return MoveResult::kMoved;
      unlink(to);
      return MoveResult::kFailed;
    }
    if (errno == EEXIST) return MoveResult::kTargetExists;
    if (errno != EPERM && errno != EOPNOTSUPP) return MoveResult::kFailed;
  }
  if (lstat(to, &st) == 0) return MoveResult::kTargetExists;
  if (errno != ENOENT) return MoveResult::kFailed;
  return rename(from, to) == 0 ? MoveResult::kMoved : MoveResult::kFailed;
}

// ---- Directory search ---------------------------------------------------

struct DirectorySearch {
  DIR* dir = nullptr;
};

DirectorySearch* directory_search_open(const std::string& directory) {
  linux_path(directory, &g_path_a);
  strip_final_slashes(&g_path_a);
  int fd =
      open(g_path_a.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return nullptr;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return nullptr;
  }
  return new DirectorySearch{dir};
}

bool directory_search_next(DirectorySearch* search, FindRecord* record) {
  errno = 0;
  dirent* entry = readdir(search->dir);
  if (!entry) return false;
  bool is_directory = entry->d_type == DT_DIR;
  if (entry->d_type == DT_UNKNOWN) {
    struct stat st;
    is_directory = fstatat(dirfd(search->dir), entry->d_name, &st,
                           AT_SYMLINK_NOFOLLOW) == 0 &&
                   S_ISDIR(st.st_mode);
  }
  record->name.clear();
  append_internal(entry->d_name, TextKind::kName, &record->name);
  record->attributes = is_directory ? kAttrDirectory : kAttrArchive;
  if (is_hidden_name(entry->d_name)) record->attributes |= kAttrHidden;
  record->creation_time = record->access_time = record->write_time = 0;
  record->size = 0;
  record->short_name.clear();
  record->complete = false;
  return true;
}

void directory_search_close(DirectorySearch* search) {
  if (!search) return;
  closedir(search->dir);
  delete search;
}

bool find_entry(const std::string& path, FindRecord* record) {
  EntryInfo info;
  if (path.empty() || !read_entry(path, &info, nullptr)) return false;
  std::string_view name = internal_last_component(path);
  fill_record(info, name, record);
  record->name.assign(name);
  return true;
}

bool complete_entry(const std::string& path, FindRecord* record) {
  EntryInfo info;
  std::string_view linux_name;
  if (!read_entry(path, &info, &linux_name)) {
    record->attributes = kAttrMissing;
    return false;
  }
  fill_record(info, linux_name, record);
  return true;
}

// ---- Attributes and renaming -----------------------------------------

uint32_t get_attributes(const std::string& path) {
  EntryInfo info;
  std::string_view linux_name;
  if (!read_entry(path, &info, &linux_name)) return kAttrMissing;
  return attributes_of(info.mode, linux_name);
}

bool set_normal_attributes(const std::string& path) {
  const char* p = linux_path(path, &g_path_a);
  struct stat st;
  if (lstat(p, &st) != 0) return false;
  if (!is_read_only(st.st_mode)) return true;
  return chmod(p, (st.st_mode & 07777) | S_IWUSR) == 0;
}

MoveResult move_entry(const std::string& from, const std::string& to) {
  const char* a = linux_path(from, &g_path_a);
  const char* b = linux_path(to, &g_path_b);
  if (is_open_text_file(a) || is_open_text_file(b)) return MoveResult::kFailed;
  if (renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_NOREPLACE) == 0) {
    return MoveResult::kMoved;
  }
  if (errno == EEXIST) return MoveResult::kTargetExists;
  if (errno == EINVAL || errno == ENOSYS) return move_without_noreplace(a, b);
  return MoveResult::kFailed;
}

bool move_reports_existing_target() { return true; }

bool replace_entry(const std::string& from, const std::string& to) {
  const char* a = linux_path(from, &g_path_a);
  const char* b = linux_path(to, &g_path_b);
  if (is_open_text_file(a) || is_open_text_file(b)) return false;
  struct stat st;
  if (lstat(b, &st) == 0 && (S_ISDIR(st.st_mode) || is_read_only(st.st_mode))) {
    return false;
  }
  return rename(a, b) == 0;
}

bool delete_entry(const std::string& path) {
  const char* p = linux_path(path, &g_path_a);
  struct stat st;
  if (lstat(p, &st) != 0 || S_ISDIR(st.st_mode) || is_read_only(st.st_mode)) {
    return false;
  }
  if (is_open_text_file(p)) return false;
  return unlink(p) == 0;
}

// The answer cannot change while the command runs in any way it could act
// on, and the rename step asks it for every entry.
bool volume_available(const std::string& root) {
  static std::map<std::string, bool> answers;
  auto found = answers.find(root);
  if (found != answers.end()) return found->second;
  struct statvfs vfs;
  bool ok = statvfs(linux_path(root, &g_path_a), &vfs) == 0;
  answers.emplace(root, ok);
  return ok;
}

bool is_open_log_file(const std::string& path) {
  return is_open_text_file(linux_path(path, &g_path_a));
}

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

std::vector<CommandArgument> command_arguments(int argc, char** argv,
                                               char switch_char) {
  std::vector<CommandArgument> out;
  bool after_double_dash = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (i == 0 || i == 2) {
      out.push_back({to_internal(arg, TextKind::kText), false});
    } else if (i == 1) {
      out.push_back({to_internal(arg, TextKind::kOldString), false});
    } else if (!after_double_dash && arg == "--") {
      after_double_dash = true;
    } else if (after_double_dash || is_absolute_file_argument(arg)) {
      out.push_back({file_argument(arg), true});
    } else {
      std::string text = to_internal(arg, TextKind::kText);
      bool option = !text.empty() && (text[0] == '/' || text[0] == switch_char);
      out.push_back({option ? text : file_argument(arg), false});
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
    bool ok = sink_flush(&c.out, STDOUT_FILENO);
    c.err.failed = false;
    sink_append(&c.err, data, size, false);
    ok = sink_flush(&c.err, STDERR_FILENO) && ok;
    return ok ? static_cast<long>(size) : -1;
  }
  c.out.failed = false;
  sink_append(&c.out, data, size, false);
  bool ok = true;
  if (c.out_is_terminal) {
    ok = write_complete_lines(&c);
  } else if (c.out.buffer.size() >= kBufferLimit) {
    ok = sink_flush(&c.out, STDOUT_FILENO);
  }
  return ok ? static_cast<long>(size) : -1;
}

void console_flush() {
  Console& c = console();
  if (!c.out_is_terminal) sink_flush(&c.out, STDOUT_FILENO);
}

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
    sink_flush(&c.out, STDOUT_FILENO);
    return 'A';
  }
  termios raw = saved;
  raw.c_lflag &= ~(ICANON | ECHO | ISIG | IEXTEN);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  bool ready = tcsetattr(fd, TCSAFLUSH, &raw) == 0;
  sink_flush(&c.out, STDOUT_FILENO);
  int key = ready ? read_one_key(fd) : 'A';
  tcsetattr(fd, TCSANOW, &saved);
  close(fd);
  return key;
}

// ---- Files ---------------------------------------------------------------

bool read_file_bytes(const std::string& path, std::string* bytes) {
  int fd = open(linux_path(path, &g_path_a), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  bytes->clear();
  char chunk[65536];
  while (ok) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    bytes->append(chunk, n);
  }
  close(fd);
  return ok;
}

std::string external_text_to_internal(const std::string& bytes) {
  return to_internal(bytes, TextKind::kFileLine);
}

// The file is locked with flock before it is truncated, so a file another
// process holds is never emptied. A file that cannot be locked because the
// file system has no locks is still used.
TextFile* text_file_open(const std::string& path, TextFileMode mode) {
  int fd = open(linux_path(path, &g_path_a),
                open_mode_flags(mode) | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
      (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) ||
      (truncates(mode) && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0)) {
    close(fd);
    return nullptr;
  }
  TextFile* file = new TextFile;
  file->fd = fd;
  file->device = st.st_dev;
  file->inode = st.st_ino;
  file->next = g_open_files;
  g_open_files = file;
  return file;
}

bool text_file_seek_end(TextFile* file) {
  return sink_flush(&file->sink, file->fd) &&
         lseek(file->fd, 0, SEEK_END) != -1;
}

bool text_file_is_empty(TextFile* file) {
  struct stat st;
  return file->sink.buffer.empty() && file->sink.held.empty() &&
         fstat(file->fd, &st) == 0 && st.st_size == 0;
}

bool text_file_write(TextFile* file, const char* data, size_t size) {
  sink_append(&file->sink, data, size, true);
  if (file->sink.buffer.size() >= kBufferLimit) {
    return sink_flush(&file->sink, file->fd);
  }
  return !file->sink.failed;
}

bool text_file_flush(TextFile* file) {
  return sink_flush(&file->sink, file->fd);
}

bool text_file_close(TextFile* file) {
  if (!file) return false;
  bool ok = sink_finish(&file->sink, file->fd);
  if (close(file->fd) != 0) ok = false;
  forget_text_file(file);
  delete file;
  return ok;
}

// Another process's flock or POSIX record lock marks the file in use. The
// process's own open log is never "in use elsewhere": it holds that lock.
bool file_in_use_elsewhere(const std::string& path) {
  const char* p = linux_path(path, &g_path_a);
  if (is_open_text_file(p)) return false;
  int fd = open(p, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock record = {};
  record.l_type = F_WRLCK;
  record.l_whence = SEEK_SET;
  bool in_use = fcntl(fd, F_GETLK, &record) == 0 && record.l_type != F_UNLCK;
  if (!in_use && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    in_use = true;
  }
  close(fd);
  return in_use;
}

}  // namespace kavo

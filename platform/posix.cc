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
//
// Entries are reached through descriptors of their directories, opened one
// component at a time without following links (see "Directory
// descriptors" below): no symbolic link is followed anywhere in a path,
// only the working directory is taken as it is.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"
#include "platform/shift_jis_text.h"

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

// ---- Directory descriptors ------------------------------------------------
//
// Every operation on an entry is made relative to a descriptor of the
// directory that holds it, never with a whole path that the kernel would
// resolve again. A directory is opened one component at a time with
// O_NOFOLLOW, from the working directory or from "/", so no symbolic link is
// ever followed on the way; a directory swapped for a link after it was
// listed is therefore never entered, and nothing is renamed through a link.
//
// The descriptors are kept in a small cache keyed by the directory's Linux
// path (without "." components and repeated slashes). A walk thus keeps
// working in the very directories it listed, and per entry no path is
// resolved twice. The keys are the program's own view of the tree: when it
// moves an entry, the keys at and below the old path are renamed to the new
// one (their descriptors still name the same directories), and keys at and
// below the new path, which could only be stale, are dropped. The program
// never changes its working directory; the cache still notices a change
// whenever a directory is listed or opened afresh, and drops its relative
// keys then.

// Enough for the chain of directories of a deep walk and a few more; each
// holds a descriptor.
constexpr size_t kCachedDirectoryLimit = 64;

struct CachedDirectory {
  std::string key;
  int fd = -1;
  uint64_t last_use = 0;
};

struct DirectoryCache {
  std::vector<CachedDirectory> entries;
  size_t recent = 0;   // index of the entry used last
  uint64_t clock = 0;  // advanced once per operation
  bool cwd_known = false;
  dev_t cwd_device = 0;
  ino_t cwd_inode = 0;
  uint64_t cwd_changes = 0;  // times the relative keys were dropped
};

DirectoryCache g_dirs;

// An entry as the operations address it: its directory's descriptor and
// key, and its last path component as written ("." and ".." included).
struct Located {
  int dir = AT_FDCWD;
  std::string key;  // "" is the working directory
  std::string name;
  bool must_be_directory = false;  // the path ended in a separator
};

Located g_entry_a;
Located g_entry_b;

bool is_absolute_key(std::string_view key) {
  return !key.empty() && key[0] == '/';
}

// True when `key` lies strictly below the directory `ancestor`.
bool key_is_below(std::string_view key, std::string_view ancestor) {
  if (ancestor == "/") return key.size() > 1 && key[0] == '/';
  return key.size() > ancestor.size() && key[ancestor.size()] == '/' &&
         key.compare(0, ancestor.size(), ancestor) == 0;
}

bool key_is_at_or_below(std::string_view key, std::string_view top) {
  return key == top || key_is_below(key, top);
}

// A ".." after a name: such a key is an alias that a move may outdate.
bool key_has_inner_parent_step(std::string_view key) {
  size_t start = 0;
  bool after_name = false;
  while (start <= key.size()) {
    size_t end = key.find('/', start);
    if (end == std::string_view::npos) end = key.size();
    std::string_view part = key.substr(start, end - start);
    if (part == "..") {
      if (after_name) return true;
    } else if (!part.empty()) {
      after_name = true;
    }
    start = end + 1;
  }
  return false;
}

// The key of the directory the Linux path `dir` names.
void directory_key(std::string_view dir, std::string* key) {
  key->clear();
  if (is_absolute_key(dir)) key->push_back('/');
  size_t start = 0;
  while (start <= dir.size()) {
    size_t end = dir.find('/', start);
    if (end == std::string_view::npos) end = dir.size();
    std::string_view part = dir.substr(start, end - start);
    if (!part.empty() && part != ".") {
      if (!key->empty() && key->back() != '/') key->push_back('/');
      key->append(part);
    }
    start = end + 1;
  }
}

void close_cached(size_t index) {
  close(g_dirs.entries[index].fd);
  g_dirs.entries[index] = std::move(g_dirs.entries.back());
  g_dirs.entries.pop_back();
  g_dirs.recent = 0;
}

// Notices a change of the working directory: relative keys are dropped.
void check_working_directory() {
  struct stat st;
  if (stat(".", &st) != 0) return;
  if (g_dirs.cwd_known && st.st_dev == g_dirs.cwd_device &&
      st.st_ino == g_dirs.cwd_inode) {
    return;
  }
  for (size_t i = g_dirs.entries.size(); i-- > 0;) {
    if (!is_absolute_key(g_dirs.entries[i].key)) close_cached(i);
  }
  ++g_dirs.cwd_changes;
  g_dirs.cwd_known = true;
  g_dirs.cwd_device = st.st_dev;
  g_dirs.cwd_inode = st.st_ino;
}

int find_cached(std::string_view key) {
  std::vector<CachedDirectory>& entries = g_dirs.entries;
  if (g_dirs.recent < entries.size() && entries[g_dirs.recent].key == key) {
    entries[g_dirs.recent].last_use = g_dirs.clock;
    return entries[g_dirs.recent].fd;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].key != key) continue;
    entries[i].last_use = g_dirs.clock;
    g_dirs.recent = i;
    return entries[i].fd;
  }
  return -1;
}

// Makes room for one more entry: the least recently used one goes, and one
// that is no ancestor of `key` before any ancestor (a walk comes back to
// its ancestors). Entries used by the operation in hand stay.
void evict_for(std::string_view key) {
  size_t victim = g_dirs.entries.size();
  bool victim_is_ancestor = true;
  for (size_t i = 0; i < g_dirs.entries.size(); ++i) {
    const CachedDirectory& e = g_dirs.entries[i];
    if (e.last_use == g_dirs.clock) continue;
    bool ancestor = key_is_below(key, e.key);
    if (victim == g_dirs.entries.size() || (victim_is_ancestor && !ancestor) ||
        (ancestor == victim_is_ancestor &&
         e.last_use < g_dirs.entries[victim].last_use)) {
      victim = i;
      victim_is_ancestor = ancestor;
    }
  }
  if (victim < g_dirs.entries.size()) close_cached(victim);
}

void insert_cached(std::string_view key, int fd) {
  if (g_dirs.entries.size() >= kCachedDirectoryLimit) evict_for(key);
  g_dirs.entries.push_back({std::string(key), fd, g_dirs.clock});
  g_dirs.recent = g_dirs.entries.size() - 1;
}

int open_step(int base, std::string_view name) {
  std::string part(name);
  return openat(base, part.c_str(),
                O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The cached directory closest above `key`; `*length` receives the length
// of its key (0 when there is none).
int nearest_cached_ancestor(std::string_view key, size_t* length) {
  int fd = -1;
  *length = 0;
  for (CachedDirectory& e : g_dirs.entries) {
    if (e.key.size() >= *length && key_is_below(key, e.key)) {
      fd = e.fd;
      *length = e.key.size();
      e.last_use = g_dirs.clock;
    }
  }
  return fd;
}

// Opens the directory `key` (not cached) from its nearest cached ancestor,
// or from the start, one component at a time. Returns -1 on failure.
int open_directory(std::string_view key) {
  if (!is_absolute_key(key)) check_working_directory();
  size_t done = 0;
  int base = nearest_cached_ancestor(key, &done);
  if (base < 0 && is_absolute_key(key)) {
    base = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (base < 0) return -1;
    insert_cached("/", base);
    done = 1;
  }
  if (base < 0) base = AT_FDCWD;
  if (done == key.size()) return base;  // the root itself
  int fd = base;
  size_t start = done == 0 ? 0 : done + (key[done] == '/' ? 1 : 0);
  while (start < key.size()) {
    size_t end = key.find('/', start);
    if (end == std::string_view::npos) end = key.size();
    int next = open_step(fd, key.substr(start, end - start));
    if (fd != base) close(fd);
    if (next < 0) return -1;
    fd = next;
    start = end + 1;
  }
  insert_cached(key, fd);
  return fd;
}

// The descriptor of the directory `key` (AT_FDCWD for ""), or -1.
int directory_fd(const std::string& key) {
  if (key.empty()) return AT_FDCWD;
  int fd = find_cached(key);
  return fd >= 0 ? fd : open_directory(key);
}

// Splits a Linux path into its directory's key and its last component.
// "/" itself is the name "/" in the working directory.
void split_path(std::string* path, Located* out) {
  out->must_be_directory = strip_final_slashes(path);
  size_t slash = path->rfind('/');
  if (*path == "/" || slash == std::string::npos) {
    out->key.clear();
    out->name.assign(*path);
    return;
  }
  out->name.assign(*path, slash + 1);
  directory_key(std::string_view(*path).substr(0, slash == 0 ? 1 : slash),
                &out->key);
}

// Fills `*out` for the internal path; false when its directory cannot be
// opened.
bool locate(const std::string& internal, Located* out) {
  g_path_a.clear();
  append_external_path(internal, &g_path_a);
  split_path(&g_path_a, out);
  out->dir = directory_fd(out->key);
  return out->dir != -1;
}

// Locates the entry at the internal path and reads its status (a link's
// own); false when its directory cannot be opened or it is not there.
bool stat_entry(const std::string& path, Located* e, struct stat* st) {
  return locate(path, e) &&
         fstatat(e->dir, e->name.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Locates both ends of a move. When locating the second noticed a new
// working directory, the first one's descriptor may be closed by now: it is
// located again.
bool locate_pair(const std::string& from, const std::string& to, Located* a,
                 Located* b) {
  uint64_t changes = g_dirs.cwd_changes;
  if (!locate(from, a) || !locate(to, b)) return false;
  return changes == g_dirs.cwd_changes || locate(from, a);
}

// The key of the entry itself; false when its name is no plain component.
bool entry_key(const Located& entry, std::string* key) {
  if (entry.name.empty() || entry.name == "." || entry.name == ".." ||
      entry.name == "/") {
    return false;
  }
  *key = entry.key;
  if (!key->empty() && key->back() != '/') key->push_back('/');
  key->append(entry.name);
  return true;
}

// After the program moved `from` to `to`: the cached directories at or
// below the old path are known by the new path from now on.
void note_moved(const Located& from, const Located& to) {
  std::string old_key;
  std::string new_key;
  bool known = entry_key(from, &old_key) && entry_key(to, &new_key);
  bool absolute = is_absolute_key(old_key);
  for (size_t i = g_dirs.entries.size(); i-- > 0;) {
    std::string& key = g_dirs.entries[i].key;
    // Another spelling of the same directory could not be renamed.
    bool alias =
        is_absolute_key(key) != absolute || key_has_inner_parent_step(key);
    if (!known || alias || key_is_at_or_below(key, new_key)) {
      close_cached(i);
    } else if (key_is_at_or_below(key, old_key)) {
      key = new_key + key.substr(old_key.size());
    }
  }
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

bool read_info(int dir, const char* name, EntryInfo* info) {
  struct statx sx;
  if (statx(dir, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
            &sx) == 0) {
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
  if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
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
  ++g_dirs.clock;
  Located& e = g_entry_a;
  if (!locate(internal, &e) || !read_info(e.dir, e.name.c_str(), info)) {
    return false;
  }
  if (e.must_be_directory && !S_ISDIR(info->mode)) return false;
  if (linux_name) *linux_name = e.name;
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
  size_t usable = whole_characters_length(text);
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
  append_external(sink->held, &sink->buffer);
  sink->held.clear();
  return sink_flush(sink, fd);
}

}  // namespace

// A directory above an open text file: renaming it would leave the file
// where no path the program knows reaches it, so the run never does.
struct HoldingDirectory {
  std::string name;  // its name in its parent
  dev_t device = 0;
  ino_t inode = 0;
};

struct TextFile {
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;       // the last component of the path it was opened by
  std::string real_name;  // its name in the directory that holds it
  std::vector<HoldingDirectory> holders;  // its directories, root excluded
  OutputSink sink;
  TextFile* next = nullptr;
};

namespace {

TextFile* g_open_files = nullptr;

// The file's own path, as the kernel keeps it for the descriptor (links
// and ".." resolved); the path it was opened by where /proc is missing.
std::string real_path(int fd, const char* opened) {
  std::string path(4096, '\0');
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  ssize_t n = readlink(link.c_str(), path.data(), path.size());
  if (n > 0 && static_cast<size_t>(n) < path.size() && path[0] == '/') {
    path.resize(n);
    return path;
  }
  char* resolved = realpath(opened, nullptr);
  if (!resolved) return std::string();
  path = resolved;
  free(resolved);
  return path;
}

// Fills the file's real name and the directories that hold it.
void find_holders(const char* opened, TextFile* file) {
  std::string path = real_path(file->fd, opened);
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return;
  file->real_name = path.substr(slash + 1);
  for (size_t start = 1; start < slash;) {
    size_t end = path.find('/', start);
    struct stat st;
    if (lstat(path.substr(0, end).c_str(), &st) == 0) {
      file->holders.push_back(
          {path.substr(start, end - start), st.st_dev, st.st_ino});
    }
    start = end + 1;
  }
}

// True when `last` is a name that an open text file or a directory holding
// one bears: only such an entry needs looking up.
bool bears_open_file_name(std::string_view last) {
  for (TextFile* f = g_open_files; f; f = f->next) {
    if (f->name == last || f->real_name == last) return true;
    for (const HoldingDirectory& h : f->holders) {
      if (h.name == last) return true;
    }
  }
  return false;
}

// True when `st` is one of the text files this process has open, whatever
// name reaches it.
bool is_open_text_file(const struct stat& st) {
  for (TextFile* f = g_open_files; f; f = f->next) {
    if (f->device == st.st_dev && f->inode == st.st_ino) return true;
  }
  return false;
}

bool holds_open_text_file(const struct stat& st) {
  if (!S_ISDIR(st.st_mode)) return false;
  for (TextFile* f = g_open_files; f; f = f->next) {
    for (const HoldingDirectory& h : f->holders) {
      if (h.device == st.st_dev && h.inode == st.st_ino) return true;
    }
  }
  return false;
}

// True when the entry `name` of the directory `dir` is one of the text
// files this process has open or a directory that holds one. Moving
// another hard link of such a file leaves the file itself where it is, so
// only the names the file and its directories bear are looked up: an
// ordinary entry costs no system call here.
bool is_open_text_file(int dir, const char* name, bool or_holder) {
  if (!g_open_files) return false;
  const char* slash = strrchr(name, '/');
  if (!bears_open_file_name(slash ? slash + 1 : name)) return false;
  struct stat st;
  if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return is_open_text_file(st) || (or_holder && holds_open_text_file(st));
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
//
// A second stop signal ends the process at once, and the lines standard
// output holds then must still go out. The handler can only write memory
// that never moves under it: `pending` keeps its capacity, text is copied
// into it only where it fits, and the part not yet written is published
// (g_unwritten_*) after each complete change.

struct Console {
  bool ready = false;
  bool out_is_terminal = false;
  bool out_failed = false;  // a write to standard output has failed
  OutputSink out;           // converts; its buffer holds one write's text
  std::string pending;      // standard output not yet written
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

// Writes the first `size` bytes of `pending` and drops them, also when the
// write fails (the output goes on with what follows); false then.
bool write_pending(Console* c, size_t size) {
  const char* data = c->pending.data();
  size_t left = size;
  while (left > 0) {
    ssize_t written = write(STDOUT_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    data += written;
    left -= written;
    publish_unwritten(data, c->pending.size() - (size - left));
  }
  publish_unwritten(nullptr, 0);
  c->pending.erase(0, size);
  publish_unwritten(c->pending.data(), c->pending.size());
  if (left > 0) c->out_failed = true;
  return left == 0;
}

bool write_all_pending(Console* c) {
  return write_pending(c, c->pending.size());
}

// Moves the text just converted into `pending` without moving the memory
// the handler may read: what does not fit is preceded by a write of what
// `pending` holds. False when that write failed.
bool queue_output(Console* c) {
  std::string& text = c->out.buffer;
  bool ok = true;
  if (c->pending.size() + text.size() > c->pending.capacity()) {
    ok = write_all_pending(c);
    if (text.size() > c->pending.capacity()) {
      publish_unwritten(nullptr, 0);
      c->pending.reserve(text.size());
    }
  }
  c->pending.append(text);
  text.clear();
  publish_unwritten(c->pending.data(), c->pending.size());
  return ok;
}

void flush_at_exit() {
  // A final lead byte that never got its trail byte is written as it is.
  Console& c = g_console;
  c.out.buffer.append(c.out.held);
  c.out.held.clear();
  queue_output(&c);
  write_all_pending(&c);
}

Console& console() {
  if (!g_console.ready) {
    g_console.ready = true;
    g_console.out_is_terminal = isatty(STDOUT_FILENO) == 1;
    g_console.pending.reserve(2 * kBufferLimit);
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
  size_t end = c->pending.rfind('\n');
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

bool is_open_text_file(const Located& entry) {
  return is_open_text_file(entry.dir, entry.name.c_str(), true);
}

// For file systems without RENAME_NOREPLACE. A file is linked to its new
// name, which fails on an existing target, and then unlinked. A directory
// (or a file where hard links are not supported) is moved by rename(2)
// after an existence check: between the check and the rename another
// process could create the target, a window we accept because the
// alternative is refusing every directory rename on such file systems.
MoveResult move_without_noreplace_at(int from_dir, const char* from, int to_dir,
                                     const char* to) {
  struct stat st;
  if (fstatat(from_dir, from, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return MoveResult::kFailed;
  }
  if (!S_ISDIR(st.st_mode)) {
    if (linkat(from_dir, from, to_dir, to, 0) == 0) {
      if (unlinkat(from_dir, from, 0) == 0) return MoveResult::kMoved;
      unlinkat(to_dir, to, 0);
      return MoveResult::kFailed;
    }
    if (errno == EEXIST) return MoveResult::kTargetExists;
    if (errno != EPERM && errno != EOPNOTSUPP) return MoveResult::kFailed;
  }
  if (fstatat(to_dir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    return MoveResult::kTargetExists;
  }
  if (errno != ENOENT) return MoveResult::kFailed;
  return renameat(from_dir, from, to_dir, to) == 0 ? MoveResult::kMoved
                                                   : MoveResult::kFailed;
}

// A move that never replaces an existing entry.
MoveResult move_at(int from_dir, const char* from, int to_dir, const char* to) {
  if (renameat2(from_dir, from, to_dir, to, RENAME_NOREPLACE) == 0) {
    return MoveResult::kMoved;
  }
  if (errno == EEXIST) return MoveResult::kTargetExists;
  if (errno == EINVAL || errno == ENOSYS) {
    return move_without_noreplace_at(from_dir, from, to_dir, to);
  }
  return MoveResult::kFailed;
}

}  // namespace

MoveResult move_without_noreplace(const char* from, const char* to) {
  return move_without_noreplace_at(AT_FDCWD, from, AT_FDCWD, to);
}

// ---- Directory search ---------------------------------------------------

struct DirectorySearch {
  DIR* dir = nullptr;
};

// The listing reads through a descriptor of its own, opened from the cached
// one, which stays behind for the operations on the entries.
DirectorySearch* directory_search_open(const std::string& directory) {
  ++g_dirs.clock;
  linux_path(directory, &g_path_a);
  strip_final_slashes(&g_path_a);
  check_working_directory();
  directory_key(g_path_a, &g_entry_a.key);
  int dir = directory_fd(g_entry_a.key);
  if (dir == -1) return nullptr;
  int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  DIR* listing = fdopendir(fd);
  if (!listing) {
    close(fd);
    return nullptr;
  }
  return new DirectorySearch{listing};
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

// A listed name always leads back to its entry: names are kept byte for
// byte (escaped where they must be).
bool entry_listed(const std::string& path) {
  return get_attributes(path) != kAttrMissing;
}

// ---- Attributes and renaming -----------------------------------------

uint32_t get_attributes(const std::string& path) {
  EntryInfo info;
  std::string_view linux_name;
  if (!read_entry(path, &info, &linux_name)) return kAttrMissing;
  return attributes_of(info.mode, linux_name);
}

// The entry is never a link here: a link has no read-only bit to clear. Where
// the C library cannot change a mode without following a link (no /proc),
// the entry is checked once more and changed by name.
bool set_normal_attributes(const std::string& path) {
  ++g_dirs.clock;
  Located& e = g_entry_a;
  struct stat st;
  if (!stat_entry(path, &e, &st)) return false;
  if (!is_read_only(st.st_mode)) return true;
  mode_t mode = (st.st_mode & 07777) | S_IWUSR;
  if (fchmodat(e.dir, e.name.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) {
    return true;
  }
  if (errno != EOPNOTSUPP && errno != ENOSYS) return false;
  if (fstatat(e.dir, e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      S_ISLNK(st.st_mode)) {
    return false;
  }
  return fchmodat(e.dir, e.name.c_str(), mode, 0) == 0;
}

// Both ends are located before either is used: the second lookup never
// evicts the descriptor of the first (both belong to this operation).
MoveResult move_entry(const std::string& from, const std::string& to) {
  ++g_dirs.clock;
  Located& a = g_entry_a;
  Located& b = g_entry_b;
  if (!locate_pair(from, to, &a, &b)) return MoveResult::kFailed;
  if (is_open_text_file(a) || is_open_text_file(b)) return MoveResult::kFailed;
  MoveResult result = move_at(a.dir, a.name.c_str(), b.dir, b.name.c_str());
  if (result == MoveResult::kFailed && errno == ENAMETOOLONG) {
    result = MoveResult::kNameTooLong;
  }
  if (result == MoveResult::kMoved) note_moved(a, b);
  return result;
}

bool move_reports_existing_target() { return true; }

namespace {

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// rename(2) does nothing when both names are links of one file. Windows
// removes the old name then, and so does this. The old name is first moved
// aside to a free name: if both names turn out to be one entry (a file
// system that ignores letter case), that entry then goes on to the new
// spelling instead of being removed, and at no moment has the file no name.
bool replace_own_link(const Located& a, const Located& b,
                      const struct stat& target) {
  std::string aside;
  for (int n = 0;; ++n) {
    if (n == 100) return false;
    aside = ".kavo-link-" + std::to_string(getpid()) + "-" + std::to_string(n);
    MoveResult moved = move_at(a.dir, a.name.c_str(), a.dir, aside.c_str());
    if (moved == MoveResult::kMoved) break;
    if (moved == MoveResult::kFailed) return false;
  }
  struct stat st;
  bool distinct =
      fstatat(b.dir, b.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      same_file(st, target);
  if (distinct ? unlinkat(a.dir, aside.c_str(), 0) == 0
               : move_at(a.dir, aside.c_str(), b.dir, b.name.c_str()) ==
                     MoveResult::kMoved) {
    return true;
  }
  move_at(a.dir, aside.c_str(), a.dir, a.name.c_str());
  return false;
}

}  // namespace

// renameat2 without flags is rename(2): the old target goes in the same
// step. A target that is the open log by whatever name (a link, another
// spelling of its path) is refused: the replace would remove it.
bool replace_entry(const std::string& from, const std::string& to) {
  ++g_dirs.clock;
  Located& a = g_entry_a;
  Located& b = g_entry_b;
  if (!locate_pair(from, to, &a, &b)) return false;
  if (is_open_text_file(a)) return false;
  struct stat target;
  if (fstatat(b.dir, b.name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(target.st_mode) || is_read_only(target.st_mode) ||
        is_open_text_file(target)) {
      return false;
    }
    struct stat source;
    if (fstatat(a.dir, a.name.c_str(), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
        same_file(source, target)) {
      return replace_own_link(a, b, target);
    }
  }
  if (renameat2(a.dir, a.name.c_str(), b.dir, b.name.c_str(), 0) != 0) {
    return false;
  }
  note_moved(a, b);
  return true;
}

bool delete_entry(const std::string& path) {
  ++g_dirs.clock;
  Located& e = g_entry_a;
  struct stat st;
  if (!stat_entry(path, &e, &st) || S_ISDIR(st.st_mode) ||
      is_read_only(st.st_mode)) {
    return false;
  }
  if (is_open_text_file(e)) return false;
  return unlinkat(e.dir, e.name.c_str(), 0) == 0;
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

std::string name_pattern_text(const std::string& text, NamePatternKind kind) {
  return name_pattern(text, kind);
}

size_t stored_name_length(std::string_view name) {
  return external_length(name);
}

// Linux names are case-sensitive.
bool same_path_text(std::string_view a, std::string_view b) { return a == b; }

bool is_open_log_file(const std::string& path) {
  if (!g_open_files) return false;
  ++g_dirs.clock;
  return locate(path, &g_entry_a) && is_open_text_file(g_entry_a);
}

bool entry_identity(const std::string& path, FileIdentity* identity) {
  ++g_dirs.clock;
  Located& e = g_entry_a;
  struct stat st;
  if (!stat_entry(path, &e, &st)) return false;
  identity->volume = st.st_dev;
  identity->index = st.st_ino;
  return true;
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
  sink_append(&c.out, data, size, false);
  bool ok = queue_output(&c);
  if (c.out_is_terminal) {
    ok = write_complete_lines(&c) && ok;
  } else if (c.pending.size() >= kBufferLimit) {
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
  const char* opened = linux_path(path, &g_path_a);
  const char* slash = strrchr(opened, '/');
  std::string name = slash ? slash + 1 : opened;
  int fd = open(opened, open_mode_flags(mode) | O_CLOEXEC | O_NOCTTY, 0666);
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
  file->name = name;
  find_holders(opened, file);
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
  if (is_open_text_file(AT_FDCWD, p, false)) return false;
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

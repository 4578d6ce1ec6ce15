// The Linux layer's entries: directory descriptors, paths, attributes and
// listing.
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
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"
#include "text/path_text.h"
#include "text/sjis.h"

namespace kavo {
namespace posix {

const char* linux_path(const std::string& internal, std::string* scratch) {
  scratch->clear();
  append_external_path(internal, scratch);
  return scratch->c_str();
}

bool is_read_only(mode_t mode) { return !S_ISLNK(mode) && !(mode & S_IWUSR); }

}  // namespace posix

namespace {

using posix::is_read_only;
using posix::linux_path;
using posix::Located;

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
      i = sjis_next_char(p, i);
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
//
// Most operations in a run address entries of the directory addressed just
// before, so the last directory located is remembered by its internal text
// with its Linux path, key and descriptor: a path in it is split and
// converted as its name alone, and its descriptor serves until the cache
// changes.

// Enough for the chain of directories of a deep walk and a few more; each
// holds a descriptor.
constexpr size_t kCachedDirectoryLimit = 64;

struct CachedDirectory {
  std::string key;
  int fd = -1;
  uint64_t last_use = 0;
  bool alias = false;  // the key has a ".." after a name (see note_moved)
};

// The last directory a path was located in, by its internal text: the
// entries of one directory then convert and split only their own names.
// Only a directory written in ASCII is kept, whose Linux form is the same
// in every external encoding. Its descriptor holds while the cache stays
// as it was.
struct LastDirectory {
  bool known = false;
  std::string internal;   // up to and with its last separator; "" for none
  std::string linux_dir;  // its Linux form: "" or ending in '/'
  std::string key;
  std::string stored_dir;  // its stored full path, made on first use
  bool stored_known = false;
  uint64_t generation = 0;  // of the cache when `fd` was found; 0: not yet
  int fd = AT_FDCWD;
  size_t index = 0;     // its cache entry, unless `key` is ""
  uint64_t serial = 0;  // advanced whenever another directory is kept
};

// What all the keys have in common, so that a move that concerns none of
// them (any move of a file) is known as such without looking at each key.
struct KeySummary {
  uint64_t generation = 0;  // of the cache it was made for
  size_t longest = 0;
  bool any_alias = false;
  bool any_absolute = false;
  bool any_relative = false;
};

struct DirectoryCache {
  std::vector<CachedDirectory> entries;
  KeySummary summary;
  uint64_t generation = 1;  // advanced by every change of the entries
  size_t recent = 0;        // index of the entry used last
  uint64_t clock = 0;       // advanced once per operation
  bool cwd_known = false;
  dev_t cwd_device = 0;
  ino_t cwd_inode = 0;
  uint64_t cwd_changes = 0;  // times the relative keys were dropped
  // Kept from one operation to the next rather than made afresh, so that
  // the per-entry calls (listing, completing, moving) allocate nothing once
  // the strings have grown: the Linux path being located and the entries an
  // operation addresses (begin_entry_operation).
  std::string located_path;
  Located first;
  Located second;
  LastDirectory last;
  std::string old_key;  // note_moved's keys of the moved entry
  std::string new_key;
};

DirectoryCache g_dirs;

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

const KeySummary& key_summary() {
  KeySummary& s = g_dirs.summary;
  if (s.generation == g_dirs.generation) return s;
  s = KeySummary();
  s.generation = g_dirs.generation;
  for (const CachedDirectory& e : g_dirs.entries) {
    s.longest = std::max(s.longest, e.key.size());
    s.any_alias = s.any_alias || e.alias;
    s.any_absolute = s.any_absolute || is_absolute_key(e.key);
    s.any_relative = s.any_relative || !is_absolute_key(e.key);
  }
  return s;
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
  ++g_dirs.generation;
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
  ++g_dirs.generation;
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
  ++g_dirs.generation;
  g_dirs.entries.push_back(
      {std::string(key), fd, g_dirs.clock, key_has_inner_parent_step(key)});
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

// True when an entry's name is a plain component, one that has a key.
bool has_entry_key(const Located& entry) {
  std::string_view name = entry.name;
  return !name.empty() && name != "." && name != ".." && name != "/";
}

bool needs_separator(std::string_view key) {
  return !key.empty() && key.back() != '/';
}

// The key of an entry that has one (has_entry_key).
void entry_key(const Located& entry, std::string* key) {
  key->assign(entry.key);
  if (needs_separator(*key)) key->push_back('/');
  key->append(entry.name);
}

// The length of entry_key's key, without making it.
size_t entry_key_length(const Located& entry) {
  return entry.key.size() + needs_separator(entry.key) + entry.name.size();
}

// True when `name` can be the last component of an internal path that
// starts with a directory's text (or the whole path, `at_start`): not empty
// and, at the start, no drive colon.
bool is_name_text(std::string_view name, bool at_start) {
  return !name.empty() && !(at_start && name.size() >= 2 && name[1] == ':');
}

// True when none of the eight bytes of `word` is a separator or a byte of
// 0x80 or above (the bit tricks find a zero byte in `word` XOR the byte).
bool is_plain_ascii_word(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHigh = kOnes * 0x80;
  uint64_t backslash = word ^ (kOnes * '\\');
  uint64_t slash = word ^ (kOnes * '/');
  uint64_t zero_byte =
      ((backslash - kOnes) & ~backslash) | ((slash - kOnes) & ~slash);
  return ((word | zero_byte) & kHigh) == 0;
}

// The length of the leading run of `name` without a separator or a byte of
// 0x80 or above. Every name of an entry is read this way, eight bytes at a
// time (the last eight bytes overlapping their predecessors).
size_t plain_ascii_length(std::string_view name) {
  size_t i = 0;
  if (name.size() >= 8) {
    uint64_t word;
    for (; i + 8 <= name.size(); i += 8) {
      memcpy(&word, name.data() + i, 8);
      if (!is_plain_ascii_word(word)) break;
    }
    if (i == name.size()) return i;
    memcpy(&word, name.data() + name.size() - 8, 8);
    if (i + 8 > name.size() && is_plain_ascii_word(word)) return name.size();
  }
  for (; i < name.size(); ++i) {
    unsigned char c = name[i];
    if (c >= 0x80 || c == '\\' || c == '/') break;
  }
  return i;
}

// Appends the Linux form of `name`, text that follows a separator of an
// internal path, when it is one component there; false, `*out` unchanged,
// otherwise. Plain ASCII stands for itself in every external encoding.
bool append_linux_name(std::string_view name, std::string* out) {
  size_t ascii = plain_ascii_length(name);
  if (ascii == name.size()) {
    out->append(name);
    return true;
  }
  for (size_t i = ascii; i < name.size(); i = sjis_next_char(name, i)) {
    if (name[i] == '\\' || name[i] == '/') return false;
  }
  // An escape may stand for a '/', which would start another component.
  size_t start = out->size();
  append_external(name, out);
  if (out->find('/', start) == std::string::npos) return true;
  out->resize(start);
  return false;
}

// The text that follows the last directory's text in `internal`, when
// `internal` starts with it and may be one of its entries.
bool name_in_last_directory(std::string_view internal, std::string_view* name) {
  const LastDirectory& last = g_dirs.last;
  if (!last.known || internal.size() <= last.internal.size() ||
      internal.compare(0, last.internal.size(), last.internal) != 0) {
    return false;
  }
  *name = internal.substr(last.internal.size());
  return is_name_text(*name, last.internal.empty());
}

// Keeps the directory of `internal`, just located as `e` from its whole
// Linux path (g_dirs.located_path), for the entries that follow it: the
// Linux path of every entry of it is the directory's Linux path followed by
// the entry's name. False when it cannot be kept.
bool remember_directory(std::string_view internal, const Located& e) {
  size_t start = after_last_separator(internal);
  std::string_view name = internal.substr(start);
  std::string linux_name;
  if (e.must_be_directory || !is_ascii(internal.substr(0, start)) ||
      !is_name_text(name, start == 0) ||
      !append_linux_name(name, &linux_name) || linux_name != e.name) {
    return false;
  }
  LastDirectory& last = g_dirs.last;
  last.known = true;
  last.internal.assign(internal.substr(0, start));
  last.linux_dir.assign(g_dirs.located_path, 0,
                        g_dirs.located_path.size() - e.name.size());
  last.key = e.key;
  last.generation = 0;
  last.stored_known = false;
  ++last.serial;
  return true;
}

// The descriptor of the last directory (directory_fd), marked as used by
// the operation in hand like any other.
int last_directory_fd() {
  LastDirectory& last = g_dirs.last;
  if (last.generation == g_dirs.generation) {
    if (!last.key.empty()) g_dirs.entries[last.index].last_use = g_dirs.clock;
    return last.fd;
  }
  int fd = directory_fd(last.key);
  if (fd == -1) return -1;
  last.fd = fd;
  last.index = g_dirs.recent;  // where directory_fd found or put the key
  last.generation = g_dirs.generation;
  return fd;
}

// The last directory's stored full path, made on first use.
const std::string& last_stored_directory() {
  LastDirectory& last = g_dirs.last;
  if (!last.stored_known) {
    last.stored_dir = is_absolute_key(last.linux_dir)
                          ? last.linux_dir
                          : posix::working_prefix() + last.linux_dir;
    last.stored_known = true;
  }
  return last.stored_dir;
}

}  // namespace

namespace posix {

LocatedPair begin_entry_operation() {
  ++g_dirs.clock;
  return {&g_dirs.first, &g_dirs.second, g_dirs.clock};
}

const std::string& working_directory() {
  static const std::string working = [] {
    char* cwd = getcwd(nullptr, 0);
    std::string text = cwd ? cwd : "";
    free(cwd);
    return text;
  }();
  return working;
}

const std::string& working_prefix() {
  static const std::string prefix = working_directory() == "/"
                                        ? working_directory()
                                        : working_directory() + "/";
  return prefix;
}

bool append_stored_in_last_directory(const std::string& internal,
                                     std::string* out) {
  std::string_view name;
  if (!name_in_last_directory(internal, &name)) return false;
  size_t start = out->size();
  out->append(last_stored_directory());
  if (append_linux_name(name, out)) return true;
  out->resize(start);
  return false;
}

// An entry of the last directory only converts its name, and takes the
// directory's descriptor as it was found last unless the cache changed.
bool locate(const std::string& internal, Located* out) {
  std::string_view name;
  out->name.clear();
  if (name_in_last_directory(internal, &name) &&
      append_linux_name(name, &out->name)) {
    // Mostly the key the record holds already: comparing costs less.
    if (out->key != g_dirs.last.key) out->key = g_dirs.last.key;
    out->must_be_directory = false;
    out->last_directory = g_dirs.last.serial;
    out->dir = last_directory_fd();
  } else {
    linux_path(internal, &g_dirs.located_path);
    split_path(&g_dirs.located_path, out);
    bool kept = remember_directory(internal, *out);
    out->last_directory = kept ? g_dirs.last.serial : 0;
    out->dir = directory_fd(out->key);
  }
  return out->dir != -1;
}

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

void note_moved(const Located& from, const Located& to) {
  if (g_dirs.entries.empty()) return;
  bool known = has_entry_key(from) && has_entry_key(to);
  bool absolute = is_absolute_key(from.key);
  // A key at or below a path is at least as long as it: a move of a file
  // usually concerns no key at all.
  const KeySummary& keys = key_summary();
  if (known && !keys.any_alias &&
      !(absolute ? keys.any_relative : keys.any_absolute) &&
      entry_key_length(from) > keys.longest &&
      entry_key_length(to) > keys.longest) {
    return;
  }
  std::string& old_key = g_dirs.old_key;
  std::string& new_key = g_dirs.new_key;
  if (known) {
    entry_key(from, &old_key);
    entry_key(to, &new_key);
  }
  for (size_t i = g_dirs.entries.size(); i-- > 0;) {
    CachedDirectory& e = g_dirs.entries[i];
    // Another spelling of the same directory could not be renamed.
    bool alias = e.alias || is_absolute_key(e.key) != absolute;
    if (!known || alias || key_is_at_or_below(e.key, new_key)) {
      close_cached(i);
    } else if (key_is_at_or_below(e.key, old_key)) {
      e.key.replace(0, old_key.size(), new_key);
      e.alias = key_has_inner_parent_step(e.key);
      ++g_dirs.generation;
    }
  }
}

}  // namespace posix

// ---- Moves located once ---------------------------------------------------
//
// A journaled move locates its two ends once: the journal's record takes
// their stored paths from the located names, the move the located entries.
// Between the two steps the journal writes its record, which for the first
// record of a run makes the journal file and so starts other operations:
// the lookup then no longer holds, and the move locates its ends afresh.

namespace {

// True while the records the move's lookup filled are as it left them: no
// other operation started since, so the records, the descriptors they name
// and the cache are unchanged.
bool lookup_holds(const PreparedMove& move) {
  return move.operation != 0 && move.operation == g_dirs.clock;
}

}  // namespace

void prepare_move(const std::string& from, const std::string& to,
                  PreparedMove* move) {
  posix::LocatedPair entries = posix::begin_entry_operation();
  move->from = &from;
  move->to = &to;
  move->operation = entries.operation;
  move->located = posix::locate_pair(from, to, entries.first, entries.second);
}

// Only an end found in the last directory is taken from its located name:
// the directory's stored path then serves. A bare "." names the directory
// itself, whose stored path has no "/." after it: the whole path is
// converted for it, as for any other end.
void append_stored_move_end(const PreparedMove& move, bool target,
                            std::string* out) {
  const Located& e = target ? g_dirs.second : g_dirs.first;
  if (move.located && lookup_holds(move) && e.last_directory != 0 &&
      e.last_directory == g_dirs.last.serial && e.name != ".") {
    out->append(last_stored_directory());
    out->append(e.name);
    return;
  }
  append_stored_full_path(target ? *move.to : *move.from, out);
}

MoveResult move_prepared(const PreparedMove& move) {
  if (!lookup_holds(move)) return move_entry(*move.from, *move.to);
  if (!move.located) return MoveResult::kFailed;
  return posix::move_located(g_dirs.first, g_dirs.second);
}

namespace {

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
  Located& e = *posix::begin_entry_operation().first;
  if (!posix::locate(internal, &e) || !read_info(e.dir, e.name.c_str(), info)) {
    return false;
  }
  if (e.must_be_directory && !S_ISDIR(info->mode)) return false;
  if (linux_name) *linux_name = e.name;
  return true;
}

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

}  // namespace

// ---- Directory search ---------------------------------------------------

// Owns its listing: deleting it closes the directory. The entries are read
// straight from the kernel, a buffer at a time, the size of buffer a DIR
// stream would use, which spares a library call and its lock per entry.
struct DirectorySearch {
  explicit DirectorySearch(int listing) : fd(listing) {}
  ~DirectorySearch() { close(fd); }
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;

  int fd;
  size_t next = 0;    // where the next entry starts in `buffer`
  size_t filled = 0;  // the bytes the last read put in `buffer`
  alignas(dirent64) char buffer[32 * 1024];
};

// The listing reads through a descriptor of its own, opened from the cached
// one, which stays behind for the operations on the entries.
DirectorySearch* directory_search_open(const std::string& directory) {
  Located& e = *posix::begin_entry_operation().first;
  linux_path(directory, &g_dirs.located_path);
  strip_final_slashes(&g_dirs.located_path);
  check_working_directory();
  directory_key(g_dirs.located_path, &e.key);
  int dir = directory_fd(e.key);
  if (dir == -1) return nullptr;
  int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return new DirectorySearch(fd);
}

namespace {

// The next entry of the listing; null at its end or on a read error. An
// entry without an inode number was deleted and is passed over.
const dirent64* next_entry(DirectorySearch* search) {
  for (;;) {
    if (search->next >= search->filled) {
      ssize_t n = getdents64(search->fd, search->buffer, sizeof search->buffer);
      if (n <= 0) return nullptr;
      search->next = 0;
      search->filled = static_cast<size_t>(n);
    }
    const auto* entry =
        reinterpret_cast<const dirent64*>(search->buffer + search->next);
    search->next += entry->d_reclen;
    if (entry->d_ino != 0) return entry;
  }
}

}  // namespace

bool directory_search_next(DirectorySearch* search, FindRecord* record) {
  const dirent64* entry = next_entry(search);
  if (!entry) return false;
  bool is_directory = entry->d_type == DT_DIR;
  if (entry->d_type == DT_UNKNOWN) {
    struct stat st;
    is_directory =
        fstatat(search->fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(st.st_mode);
  }
  std::string_view name = entry->d_name;
  record->name.clear();
  append_internal(name, TextKind::kName, &record->name);
  record->attributes = is_directory ? kAttrDirectory : kAttrArchive;
  if (is_hidden_name(name)) record->attributes |= kAttrHidden;
  record->creation_time = record->access_time = record->write_time = 0;
  record->size = 0;
  record->short_name.clear();
  record->complete = false;
  return true;
}

void directory_search_close(DirectorySearch* search) { delete search; }

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

uint32_t get_attributes(const std::string& path) {
  EntryInfo info;
  std::string_view linux_name;
  if (!read_entry(path, &info, &linux_name)) return kAttrMissing;
  return attributes_of(info.mode, linux_name);
}

// The answer cannot change while the command runs in any way it could act
// on, and the rename step asks it for every entry.
bool volume_available(const std::string& root) {
  static std::map<std::string, bool> answers;
  auto found = answers.find(root);
  if (found != answers.end()) return found->second;
  std::string path;
  struct statvfs vfs;
  bool ok = statvfs(linux_path(root, &path), &vfs) == 0;
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

bool entry_identity(const std::string& path, FileIdentity* identity) {
  Located& e = *posix::begin_entry_operation().first;
  struct stat st;
  if (!posix::stat_entry(path, &e, &st)) return false;
  identity->volume = st.st_dev;
  identity->index = st.st_ino;
  return true;
}

}  // namespace kavo

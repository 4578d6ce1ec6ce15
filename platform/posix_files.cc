// The Linux layer's file operations: moves, replacing and deleting
// entries, the open text files (log, configuration) and their locks.

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"

namespace kavo {

// ---- Output to descriptors ------------------------------------------------

namespace {

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

}  // namespace

namespace posix {

// Converts `data` into the sink's buffer; with `crlf` every "\n" of the
// internal text is stored as "\r\n".
void sink_append(OutputSink* sink, const char* data, size_t size, bool crlf) {
  std::string_view text(data, size);
  const bool joined = !sink->held.empty();
  if (joined) {
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
  // The bytes that wait for the rest of their character: a few at most.
  if (joined) {
    sink->held.erase(0, usable);
  } else if (usable < text.size()) {
    sink->held.assign(text.substr(usable));
  }
}

bool sink_flush(OutputSink* sink, int fd) {
  if (!sink->buffer.empty() &&
      !write_all(fd, sink->buffer.data(), sink->buffer.size())) {
    sink->failed = true;
  }
  sink->buffer.clear();
  return !sink->failed;
}

}  // namespace posix

using posix::is_read_only;
using posix::kBufferLimit;
using posix::linux_path;
using posix::locate;
using posix::locate_pair;
using posix::Located;
using posix::move_at;
using posix::note_moved;
using posix::OutputSink;
using posix::sink_append;
using posix::sink_flush;
using posix::stat_entry;

// ---- Open text files ------------------------------------------------------

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

// A final lead byte that never got its trail byte is written as it is.
bool sink_finish(OutputSink* sink, int fd) {
  append_external(sink->held, &sink->buffer);
  sink->held.clear();
  return sink_flush(sink, fd);
}

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

}  // namespace

bool posix::is_open_text_file(const struct stat& st) {
  for (TextFile* f = g_open_files; f; f = f->next) {
    if (f->device == st.st_dev && f->inode == st.st_ino) return true;
  }
  return false;
}

namespace {

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
// ordinary entry costs no system call here. `last` is the last component
// of `name`.
bool is_open_text_file(int dir, const char* name, std::string_view last,
                       bool or_holder) {
  if (!g_open_files || !bears_open_file_name(last)) return false;
  struct stat st;
  if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return posix::is_open_text_file(st) ||
         (or_holder && holds_open_text_file(st));
}

void forget_text_file(TextFile* file) {
  for (TextFile** p = &g_open_files; *p; p = &(*p)->next) {
    if (*p == file) {
      *p = file->next;
      return;
    }
  }
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

// ---- Moves, attributes and deletion ----------------------------------------

bool is_open_text_file(const Located& entry) {
  return is_open_text_file(entry.dir, entry.name.c_str(), entry.name, true);
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

}  // namespace

namespace posix {

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

}  // namespace posix

MoveResult move_without_noreplace(const char* from, const char* to) {
  return move_without_noreplace_at(AT_FDCWD, from, AT_FDCWD, to);
}

// The entry is never a link here: a link has no read-only bit to clear. Where
// the C library cannot change a mode without following a link (no /proc),
// the entry is checked once more and changed by name.
bool set_normal_attributes(const std::string& path) {
  Located& e = *posix::begin_entry_operation().first;
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

MoveResult posix::move_located(const Located& a, const Located& b) {
  if (g_open_files &&
      (kavo::is_open_text_file(a) || kavo::is_open_text_file(b))) {
    return MoveResult::kFailed;
  }
  MoveResult result = move_at(a.dir, a.name.c_str(), b.dir, b.name.c_str());
  if (result == MoveResult::kFailed && errno == ENAMETOOLONG) {
    result = MoveResult::kNameTooLong;
  }
  if (result == MoveResult::kMoved) note_moved(a, b);
  return result;
}

// Both ends are located before either is used: the second lookup never
// evicts the descriptor of the first (both belong to this operation).
MoveResult move_entry(const std::string& from, const std::string& to) {
  posix::LocatedPair entries = posix::begin_entry_operation();
  Located& a = *entries.first;
  Located& b = *entries.second;
  if (!locate_pair(from, to, &a, &b)) return MoveResult::kFailed;
  return posix::move_located(a, b);
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
  posix::LocatedPair entries = posix::begin_entry_operation();
  Located& a = *entries.first;
  Located& b = *entries.second;
  if (!locate_pair(from, to, &a, &b)) return false;
  if (is_open_text_file(a)) return false;
  struct stat target;
  if (fstatat(b.dir, b.name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(target.st_mode) || is_read_only(target.st_mode) ||
        posix::is_open_text_file(target)) {
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
  Located& e = *posix::begin_entry_operation().first;
  struct stat st;
  if (!stat_entry(path, &e, &st) || S_ISDIR(st.st_mode) ||
      is_read_only(st.st_mode)) {
    return false;
  }
  if (is_open_text_file(e)) return false;
  return unlinkat(e.dir, e.name.c_str(), 0) == 0;
}

bool is_open_log_file(const std::string& path) {
  if (!g_open_files) return false;
  Located& e = *posix::begin_entry_operation().first;
  return locate(path, &e) && is_open_text_file(e);
}

// ---- Files ---------------------------------------------------------------

bool read_file_bytes(const std::string& path, std::string* bytes) {
  std::string linux_file;
  int fd = open(linux_path(path, &linux_file), O_RDONLY | O_CLOEXEC);
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
  std::string linux_file;
  const char* opened = linux_path(path, &linux_file);
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
  std::string linux_file;
  const char* p = linux_path(path, &linux_file);
  const char* slash = strrchr(p, '/');
  if (is_open_text_file(AT_FDCWD, p, slash ? slash + 1 : p, false)) {
    return false;
  }
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

// ---- Run journals -----------------------------------------------------------

namespace {

// Makes each missing directory of the Linux path `dir` (owner only); where
// `dir` exists already, one call answers. The final check judges.
bool make_directories(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno == ENOENT) {
    for (size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1)) {
      mkdir(dir.substr(0, slash).c_str(), 0700);
    }
    mkdir(dir.c_str(), 0700);
  }
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// A relative $XDG_STATE_HOME is ignored, as the base directory rule asks.
std::string state_directory() {
  const char* state_home = getenv("XDG_STATE_HOME");
  const char* home = getenv("HOME");
  std::string dir;
  if (state_home && state_home[0] == '/') {
    dir = state_home;
  } else if (home && home[0] == '/') {
    dir = std::string(home) + "/.local/state";
  } else {
    return "";
  }
  dir += "/kavo";
  if (!make_directories(dir)) return "";
  return internal_path(dir + "/");
}

std::string stored_full_path(const std::string& path) {
  std::string full;
  append_stored_full_path(path, &full);
  return full;
}

void append_stored_full_path(const std::string& path, std::string* out) {
  if (posix::append_stored_in_last_directory(path, out)) return;
  std::string linux_file = external_path(path);
  if (!linux_file.empty() && linux_file[0] == '/') {
    out->append(linux_file);
  } else if (linux_file == ".") {
    out->append(posix::working_directory());
  } else {
    out->append(posix::working_prefix());
    out->append(linux_file);
  }
}

std::string internal_from_stored_path(const std::string& stored) {
  return internal_path(stored);
}

std::string stored_text(const std::string& text) { return to_external(text); }

struct AppendFile {
  int fd = -1;
};

AppendFile* append_file_create(const std::string& path) {
  std::string linux_file;
  int fd = open(linux_path(path, &linux_file),
                O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  return new AppendFile{fd};
}

bool append_file_write(AppendFile* file, std::string_view bytes) {
  ssize_t written;
  do {
    written = write(file->fd, bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  return written == static_cast<ssize_t>(bytes.size());
}

void append_file_close(AppendFile* file) {
  if (!file) return;
  close(file->fd);
  delete file;
}

}  // namespace kavo

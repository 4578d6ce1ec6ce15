// The Linux layer's trash, laid out as freedesktop.org's trash standard
// has it, so that desktop file managers list what a run put there and can
// put it back.
//
// A file on the file system of the home trash ($XDG_DATA_HOME/Trash, by
// default ~/.local/share/Trash) goes there. A file on another one goes to
// the trash at the top directory of its mount: $topdir/.Trash/$uid where
// $topdir/.Trash is a sticky directory and no link, else $topdir/.Trash-$uid,
// made for the user alone. A trash holds files/ and, for each entry there,
// info/<name>.trashinfo: the entry's original path (absolute in the home
// trash, relative to $topdir in the others) and the local time it left.
//
// The record is created first and exclusively, which reserves the name in
// both folders before anything moves; the move itself is one rename within
// the file system, never a copy. A ticket is the absolute path of the entry
// in files/, percent-encoded as the record's path is: one line of ASCII
// that a later process reads back from a journal.

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix_internal.h"

namespace kavo {
namespace {

using posix::Located;

constexpr std::string_view kInfoSuffix = ".trashinfo";
// Names tried for one file before its trash counts as unable to take it.
constexpr int kNameAttempts = 1000;

// ---- Paths as the records write them ----------------------------------------

bool is_kept_byte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
         c == '~' || c == '/';
}

std::string percent_encoded(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (is_kept_byte(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

int hex_digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// False for text that no percent encoding gives (a stray '%', a NUL).
bool percent_decoded(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    int high = i + 2 < text.size() ? hex_digit_value(text[i + 1]) : -1;
    int low = i + 2 < text.size() ? hex_digit_value(text[i + 2]) : -1;
    if (high < 0 || low < 0 || high + low == 0) return false;
    out->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

std::string parent_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The absolute Linux path of an internal path, its "." steps dropped and
// each ".." taking back the name before it: the layer never follows a link
// inside a path, so this text names the entry the layer reaches.
std::string absolute_path(const std::string& internal) {
  std::string path;
  posix::linux_path(internal, &path);
  if (path.empty() || path[0] != '/') {
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) return std::string();
    path = std::string(cwd) + "/" + path;
    free(cwd);
  }
  std::string out;
  for (size_t start = 0; start < path.size();) {
    size_t end = std::min(path.find('/', start), path.size());
    std::string_view part(path.data() + start, end - start);
    if (part == "..") {
      out.resize(out.empty() ? 0 : out.rfind('/'));
    } else if (!part.empty() && part != ".") {
      out.push_back('/');
      out.append(part);
    }
    start = end + 1;
  }
  return out.empty() ? "/" : out;
}

// ---- Mounts -----------------------------------------------------------------

// What a rename cannot cross: the mount where the kernel tells it (one file
// system may be mounted at several places), else the device.
struct MountId {
  dev_t device = 0;
  uint64_t mount = 0;
  bool operator==(const MountId&) const = default;
};

bool mount_of(int dir, const char* name, bool follow, MountId* id) {
  int flags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
  struct statx sx;
  if (statx(dir, name, flags, STATX_MNT_ID, &sx) == 0) {
    id->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id->mount = (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
    return true;
  }
  struct stat st;
  if (errno != ENOSYS || fstatat(dir, name, &st, flags) != 0) return false;
  id->device = st.st_dev;
  id->mount = 0;
  return true;
}

bool mount_of(const std::string& path, bool follow, MountId* id) {
  return mount_of(AT_FDCWD, path.c_str(), follow, id);
}

// The mount of the nearest existing directory at or above `path`: where
// directories made down to `path` would lie.
bool nearest_mount(std::string path, MountId* id) {
  while (!mount_of(path, true, id)) {
    if (errno != ENOENT || path == "/") return false;
    path = parent_of(path);
  }
  return true;
}

// The highest directory above the entry `path` on the same mount.
std::string top_directory(std::string path, const MountId& mount) {
  while (path != "/") {
    std::string parent = parent_of(path);
    MountId above;
    if (!mount_of(parent, false, &above) || !(above == mount)) break;
    path = parent;
  }
  return path;
}

// ---- Trash directories ------------------------------------------------------

// Makes the directory `path` (for the user alone) where it is missing. True
// when it then is a directory: reached through links only with `follow`,
// and the user's own with `owned`.
bool ensure_directory(const std::string& path, bool follow, bool owned) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  int status = follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st);
  return status == 0 && S_ISDIR(st.st_mode) &&
         (!owned || st.st_uid == getuid());
}

bool ensure_trash(const std::string& dir, bool follow, bool owned) {
  return ensure_directory(dir, follow, owned) &&
         ensure_directory(dir + "/files", false, owned) &&
         ensure_directory(dir + "/info", false, owned);
}

// The home trash's folders and all that lead to them; the user's data
// folder may well be reached through a link.
bool ensure_home_trash(const std::string& dir) {
  for (size_t slash = dir.find('/', 1); slash != std::string::npos;
       slash = dir.find('/', slash + 1)) {
    if (!ensure_directory(dir.substr(0, slash), true, false)) return false;
  }
  return ensure_trash(dir, true, false);
}

// An XDG directory that is not absolute is not to be used.
bool home_trash_directory(std::string* dir) {
  const char* data = getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') {
    *dir = std::string(data) + "/Trash";
    return true;
  }
  const char* home = getenv("HOME");
  if (!home || home[0] != '/') return false;
  *dir = std::string(home) + "/.local/share/Trash";
  return true;
}

struct Trash {
  std::string dir;  // holds files/ and info/
  std::string top;  // what its records' paths are relative to; "" absolute
};

// The trash for the entry `file` on `mount`, made where it is missing.
bool find_trash(const std::string& file, const MountId& mount, Trash* trash) {
  MountId home_mount;
  if (home_trash_directory(&trash->dir) &&
      nearest_mount(trash->dir, &home_mount) && home_mount == mount) {
    trash->top.clear();
    if (!ensure_home_trash(trash->dir)) return false;
  } else {
    trash->top = top_directory(file, mount);
    std::string base = trash->top == "/" ? "" : trash->top;
    std::string uid = std::to_string(getuid());
    std::string shared = base + "/.Trash";
    struct stat st;
    if (lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX) != 0 &&
        ensure_trash(shared + "/" + uid, false, true)) {
      trash->dir = shared + "/" + uid;
    } else if (ensure_trash(base + "/.Trash-" + uid, false, true)) {
      trash->dir = base + "/.Trash-" + uid;
    } else {
      return false;
    }
  }
  MountId trash_mount;
  return mount_of(trash->dir + "/files", false, &trash_mount) &&
         trash_mount == mount;
}

// ---- Records ----------------------------------------------------------------

// The name of the entry in files/: the file's own name, then with ".2",
// ".3"... after it, cut (never inside a UTF-8 character) so that its
// record's name fits in a directory.
std::string entry_name(std::string_view name, int attempt) {
  std::string suffix;
  if (attempt != 1) suffix.append(".").append(std::to_string(attempt));
  size_t room = NAME_MAX - kInfoSuffix.size() - suffix.size();
  if (name.size() > room) {
    while (room > 0 &&
           (static_cast<unsigned char>(name[room]) & 0xC0) == 0x80) {
      --room;
    }
    name = name.substr(0, room);
  }
  return std::string(name) + suffix;
}

std::string record_text(const std::string& original) {
  CalendarTime t = local_calendar_time(current_time());
  char date[64];
  snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month,
           t.day, t.hour, t.minute, t.second);
  return "[Trash Info]\nPath=" + percent_encoded(original) +
         "\nDeletionDate=" + date + "\n";
}

bool write_whole(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

// The entry a ticket names in files/ and its record in info/.
struct TrashEntry {
  std::string file;
  std::string info;
};

bool read_ticket(const std::string& ticket, TrashEntry* entry) {
  constexpr std::string_view kFiles = "/files";
  if (!percent_decoded(ticket, &entry->file) || entry->file.empty() ||
      entry->file[0] != '/') {
    return false;
  }
  size_t slash = entry->file.rfind('/');
  std::string name = entry->file.substr(slash + 1);
  std::string_view dir(entry->file.data(), slash);
  if (name.empty() || name == "." || name == ".." || !dir.ends_with(kFiles)) {
    return false;
  }
  dir.remove_suffix(kFiles.size());
  entry->info = std::string(dir) + "/info/" + name + std::string(kInfoSuffix);
  return true;
}

bool is_missing(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

}  // namespace

// Directories are never trashed here: the layer's cache of directory
// descriptors would have to follow them.
bool trash_reserve(const std::string& path, std::string* ticket) {
  Located& e = *posix::begin_entry_operation().first;
  struct stat st;
  MountId mount;
  if (!posix::stat_entry(path, &e, &st) || S_ISDIR(st.st_mode) ||
      !mount_of(e.dir, e.name.c_str(), false, &mount)) {
    return false;
  }
  std::string file = absolute_path(path);
  Trash trash;
  if (file.size() < 2 || !find_trash(file, mount, &trash)) return false;
  size_t relative = trash.top.empty() ? 0 : trash.top.size() + 1;
  if (trash.top == "/") relative = 1;
  std::string record = record_text(file.substr(relative));
  std::string name = file.substr(file.rfind('/') + 1);
  for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
    std::string entry = entry_name(name, attempt);
    std::string info = trash.dir + "/info/" + entry + std::string(kInfoSuffix);
    int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    std::string place = trash.dir + "/files/" + entry;
    bool place_free = is_missing(place);
    bool written = place_free && write_whole(fd, record);
    if (close(fd) != 0) written = false;
    if (written) {
      *ticket = percent_encoded(place);
      return true;
    }
    unlink(info.c_str());
    if (place_free) return false;
  }
  return false;
}

// A ticket whose record has gone is no reservation any more.
bool trash_move(const std::string& path, const std::string& ticket) {
  TrashEntry entry;
  if (!read_ticket(ticket, &entry) || is_missing(entry.info) ||
      is_open_log_file(path)) {
    return false;
  }
  Located& e = *posix::begin_entry_operation().first;
  struct stat st;
  // The open log is never trashed, whatever name (another hard link)
  // reaches it.
  if (!posix::stat_entry(path, &e, &st) || S_ISDIR(st.st_mode) ||
      posix::is_open_text_file(st)) {
    return false;
  }
  return posix::move_at(e.dir, e.name.c_str(), AT_FDCWD, entry.file.c_str()) ==
         MoveResult::kMoved;
}

MoveResult trash_restore(const std::string& ticket, const std::string& path) {
  TrashEntry entry;
  Located& e = *posix::begin_entry_operation().first;
  if (!read_ticket(ticket, &entry) || !posix::locate(path, &e)) {
    return MoveResult::kFailed;
  }
  MoveResult result =
      posix::move_at(AT_FDCWD, entry.file.c_str(), e.dir, e.name.c_str());
  if (result == MoveResult::kFailed && errno == ENAMETOOLONG) {
    result = MoveResult::kNameTooLong;
  }
  if (result == MoveResult::kMoved) unlink(entry.info.c_str());
  return result;
}

void trash_release(const std::string& ticket) {
  TrashEntry entry;
  if (read_ticket(ticket, &entry) && is_missing(entry.file)) {
    unlink(entry.info.c_str());
  }
}

}  // namespace kavo

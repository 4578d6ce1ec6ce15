// What the files of the Linux platform layer share among themselves
// (posix_entries.cc, posix_files.cc, posix_console.cc, posix_trash.cc), and
// the pieces its tests reach directly because the conditions that select
// them cannot be produced on the test machine. Nothing outside platform/
// includes it.

#ifndef KAVO_PLATFORM_POSIX_INTERNAL_H_
#define KAVO_PLATFORM_POSIX_INTERNAL_H_

#include <fcntl.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace kavo {

// The move used where the file system lacks renameat2's RENAME_NOREPLACE:
// never replaces an existing entry (Linux paths).
MoveResult move_without_noreplace(const char* from, const char* to);

namespace posix {

// ---- Entries (posix_entries.cc) ----

// The Linux path of an internal path, written into `*scratch`; returns its
// text.
const char* linux_path(const std::string& internal, std::string* scratch);

// The working directory's Linux path, read once (kavo never changes it),
// and the same with a final '/' ("/" for the root).
const std::string& working_directory();
const std::string& working_prefix();

// Appends stored_full_path(internal) when `internal` lies in the directory
// located last, converting only its name; false, `*out` unchanged,
// otherwise.
bool append_stored_in_last_directory(const std::string& internal,
                                     std::string* out);

// True when the mode's owner write bit is clear (never for a link).
bool is_read_only(mode_t mode);

// An entry as the operations address it: its directory's descriptor and
// key, and its last path component as written ("." and ".." included).
struct Located {
  int dir = AT_FDCWD;
  std::string key;  // "" is the working directory
  std::string name;
  bool must_be_directory = false;  // the path ended in a separator
  // The serial of the last directory located when the entry was found in
  // it; 0 when it was not (see append_stored_located).
  uint64_t last_directory = 0;
};

// The two entries one operation addresses (a move's ends; `second` unused
// by the others).
struct LocatedPair {
  Located* first;
  Located* second;
  uint64_t operation;  // never 0; another for every operation
};

// Starts one operation on entries: the directory descriptors it locates
// stay cached until the next one starts. Returns the records it fills,
// owned by the directory cache and reused by every operation.
LocatedPair begin_entry_operation();

// Fills `*out` for the internal path; false when its directory cannot be
// opened.
bool locate(const std::string& internal, Located* out);

// Locates the entry at the internal path and reads its status (a link's
// own); false when its directory cannot be opened or it is not there.
bool stat_entry(const std::string& path, Located* e, struct stat* st);

// True when `st` is one of the text files this process has open (the
// log), whatever name reaches it.
bool is_open_text_file(const struct stat& st);

// Locates both ends of a move; false when a directory cannot be opened.
bool locate_pair(const std::string& from, const std::string& to, Located* a,
                 Located* b);

// After the program moved `from` to `to`: the cached directories at or
// below the old path are known by the new path from now on.
void note_moved(const Located& from, const Located& to);

// ---- Moves and output to descriptors (posix_files.cc) ----

// A move that never replaces an existing entry, between entries named
// relative to directory descriptors (AT_FDCWD allowed); errno tells why it
// failed.
MoveResult move_at(int from_dir, const char* from, int to_dir, const char* to);

// move_entry for ends located already.
MoveResult move_located(const Located& a, const Located& b);

// Converted text held back before a write: files and standard output are
// written once this much has gathered.
constexpr size_t kBufferLimit = 64 * 1024;

// Internal text on its way to a file descriptor: the held lead byte and the
// converted bytes not yet written.
struct OutputSink {
  std::string held;
  std::string buffer;
  bool failed = false;
};

// Converts `data` into the sink's buffer; with `crlf` every "\n" of the
// internal text is stored as "\r\n".
void sink_append(OutputSink* sink, const char* data, size_t size, bool crlf);

// Writes the sink's buffer to `fd` and empties it; false once any write of
// the sink has failed.
bool sink_flush(OutputSink* sink, int fd);

}  // namespace posix
}  // namespace kavo

#endif  // KAVO_PLATFORM_POSIX_INTERNAL_H_

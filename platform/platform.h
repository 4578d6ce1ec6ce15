// The file-system and console operations the program needs, as plain
// functions. The posix_*.cc files define them on Linux, win32.cc on
// Windows; the build compiles exactly one of the two layers.
//
// Every text that crosses this interface is internal text: a Shift-JIS byte
// string in which `\` separates directories. On Linux the layer converts to
// and from the external encoding and maps paths (see posix_entries.cc).

#ifndef KAVO_PLATFORM_PLATFORM_H_
#define KAVO_PLATFORM_PLATFORM_H_

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kavo {

// File attribute bits, as the directory search reports them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrVolumeLabel = 0x08;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
// The attribute word of an entry that does not exist.
constexpr uint32_t kAttrMissing = 0xFFFFFFFFu;

// A point in local calendar time. `weekday` counts from Sunday (0).
struct CalendarTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 0;
};

// One directory entry, as the directory search or an entry lookup gives it.
// Times are seconds since 1970-01-01 00:00:00 UTC.
struct FindRecord {
  uint32_t attributes = 0;
  int64_t creation_time = 0;
  int64_t access_time = 0;
  int64_t write_time = 0;
  uint64_t size = 0;
  std::string name;        // the long name as stored, internal text
  std::string short_name;  // the 8.3 alias; empty when the entry has none
  // False when only `name` and the directory bit of `attributes` are known
  // (a listing may leave the rest to complete_entry).
  bool complete = false;
};

// ---- Directory search -------------------------------------------------

struct DirectorySearch;

// Starts listing the entries of `directory` (an internal path; empty means
// the working directory, a trailing `\` is allowed). Returns null when the
// directory cannot be listed.
DirectorySearch* directory_search_open(const std::string& directory);

// Fills `*record` with the next entry ("." and ".." included where the
// platform reports them). Returns false when the listing is exhausted.
bool directory_search_next(DirectorySearch* search, FindRecord* record);

// Ends a listing started by directory_search_open (null is allowed).
void directory_search_close(DirectorySearch* search);

// A listing that ends itself when its owner goes out of scope.
struct DirectorySearchCloser {
  void operator()(DirectorySearch* search) const {
    directory_search_close(search);
  }
};
using DirectorySearchHandle =
    std::unique_ptr<DirectorySearch, DirectorySearchCloser>;

// Looks the entry named by `path` (no wildcards) up now and fills `*record`
// completely, `name` holding the name as the file system stores it.
// Returns false when there is no such entry.
bool find_entry(const std::string& path, FindRecord* record);

// Re-reads the attributes, times and size of the entry at `path` into
// `*record` (the name is kept). Returns false when the entry is gone; then
// `record->attributes` is kAttrMissing.
bool complete_entry(const std::string& path, FindRecord* record);

// True when the directory of `path` lists an entry named as the last
// component of `path`, even one that no call reaches by that name (on
// Windows a name with characters the ANSI code page lacks, which the
// listing gives with '?' or a look-alike in their place).
bool entry_listed(const std::string& path);

// ---- Attributes and renaming -----------------------------------------

// The attribute word of `path`, or kAttrMissing. Never 0: an entry without
// any bit answers kAttrNormal.
uint32_t get_attributes(const std::string& path);

// Clears read-only (and hidden, system, archive where they exist) of `path`.
bool set_normal_attributes(const std::string& path);

// What a move that must not replace anything did.
enum class MoveResult {
  kMoved,         // the entry now has the new name
  kTargetExists,  // refused because the new name is taken
  kNameTooLong,   // refused because the file system cannot hold the name
  kFailed,        // refused for any other reason
};

// Moves `from` to `to` without ever replacing an existing entry.
MoveResult move_entry(const std::string& from, const std::string& to);

// Both ends of a move, located once for the journal's record of the move
// and for the move itself: prepare_move fills it, append_stored_move_end
// and move_prepared use it. The paths must outlive it.
struct PreparedMove {
  const std::string* from = nullptr;
  const std::string* to = nullptr;
  uint64_t operation = 0;  // the layer's mark of the lookup; 0: none made
  bool located = false;    // the lookup found both directories
};

// Locates the ends of a move from `from` to `to` into `*move`.
void prepare_move(const std::string& from, const std::string& to,
                  PreparedMove* move);

// Appends stored_full_path of the move's target (`target`) or source.
void append_stored_move_end(const PreparedMove& move, bool target,
                            std::string* out);

// move_entry for the prepared ends; when another operation on entries came
// in between, they are located afresh.
MoveResult move_prepared(const PreparedMove& move);

// True when move_entry answers kTargetExists exactly when an existence check
// of the target would have found it, so a caller may skip that check.
bool move_reports_existing_target();

// Replaces the entry `to` by `from` in one step (the old `to` is gone only
// if the move succeeded). Fails when `to` is a directory or read-only.
bool replace_entry(const std::string& from, const std::string& to);

// Deletes the file `path`; refused for directories and read-only entries.
bool delete_entry(const std::string& path);

// True when the volume whose root is `root` (a drive root, a share root or
// empty for the working directory's volume) answers.
bool volume_available(const std::string& root);

// True when the file system takes the path texts `a` and `b` for the same
// path: letters of either case alike on Windows, byte for byte on Linux.
bool same_path_text(std::string_view a, std::string_view b);

// True when `path` is the log file this process has open, or a directory
// that holds it (a rename must never move or replace either).
bool is_open_log_file(const std::string& path);

// What tells one file from another whatever name reaches it: its volume
// and its index there (device and inode on Linux).
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// Fills `*identity` for the entry at `path` (a link itself, not what it
// points to). Returns false when there is no such entry.
bool entry_identity(const std::string& path, FileIdentity* identity);

// ---- Trash ----------------------------------------------------------------

// Reserves a place for the file `path` (never a directory) in the trash of
// its own file system (Linux: the home trash or one at the top of the file's
// mount, with its record; Windows: the Recycle Bin) and fills *ticket with a
// single line of text that names it, for this or a later process. False: no
// trash can take it.
bool trash_reserve(const std::string& path, std::string* ticket);

// Moves `path` into the place `ticket` names. False: nothing moved.
bool trash_move(const std::string& path, const std::string& ticket);

// Puts the trashed file named by `ticket` back as `path`, never replacing
// an entry; kTargetExists when `path` is taken.
MoveResult trash_restore(const std::string& ticket, const std::string& path);

// Gives up a reservation whose move did not happen.
void trash_release(const std::string& ticket);

// ---- Names as the file system holds them --------------------------------

// What a text typed to match names is: which bytes Windows forbids in names
// keep a meaning in it.
enum class NamePatternKind {
  kName,         // a name or name pattern: `*` and `?` are wildcards
  kEscapedName,  // as kName, and "\*", "\?" and "\\" stand for the byte
  kPath,         // a path or path pattern: also `\` and `/` separate, and a
                 // colon after a single letter at the start is a drive
};

// `text` (an old string, a file argument, a filter element) as it must read
// to meet names as the directory search gives them. Where names hold the
// bytes Windows forbids as escapes (Linux), each such byte without a meaning
// in `kind` becomes that escape, and an escape pair the escape of its byte;
// elsewhere no name holds them and the text is returned as it is.
std::string name_pattern_text(const std::string& text, NamePatternKind kind);

// The length in bytes of the name `name` as the file system stores it: its
// external bytes on Linux, the ANSI name on Windows. Never more than
// kStoredBytesPerByte times name.size(): no character's stored form is
// longer than four bytes, and every character takes at least one byte.
size_t stored_name_length(std::string_view name);
constexpr size_t kStoredBytesPerByte = 4;

// ---- Run journals --------------------------------------------------------

// The directory that keeps kavo's own state (the run journals), created when
// missing: `$XDG_STATE_HOME/kavo/` or `~/.local/state/kavo/` on Linux,
// `%LOCALAPPDATA%\kavo\` on Windows. An internal path ending in `\`; empty
// when there is none or it cannot be made.
std::string state_directory();

// `path` (relative to the working directory, or absolute) as a full path in
// the bytes the file system holds: the Linux path's bytes (escapes decoded),
// or the full Windows path.
std::string stored_full_path(const std::string& path);

// Appends stored_full_path(path) to `*out`.
void append_stored_full_path(const std::string& path, std::string* out);

// The internal path of a full path in the form stored_full_path gives.
std::string internal_from_stored_path(const std::string& stored);

// `text` (an argument) in the bytes the user typed it in: the external
// encoding on Linux, the text itself on Windows.
std::string stored_text(const std::string& text);

struct AppendFile;

// Creates the file `path` for appending; null when it exists already or
// cannot be made.
AppendFile* append_file_create(const std::string& path);

// Appends `bytes` as they are in one write, which has reached the kernel
// when this returns. False when the write failed or fell short.
bool append_file_write(AppendFile* file, std::string_view bytes);

// Closes the file (null is allowed).
void append_file_close(AppendFile* file);

// An append file that closes itself, also when a stop unwinds the run.
struct AppendFileCloser {
  void operator()(AppendFile* file) const { append_file_close(file); }
};
using AppendFileHandle = std::unique_ptr<AppendFile, AppendFileCloser>;

// ---- Time --------------------------------------------------------------

// Seconds since 1970-01-01 00:00:00 UTC now.
int64_t current_time();

// `utc_seconds` as local calendar time (the time zone in force is honoured).
CalendarTime local_calendar_time(int64_t utc_seconds);

// A millisecond tick counter that wraps at 2^32.
uint32_t tick_count_ms();

// ---- Process -----------------------------------------------------------

// The full path of the running executable, internal form; empty if unknown.
std::string executable_path();

// The directory that holds the user's own configuration files, as an
// internal path ending in `\`; empty where a program's configuration file
// lies beside its executable only.
std::string user_config_directory();

// One command-line argument in internal text. `file_only` is set when the
// argument must be a file argument whatever its first byte (after a lone
// "--", or an absolute path that the shell expanded).
struct CommandArgument {
  std::string text;
  bool file_only = false;
  // The argument as the user typed it, for messages and the log; empty
  // when it equals `text`.
  std::string given;
};

// The command line in internal text, argument 0 first. Arguments 1 and 2
// are the old and new strings; from argument 3 on, `switch_char` decides
// which arguments are options (they are converted as plain text) and which
// are file arguments (converted as paths).
std::vector<CommandArgument> command_arguments(int argc, char** argv,
                                               char switch_char);

// The environment variable whose name equals `name` without regard to
// letter case; false when there is none. Internal text both ways.
bool find_environment_variable(const std::string& name, std::string* value);

// ---- Stop signals ----------------------------------------------------------

// Readies the process for a run. From now on SIGINT, SIGTERM and SIGHUP (on
// Windows Ctrl-C, Ctrl-Break and the closing of the console) only ask the
// run to stop; a second one writes out what standard output holds and ends
// the process at once. A write to a pipe whose reader has gone fails
// instead of ending the process.
void prepare_process();

// True once a stop has been asked for since prepare_process.
bool stop_requested();

// ---- Console -------------------------------------------------------------

enum class Stream { kOut, kErr };

// Writes internal text to standard output or standard error. Standard
// output is buffered unless it is a terminal; writing to standard error
// first flushes standard output. Returns the bytes of internal text written,
// or -1 when the write failed.
long console_write(Stream stream, const char* data, size_t size);

// Flushes standard output.
void console_flush();

// True when a write to standard output has failed since the process
// started (a full device, a reader that went away, a closed stream).
bool console_output_failed();

// The visible rows of the console window that standard output is, or 0 when
// standard output is not a console.
int console_rows();

// Waits for one key at the console and returns its character code 0..255,
// after discarding keys typed before the call. Keys without a character
// give 0. With no console to read from it returns 'A' at once (never waits).
int read_key();

// ---- Files ---------------------------------------------------------------

// The bytes of the file `path`; false when it cannot be opened or read.
bool read_file_bytes(const std::string& path, std::string* bytes);

// Converts external-encoding bytes read from a file (a configuration line)
// to internal text.
std::string external_text_to_internal(const std::string& bytes);

struct TextFile;

enum class TextFileMode {
  kCreate,        // "w": create or truncate, write
  kUpdate,        // "r+": an existing file, read and write
  kCreateUpdate,  // "w+": create or truncate, read and write
  kAppend,        // "a": append, create when missing
};

// Opens a log file for text output; null on failure. While open the file is
// locked against other processes (see file_in_use_elsewhere).
TextFile* text_file_open(const std::string& path, TextFileMode mode);

// Moves to the end of the file. Returns false on failure.
bool text_file_seek_end(TextFile* file);

// True when the open file is empty.
bool text_file_is_empty(TextFile* file);

// Writes internal text; "\n" is stored as the platform's text line end
// (CR LF) and the text in the external encoding. Returns false on failure.
bool text_file_write(TextFile* file, const char* data, size_t size);

// Flushes buffered output; false when a write failed.
bool text_file_flush(TextFile* file);

// Closes the file; false when the close or any earlier write failed.
bool text_file_close(TextFile* file);

// True when another process holds the file `path` open for exclusive use
// (its log lock).
bool file_in_use_elsewhere(const std::string& path);

}  // namespace kavo

#endif  // KAVO_PLATFORM_PLATFORM_H_

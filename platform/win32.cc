// The platform layer on Windows.
//
// Internal text is the ANSI code page's own text, so every path and name
// goes to and comes from the `...A` calls as it is: no conversion, `\` and
// `/` both separate directories, drive letters and network paths are the
// system's. Times come as FILETIME (100 ns since 1601, UTC) and are turned
// into seconds since 1970 for FindRecord; local calendar time goes back
// through FileTimeToLocalFileTime and FileTimeToSystemTime.

#include <io.h>
#include <stdio.h>
#include <windows.h>
// After windows.h, which they build on.
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/platform.h"
#include "text/path_text.h"
#include "text/sjis.h"

// The command line is taken as typed: a `*` in a file argument is a
// pattern for the program, never expanded by the C runtime.
extern "C" {
int _dowildcard = 0;
}

namespace kavo {
namespace {

// Seconds between 1601-01-01 and 1970-01-01, both UTC.
constexpr int64_t kEpochDifference = 11644473600LL;
constexpr uint64_t kTicksPerSecond = 10000000ULL;

// True when the last character of `path` is `\` or `/` (a trail byte of
// a double-byte character is not).
bool ends_with_separator(const std::string& path) {
  bool separator = false;
  for (size_t i = 0; i < path.size(); i = sjis_next_char(path, i)) {
    separator = path[i] == '\\' || path[i] == '/';
  }
  return separator;
}

// The '?' of the prefix `\\?\` (a path handed to the system as it is) is
// no wildcard.
bool has_wildcard(const std::string& path) {
  size_t start = path.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
  for (size_t i = start; i < path.size(); i = sjis_next_char(path, i)) {
    if (path[i] == '*' || path[i] == '?') return true;
  }
  return false;
}

int64_t seconds_of(const FILETIME& time) {
  uint64_t ticks =
      (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDifference;
}

void fill_record(const WIN32_FIND_DATAA& data, FindRecord* record) {
  record->attributes =
      data.dwFileAttributes != 0 ? data.dwFileAttributes : kAttrNormal;
  record->creation_time = seconds_of(data.ftCreationTime);
  record->access_time = seconds_of(data.ftLastAccessTime);
  record->write_time = seconds_of(data.ftLastWriteTime);
  record->size =
      (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  record->name = data.cFileName;
  record->short_name = data.cAlternateFileName;
  record->complete = true;
}

// Looks `path` up as one directory entry. A final separator asks for a
// directory: the system's search does not take one, so it is removed and
// the entry must then have the directory bit.
bool look_up(const std::string& path, WIN32_FIND_DATAA* data) {
  if (path.empty() || has_wildcard(path)) return false;
  std::string name = path;
  bool must_be_directory = ends_with_separator(name);
  if (must_be_directory) name.pop_back();
  HANDLE handle = FindFirstFileA(name.c_str(), data);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FindClose(handle);
  return !must_be_directory ||
         (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The last component of a path: after the last separator or drive colon.
size_t last_component_start(const std::string& path) {
  size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  return std::max(drive, after_last_separator(path));
}

// ---- Open text files ----------------------------------------------------

// The C runtime opens files shared for reading and writing, so while one is
// open here another process's exclusive open fails with a sharing
// violation: that is the log's lock.
const char* open_mode_text(TextFileMode mode) {
  switch (mode) {
    case TextFileMode::kCreate:
      return "w";
    case TextFileMode::kUpdate:
      return "r+";
    case TextFileMode::kCreateUpdate:
      return "w+";
    case TextFileMode::kAppend:
      return "a";
  }
  return "r";
}

}  // namespace

struct TextFile {
  FILE* stream = nullptr;
  std::string path;
  std::string full_path;  // as GetFullPathNameA gives it; empty if unknown
  TextFile* next = nullptr;
};

namespace {

TextFile* g_open_files = nullptr;

bool is_own_open_file(const std::string& path) {
  for (TextFile* f = g_open_files; f; f = f->next) {
    if (names_equal_ignoring_case(f->path, path)) return true;
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

// The absolute form of `path`; empty when the system cannot give it.
std::string full_path(const std::string& path) {
  char small[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, small, nullptr);
  if (length == 0) return std::string();
  if (length < MAX_PATH) return std::string(small, length);
  std::string large(length, '\0');
  length = GetFullPathNameA(path.c_str(), length, large.data(), nullptr);
  if (length == 0 || length >= large.size()) return std::string();
  large.resize(length);
  return large;
}

// True when the full path `file` is `entry` itself or lies below it.
bool is_or_lies_below(const std::string& file, const std::string& entry) {
  if (entry.empty() || file.size() < entry.size()) return false;
  if (!names_equal_ignoring_case(std::string_view(file).substr(0, entry.size()),
                                 entry)) {
    return false;
  }
  return file.size() == entry.size() || file[entry.size()] == '\\' ||
         ends_with_separator(entry);
}

// Reads the volume and index of the entry `path`; a link is not followed.
bool read_identity(const std::string& path, FileIdentity* identity) {
  HANDLE handle = CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!ok) return false;
  identity->volume = info.dwVolumeSerialNumber;
  identity->index =
      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

// True when `from` still exists after a move to `to` reported success and
// is the same file: `to` was another hard link of it, which an emulation of
// Windows may report as moved while leaving both names as they were. (A
// move that only changes the letter case keeps the name, and is not this.)
bool still_linked(const std::string& from, const std::string& to) {
  if (names_equal_ignoring_case(from, to) ||
      GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return false;
  }
  FileIdentity a;
  FileIdentity b;
  return read_identity(from, &a) && read_identity(to, &b) && a == b;
}

// ---- Console --------------------------------------------------------------

// Standard output is written through the C runtime in text mode ("\n"
// leaves as CR LF). On a console it is unbuffered, so every line shows at
// once; redirected, it is buffered and flushed on demand and at exit.
void prepare_console() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  DWORD mode;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
    setvbuf(stdout, nullptr, _IONBF, 0);
  }
}

bool g_out_failed = false;  // a write to standard output has failed

// ---- Stop signals ---------------------------------------------------------
//
// Console events arrive on a thread of their own. The first only sets a
// flag that the run reads between entries. The second writes out what
// standard output holds, with the stream locked so that the run adds
// nothing meanwhile, and ends the process as Ctrl-C does. On the console's
// closing Windows ends the process once the handler returns, so the
// handler waits there for the run to end first (Windows allows it a few
// seconds). At a page prompt Ctrl-C ends the process at once, as Quit.

volatile LONG g_stop_requested = 0;
volatile LONG g_at_prompt = 0;

BOOL WINAPI on_console_event(DWORD event) {
  if ((event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT &&
       event != CTRL_CLOSE_EVENT) ||
      InterlockedCompareExchange(&g_at_prompt, 0, 0) != 0) {
    return FALSE;
  }
  if (InterlockedExchange(&g_stop_requested, 1) == 0) {
    if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
    return TRUE;
  }
  _lock_file(stdout);
  fflush(stdout);
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

// Shift, Ctrl, Alt, the Windows keys and the lock keys.
bool is_modifier_key(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
      return true;
    default:
      return false;
  }
}

// The character of the next key event, or 'A' when the console gives none.
// A modifier's press is not an answer: typing Shift+A must reach the A,
// which gives All. A modifier pressed and released alone still answers
// (with no character) when it is released.
int next_key_event(HANDLE input) {
  for (;;) {
    INPUT_RECORD record;
    DWORD read = 0;
    if (!ReadConsoleInputA(input, &record, 1, &read) || read == 0) {
      return 'A';
    }
    if (record.EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (key.bKeyDown && is_modifier_key(key.wVirtualKeyCode)) continue;
    return static_cast<unsigned char>(key.uChar.AsciiChar);
  }
}

// The characters of `text`, a double-byte character counted once.
size_t character_count(const std::string& text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); i = sjis_next_char(text, i)) ++count;
  return count;
}

// The ANSI calls reach paths below MAX_PATH characters only (a double-byte
// character is one, as in the system's own text). Some emulations of
// Windows move an entry to a longer path all the same, where no ANSI call
// would find it again; the layer refuses such a move itself, as Windows
// does. A path within reach fits twice MAX_PATH bytes.
bool within_max_path(const std::string& path) {
  std::string full(2 * MAX_PATH, '\0');
  DWORD length =
      GetFullPathNameA(path.c_str(), full.size(), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return false;
  full.resize(length);
  return character_count(full) < MAX_PATH;
}

// A move that changes only the letter case of a name succeeds on every
// file system Windows knows, but some (case-insensitive file systems
// emulated on case-sensitive ones) report success and keep the old
// spelling. The stored name is checked and, where it did not change, the
// entry goes through a free temporary name to its new spelling.
bool finish_case_only_move(const std::string& from, const std::string& to) {
  size_t name = last_component_start(to);
  if (from.size() != to.size() || from.compare(0, name, to, 0, name) != 0 ||
      from == to || !names_equal_ignoring_case(from, to)) {
    return true;
  }
  WIN32_FIND_DATAA data;
  if (!look_up(to, &data) ||
      to.compare(name, std::string::npos, data.cFileName) == 0) {
    return true;
  }
  for (int n = 0; n < 100; ++n) {
    std::string temporary = to.substr(0, name) + "kavo-case-" +
                            std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(n);
    if (!MoveFileA(from.c_str(), temporary.c_str())) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    if (MoveFileA(temporary.c_str(), to.c_str())) return true;
    // Put it back under its old name; nothing may be lost.
    MoveFileA(temporary.c_str(), from.c_str());
    return false;
  }
  return false;
}

}  // namespace

// ---- Directory search ---------------------------------------------------

// Owns its find handle: deleting it closes the handle.
struct DirectorySearch {
  DirectorySearch() = default;
  ~DirectorySearch() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;

  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA pending;
  bool has_pending = false;
};

DirectorySearch* directory_search_open(const std::string& directory) {
  std::string pattern = directory;
  if (!pattern.empty() && !ends_with_separator(pattern) &&
      pattern.back() != ':') {
    pattern += '\\';
  }
  pattern += '*';
  DirectorySearch* search = new DirectorySearch;
  search->handle = FindFirstFileA(pattern.c_str(), &search->pending);
  if (search->handle != INVALID_HANDLE_VALUE) {
    search->has_pending = true;
    return search;
  }
  // An empty drive root has no "." or "..": it lists nothing, and is still
  // a directory that can be listed.
  if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    uint32_t attributes = get_attributes(directory.empty() ? "." : directory);
    if (attributes != kAttrMissing && (attributes & kAttrDirectory)) {
      return search;
    }
  }
  delete search;
  return nullptr;
}

bool directory_search_next(DirectorySearch* search, FindRecord* record) {
  if (!search->has_pending) return false;
  fill_record(search->pending, record);
  search->has_pending = search->handle != INVALID_HANDLE_VALUE &&
                        FindNextFileA(search->handle, &search->pending) != 0;
  return true;
}

void directory_search_close(DirectorySearch* search) { delete search; }

bool find_entry(const std::string& path, FindRecord* record) {
  WIN32_FIND_DATAA data;
  if (!look_up(path, &data)) return false;
  fill_record(data, record);
  return true;
}

bool complete_entry(const std::string& path, FindRecord* record) {
  WIN32_FIND_DATAA data;
  if (!look_up(path, &data)) {
    record->attributes = kAttrMissing;
    return false;
  }
  std::string name = record->name;
  std::string short_name = record->short_name;
  fill_record(data, record);
  record->name = name;
  record->short_name = short_name;
  return true;
}

// A name with characters the code page lacks is listed with substitutes
// ('?' or a look-alike), the same ones at every listing, and a look-up by
// that name finds nothing: only the listing tells such an entry from one
// that has gone.
bool entry_listed(const std::string& path) {
  if (get_attributes(path) != kAttrMissing) return true;
  size_t start = last_component_start(path);
  if (start == path.size()) return false;
  DirectorySearchHandle search(directory_search_open(path.substr(0, start)));
  if (search == nullptr) return false;
  bool listed = false;
  FindRecord record;
  while (!listed && directory_search_next(search.get(), &record)) {
    listed = path.compare(start, std::string::npos, record.name) == 0;
  }
  return listed;
}

// ---- Attributes and renaming -----------------------------------------

uint32_t get_attributes(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return kAttrMissing;
  return attributes != 0 ? attributes : kAttrNormal;
}

bool set_normal_attributes(const std::string& path) {
  return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

// Windows refuses to move onto another hard link of the same file, as onto
// any name that is taken; where the system reported such a move done, the
// new name is taken all the same.
MoveResult move_entry(const std::string& from, const std::string& to) {
  if (!within_max_path(to)) return MoveResult::kFailed;
  if (MoveFileA(from.c_str(), to.c_str())) {
    if (still_linked(from, to)) return MoveResult::kTargetExists;
    return finish_case_only_move(from, to) ? MoveResult::kMoved
                                           : MoveResult::kFailed;
  }
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    return MoveResult::kTargetExists;
  }
  return MoveResult::kFailed;
}

// MoveFileA refuses every new name that another entry holds, under any
// spelling and as an 8.3 alias too: exactly the names an existence check
// finds, except another spelling of the entry itself, where the move
// succeeds, as the rename step would have moved it after its check. So the
// check may be skipped with the same lines, counts and outcomes, and a
// target that appears after a check is still reported as an existing
// target, never as a refused move.
bool move_reports_existing_target() { return true; }

// Windows converts nothing: the ends are only kept for the steps that follow.
void prepare_move(const std::string& from, const std::string& to,
                  PreparedMove* move) {
  move->from = &from;
  move->to = &to;
}

void append_stored_move_end(const PreparedMove& move, bool target,
                            std::string* out) {
  append_stored_full_path(target ? *move.to : *move.from, out);
}

MoveResult move_prepared(const PreparedMove& move) {
  return move_entry(*move.from, *move.to);
}

bool replace_entry(const std::string& from, const std::string& to) {
  if (!within_max_path(to)) return false;
  DWORD attributes = GetFileAttributesA(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return false;
  }
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return false;
  }
  // Replacing another hard link of the file leaves the file under the new
  // name alone; where the old name is still there, it goes now.
  return !still_linked(from, to) || DeleteFileA(from.c_str()) != 0;
}

bool delete_entry(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return false;
  }
  return DeleteFileA(path.c_str()) != 0;
}

// The rename step asks for every entry; a volume that answered once is
// taken to answer for the rest of the run.
bool volume_available(const std::string& root) {
  static std::map<std::string, bool> answers;
  auto found = answers.find(root);
  if (found != answers.end()) return found->second;
  char name[MAX_PATH];
  char file_system[MAX_PATH];
  DWORD serial = 0;
  DWORD longest_name = 0;
  DWORD flags = 0;
  bool ok = GetVolumeInformationA(root.empty() ? nullptr : root.c_str(), name,
                                  sizeof name, &serial, &longest_name, &flags,
                                  file_system, sizeof file_system) != 0;
  answers.emplace(root, ok);
  return ok;
}

bool same_path_text(std::string_view a, std::string_view b) {
  return names_equal_ignoring_case(a, b);
}

// Windows itself refuses to move or replace a file that is open, or a
// directory that holds one; the layer says so before it tries, so that the
// refusal is the same where an emulation of Windows would allow the move.
bool is_open_log_file(const std::string& path) {
  if (!g_open_files) return false;
  std::string entry = full_path(path);
  for (TextFile* f = g_open_files; f; f = f->next) {
    if (is_or_lies_below(f->full_path, entry)) return true;
  }
  return false;
}

bool entry_identity(const std::string& path, FileIdentity* identity) {
  return read_identity(path, identity);
}

// ---- Trash ------------------------------------------------------------------
//
// The Recycle Bin. SHFileOperationA recycles a file (FOF_ALLOWUNDO, no
// dialogs). The bin reserves nothing beforehand: a ticket is the file's full
// path, under which the bin lists the item once it is there. Restoring finds
// the item among the bin folder's entries by that original path (its folder
// in detail column 1, its name in column 0) and gives it the item's restore
// command, which puts it back where it came from and never over another
// file.

namespace {

// The bin folder's detail columns that make an item's original path.
constexpr UINT kBinNameColumn = 0;
constexpr UINT kBinOriginalFolderColumn = 1;

// The calls of the shell, COM and menus, loaded from the system directory
// on first use: a run that trashes nothing does not load them at start.
struct ShellCalls {
  decltype(&SHFileOperationA) file_operation = nullptr;
  decltype(&SHGetDesktopFolder) desktop_folder = nullptr;
  decltype(&SHGetSpecialFolderLocation) special_folder = nullptr;
  decltype(&CoInitializeEx) initialize = nullptr;
  decltype(&CoUninitialize) uninitialize = nullptr;
  decltype(&CoTaskMemFree) free_memory = nullptr;
  decltype(&CreatePopupMenu) create_menu = nullptr;
  decltype(&GetMenuItemCount) menu_item_count = nullptr;
  decltype(&GetMenuItemID) menu_item_id = nullptr;
  decltype(&DestroyMenu) destroy_menu = nullptr;
};

template <typename Call>
bool load_call(HMODULE module, const char* name, Call* call) {
  FARPROC address = module ? GetProcAddress(module, name) : nullptr;
  *call = reinterpret_cast<Call>(reinterpret_cast<void*>(address));
  return address != nullptr;
}

// Null when the system lacks any of them.
const ShellCalls* shell_calls() {
  static ShellCalls calls;
  static bool loaded = false;
  static bool complete = false;
  if (!loaded) {
    loaded = true;
    HMODULE shell =
        LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HMODULE com =
        LoadLibraryExA("ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HMODULE user =
        LoadLibraryExA("user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    complete =
        load_call(shell, "SHFileOperationA", &calls.file_operation) &&
        load_call(shell, "SHGetDesktopFolder", &calls.desktop_folder) &&
        load_call(shell, "SHGetSpecialFolderLocation", &calls.special_folder) &&
        load_call(com, "CoInitializeEx", &calls.initialize) &&
        load_call(com, "CoUninitialize", &calls.uninitialize) &&
        load_call(com, "CoTaskMemFree", &calls.free_memory) &&
        load_call(user, "CreatePopupMenu", &calls.create_menu) &&
        load_call(user, "GetMenuItemCount", &calls.menu_item_count) &&
        load_call(user, "GetMenuItemID", &calls.menu_item_id) &&
        load_call(user, "DestroyMenu", &calls.destroy_menu);
  }
  return complete ? &calls : nullptr;
}

// COM for the calls of one operation; left as it was found.
struct ShellSession {
  explicit ShellSession(const ShellCalls& shell)
      : calls(shell),
        ok(SUCCEEDED(calls.initialize(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ShellSession() {
    if (ok) calls.uninitialize();
  }
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;
  const ShellCalls& calls;
  bool ok;
};

// A shell text in the ANSI code page; the shell's copy is freed.
std::string shell_text(const ShellCalls& calls, STRRET* text,
                       PCUITEMID_CHILD item) {
  switch (text->uType) {
    case STRRET_CSTR:
      return text->cStr;
    case STRRET_OFFSET:
      return reinterpret_cast<const char*>(item) + text->uOffset;
    case STRRET_WSTR: {
      char ansi[2 * MAX_PATH];
      int n = WideCharToMultiByte(CP_ACP, 0, text->pOleStr, -1, ansi,
                                  sizeof ansi, nullptr, nullptr);
      calls.free_memory(text->pOleStr);
      return n > 0 ? std::string(ansi) : std::string();
    }
  }
  return std::string();
}

std::string detail_text(const ShellCalls& calls, IShellFolder2* folder,
                        PCUITEMID_CHILD item, UINT column) {
  SHELLDETAILS details;
  if (folder->GetDetailsOf(item, column, &details) != S_OK) {
    return std::string();
  }
  return shell_text(calls, &details.str, item);
}

// The Recycle Bin's folder; null when the shell has none.
IShellFolder2* open_bin(const ShellCalls& calls) {
  IShellFolder* desktop = nullptr;
  if (calls.desktop_folder(&desktop) != S_OK) return nullptr;
  PIDLIST_ABSOLUTE bin = nullptr;
  IShellFolder2* folder = nullptr;
  if (calls.special_folder(nullptr, CSIDL_BITBUCKET, &bin) == S_OK) {
    if (desktop->BindToObject(bin, nullptr, IID_IShellFolder2,
                              reinterpret_cast<void**>(&folder)) != S_OK) {
      folder = nullptr;
    }
    calls.free_memory(bin);
  }
  desktop->Release();
  return folder;
}

// The bin's item that came from `original` (a full path); the one listed
// last where several did. Null when there is none.
PITEMID_CHILD find_bin_item(const ShellCalls& calls, IShellFolder2* bin,
                            const std::string& original) {
  IEnumIDList* items = nullptr;
  if (bin->EnumObjects(
          nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
          &items) != S_OK ||
      items == nullptr) {
    return nullptr;
  }
  PITEMID_CHILD found = nullptr;
  PITEMID_CHILD item = nullptr;
  while (items->Next(1, &item, nullptr) == S_OK) {
    std::string path = detail_text(calls, bin, item, kBinOriginalFolderColumn);
    if (!path.empty() && !ends_with_separator(path)) path += '\\';
    path += detail_text(calls, bin, item, kBinNameColumn);
    if (names_equal_ignoring_case(path, original)) {
      calls.free_memory(found);
      found = item;
    } else {
      calls.free_memory(item);
    }
  }
  items->Release();
  return found;
}

bool invoke_command(IContextMenu* menu, const char* verb) {
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = CMIC_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.nShow = SW_HIDE;
  return menu->InvokeCommand(&info) == S_OK;
}

// The item's "undelete" verb. A shell that takes no verb by name (Wine's
// bin) is given the first command of the item's menu, which is restore
// there, unless it names that command as another verb.
void restore_bin_item(const ShellCalls& calls, IShellFolder2* bin,
                      PCUITEMID_CHILD item, const std::string& original) {
  IContextMenu* menu = nullptr;
  if (bin->GetUIObjectOf(nullptr, 1, &item, IID_IContextMenu, nullptr,
                         reinterpret_cast<void**>(&menu)) != S_OK) {
    return;
  }
  if (!invoke_command(menu, "undelete") ||
      GetFileAttributesA(original.c_str()) == INVALID_FILE_ATTRIBUTES) {
    HMENU popup = calls.create_menu();
    constexpr UINT kFirst = 1;
    if (popup &&
        SUCCEEDED(
            menu->QueryContextMenu(popup, 0, kFirst, 0x7FFF, CMF_NORMAL)) &&
        calls.menu_item_count(popup) > 0) {
      UINT offset = calls.menu_item_id(popup, 0) - kFirst;
      char verb[64] = "";
      bool other = menu->GetCommandString(offset, GCS_VERBA, nullptr, verb,
                                          sizeof verb) == S_OK &&
                   strcmp(verb, "undelete") != 0;
      if (!other) invoke_command(menu, MAKEINTRESOURCEA(offset));
    }
    if (popup) calls.destroy_menu(popup);
  }
  menu->Release();
}

}  // namespace

// Only fixed local drives have a bin: on others recycling deletes.
bool trash_reserve(const std::string& path, std::string* ticket) {
  std::string full = full_path(path);
  DWORD attributes = GetFileAttributesA(full.c_str());
  char root[MAX_PATH];
  if (full.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      !GetVolumePathNameA(full.c_str(), root, sizeof root) ||
      GetDriveTypeA(root) != DRIVE_FIXED || shell_calls() == nullptr) {
    return false;
  }
  *ticket = full;
  return true;
}

bool trash_move(const std::string& path, const std::string& ticket) {
  const ShellCalls* calls = shell_calls();
  std::string full = full_path(path);
  DWORD attributes = GetFileAttributesA(full.c_str());
  if (calls == nullptr || !names_equal_ignoring_case(full, ticket) ||
      is_open_log_file(path) || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  std::string from = full + '\0';  // a list of names, ended by an empty one
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NO_UI;
  return calls->file_operation(&operation) == 0 &&
         !operation.fAnyOperationsAborted &&
         GetFileAttributesA(full.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// The bin restores to the original path only; another name is reached by
// a move from there.
MoveResult trash_restore(const std::string& ticket, const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return MoveResult::kTargetExists;
  }
  const ShellCalls* calls = shell_calls();
  if (calls == nullptr) return MoveResult::kFailed;
  ShellSession session(*calls);
  IShellFolder2* bin = open_bin(*calls);
  if (bin == nullptr) return MoveResult::kFailed;
  PITEMID_CHILD item = find_bin_item(*calls, bin, ticket);
  if (item != nullptr) {
    restore_bin_item(*calls, bin, item, ticket);
    calls->free_memory(item);
  }
  bin->Release();
  if (item == nullptr ||
      GetFileAttributesA(ticket.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return MoveResult::kFailed;
  }
  if (names_equal_ignoring_case(full_path(path), ticket)) {
    return MoveResult::kMoved;
  }
  return move_entry(ticket, path);
}

// Nothing was reserved.
void trash_release(const std::string&) {}

// No Windows name holds a byte Windows forbids in names: nothing to map.
std::string name_pattern_text(const std::string& text, NamePatternKind) {
  return text;
}

size_t stored_name_length(std::string_view name) { return name.size(); }

// ---- Time --------------------------------------------------------------

int64_t current_time() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return seconds_of(now);
}

CalendarTime local_calendar_time(int64_t utc_seconds) {
  CalendarTime out;
  if (utc_seconds < -kEpochDifference) return out;
  uint64_t ticks =
      static_cast<uint64_t>(utc_seconds + kEpochDifference) * kTicksPerSecond;
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(ticks);
  utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  FILETIME local;
  SYSTEMTIME calendar;
  if (!FileTimeToLocalFileTime(&utc, &local) ||
      !FileTimeToSystemTime(&local, &calendar)) {
    return out;
  }
  out.year = calendar.wYear;
  out.month = calendar.wMonth;
  out.day = calendar.wDay;
  out.hour = calendar.wHour;
  out.minute = calendar.wMinute;
  out.second = calendar.wSecond;
  out.weekday = calendar.wDayOfWeek;
  return out;
}

uint32_t tick_count_ms() { return GetTickCount(); }

// ---- Process -----------------------------------------------------------

std::string executable_path() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(),
                                 static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// A Windows program keeps its configuration file beside itself: there is no
// second place to look in.
std::string user_config_directory() { return std::string(); }

// The arguments are the ANSI code page's text already. A file argument's
// `/` separates directories like `\`; it is turned into `\` here so that
// every later step finds its directories (a `/` is never a trail byte).
std::vector<CommandArgument> command_arguments(int argc, char** argv,
                                               char switch_char) {
  std::vector<CommandArgument> out;
  for (int i = 0; i < argc; ++i) {
    std::string text = argv[i];
    bool option = !text.empty() && (text[0] == '/' || text[0] == switch_char);
    if (i >= 3 && !option) {
      for (char& c : text) {
        if (c == '/') c = '\\';
      }
    }
    // Messages show the argument as typed, '/' and all.
    std::string given = text != argv[i] ? argv[i] : "";
    out.push_back({text, false, given});
  }
  return out;
}

// Read from the whole ANSI environment block: the names compare without
// regard to letter case, as Windows compares them, and a value's length is
// its bytes up to the NUL whatever its characters. (Names of drive
// directories such as "=C:" begin with '='.)
bool find_environment_variable(const std::string& name, std::string* value) {
  char* block = GetEnvironmentStringsA();
  if (!block) return false;
  bool found = false;
  for (const char* entry = block; *entry && !found;
       entry += strlen(entry) + 1) {
    const char* equals = strchr(entry + 1, '=');
    if (!equals ||
        !names_equal_ignoring_case(std::string(entry, equals - entry), name)) {
      continue;
    }
    value->assign(equals + 1);
    found = true;
  }
  FreeEnvironmentStringsA(block);
  return found;
}

// ---- Console -------------------------------------------------------------

long console_write(Stream stream, const char* data, size_t size) {
  prepare_console();
  FILE* file = stream == Stream::kOut ? stdout : stderr;
  bool ok = true;
  if (stream == Stream::kErr && fflush(stdout) != 0) {
    g_out_failed = true;
    ok = false;
  }
  clearerr(file);
  if (size > 0 && fwrite(data, 1, size, file) != size) ok = false;
  if (stream == Stream::kErr && fflush(stderr) != 0) ok = false;
  if (ferror(file)) ok = false;
  if (!ok && stream == Stream::kOut) g_out_failed = true;
  return ok ? static_cast<long>(size) : -1;
}

void console_flush() {
  if (fflush(stdout) != 0) g_out_failed = true;
}

bool console_output_failed() { return g_out_failed; }

void prepare_process() {
  InterlockedExchange(&g_stop_requested, 0);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool stop_requested() {
  return InterlockedCompareExchange(&g_stop_requested, 0, 0) != 0;
}

int console_rows() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) ||
      info.dwSize.Y <= 0) {
    return 0;
  }
  return info.srWindow.Bottom - info.srWindow.Top + 1;
}

// Keys typed before the prompt (also the auto-repeat of a held key) are
// discarded first. Without a console on standard input nobody can answer:
// the key is "All" at once.
int read_key() {
  fflush(stdout);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (input == INVALID_HANDLE_VALUE || input == nullptr ||
      !GetConsoleMode(input, &mode)) {
    return 'A';
  }
  FlushConsoleInputBuffer(input);
  InterlockedExchange(&g_at_prompt, 1);
  int key = next_key_event(input);
  InterlockedExchange(&g_at_prompt, 0);
  return key;
}

// ---- Files ---------------------------------------------------------------

bool read_file_bytes(const std::string& path, std::string* bytes) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, n);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

std::string external_text_to_internal(const std::string& bytes) {
  return bytes;
}

TextFile* text_file_open(const std::string& path, TextFileMode mode) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return nullptr;
  }
  FILE* stream = fopen(path.c_str(), open_mode_text(mode));
  if (!stream) return nullptr;
  TextFile* file = new TextFile;
  file->stream = stream;
  file->path = path;
  file->full_path = full_path(path);
  file->next = g_open_files;
  g_open_files = file;
  return file;
}

bool text_file_seek_end(TextFile* file) {
  return fseek(file->stream, 0, SEEK_END) == 0;
}

bool text_file_is_empty(TextFile* file) {
  fflush(file->stream);
  return _filelengthi64(_fileno(file->stream)) == 0;
}

bool text_file_write(TextFile* file, const char* data, size_t size) {
  if (size > 0 && fwrite(data, 1, size, file->stream) != size) return false;
  return !ferror(file->stream);
}

bool text_file_flush(TextFile* file) {
  return fflush(file->stream) == 0 && !ferror(file->stream);
}

bool text_file_close(TextFile* file) {
  if (!file) return false;
  bool ok = fflush(file->stream) == 0 && !ferror(file->stream);
  if (fclose(file->stream) != 0) ok = false;
  forget_text_file(file);
  delete file;
  return ok;
}

// Another process holds the file when even an exclusive open for reading
// is refused for sharing. The process's own open log is not "elsewhere".
bool file_in_use_elsewhere(const std::string& path) {
  if (is_own_open_file(path)) return false;
  HFILE handle = _lopen(path.c_str(), OF_READ | OF_SHARE_EXCLUSIVE);
  if (handle == HFILE_ERROR) {
    return GetLastError() == ERROR_SHARING_VIOLATION;
  }
  _lclose(handle);
  return false;
}

// ---- Run journals -----------------------------------------------------------

std::string state_directory() {
  std::string dir;
  if (!find_environment_variable("LOCALAPPDATA", &dir) || dir.empty()) {
    return std::string();
  }
  if (!ends_with_separator(dir)) dir += '\\';
  dir += "kavo";
  if (!CreateDirectoryA(dir.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return std::string();
  }
  return dir + '\\';
}

std::string stored_full_path(const std::string& path) {
  std::string full = full_path(path.empty() ? "." : path);
  return full.empty() ? path : full;
}

void append_stored_full_path(const std::string& path, std::string* out) {
  out->append(stored_full_path(path));
}

std::string internal_from_stored_path(const std::string& stored) {
  return stored;
}

std::string stored_text(const std::string& text) { return text; }

struct AppendFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

AppendFile* append_file_create(const std::string& path) {
  HANDLE handle =
      CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return new AppendFile{handle};
}

bool append_file_write(AppendFile* file, std::string_view bytes) {
  DWORD written = 0;
  return WriteFile(file->handle, bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr) &&
         written == bytes.size();
}

void append_file_close(AppendFile* file) {
  if (!file) return;
  CloseHandle(file->handle);
  delete file;
}

}  // namespace kavo

// The configuration file: the switch character and the default options.

#ifndef KAVO_DRIVER_CONFIG_FILE_H_
#define KAVO_DRIVER_CONFIG_FILE_H_

#include <cstddef>
#include <string>
#include <vector>

namespace kavo {

struct FilterSet;
struct RunOptions;

// The configuration file's path for the executable `program_path`: its
// extension replaced by "cfg", or ".cfg" appended.
std::string config_path(const std::string& program_path);

// The configuration file a run reads: the one beside the executable when it
// can be read, else the user's own kavo\kavo.cfg in user_config_directory()
// when that one can, else (no file at all) the one beside the executable.
// An empty program path ends the run.
std::string config_file_to_read(const std::string& program_path);

// First pass: the "switch" key only. Returns the switch character ('/'
// when the file has none or cannot be opened). A faulty file ends the run.
char config_read_switch_char(const std::string& config_file);

// Second pass: every option line applied with parse_option_argument
// (from_config set), in file order.
void config_apply_options(const std::string& config_file, char switch_char,
                          RunOptions* options, FilterSet* filters);

// For the usage text: prints the file's option lines on one line, or
// "設定ファイルが存在しません。".
void config_list_options(const std::string& config_file, char switch_char);

// The option lines of the file (after expansion), in file order, for the
// log's command line; empty when there are none or it cannot be read.
// `*opened` tells whether the file could be opened.
void config_option_lines(const std::string& config_file, char switch_char,
                         std::vector<std::string>* lines, bool* opened);

// ---- The reading underneath the passes (exposed for tests) ----

// The longest line kept, in bytes: longer lines of the file are cut, and a
// line that grows beyond it when converted and expanded is refused.
constexpr size_t kConfigLineCapacity = 10240;

// The longest environment variable name that a reference may hold.
constexpr size_t kConfigEnvNameCapacity = 1022;

// How a line of the file ended.
enum class ConfigLineEnd { kNone, kLf, kCrLf, kCr };

enum class ConfigReadStatus { kLine, kEnd, kBinary };

// A configuration file's bytes and the reading position in them.
// `trim_spaces_only` selects the log echo's reading, which removes only
// spaces (not tabs, vertical tabs or form feeds) at the end of a line.
struct ConfigReader {
  std::string bytes;
  size_t position = 0;
  bool trim_spaces_only = false;
};

// Reads the next line of bytes as stored: leading and trailing white space
// and any comment removed, cut at a NUL, at most kConfigLineCapacity bytes.
// kBinary when binary data was met (`*line` holds what was stored), kEnd
// when the file is exhausted. `*end` tells which line end closed the line.
ConfigReadStatus config_read_line(ConfigReader* reader, std::string* line,
                                  ConfigLineEnd* end);

// Replaces each %NAME% reference of `*line` by the variable's value, or
// removes it when the variable is undefined or the name empty. False, with
// `*line` unchanged, when the result would exceed kConfigLineCapacity.
bool expand_env_refs(std::string* line);

// The switch character that `line` sets when it is a "switch" line, else
// `current`.
char switch_char_from_line(const std::string& line, char current);

}  // namespace kavo

#endif  // KAVO_DRIVER_CONFIG_FILE_H_

// The configuration file beside the executable: the switch character and
// the default options.

#ifndef KAVO_DRIVER_CONFIG_FILE_H_
#define KAVO_DRIVER_CONFIG_FILE_H_

#include <string>
#include <vector>

namespace kavo {

struct FilterSet;
struct RunOptions;

// The configuration file's path for the executable `program_path`: its
// extension replaced by "cfg", or ".cfg" appended.
std::string config_path(const std::string& program_path);

// First pass: the "switch" key only. Returns the switch character ('/'
// when the file has none or cannot be opened). A faulty file ends the run.
char config_read_switch_char(const std::string& program_path);

// Second pass: every option line applied with parse_option_argument
// (from_config set), in file order.
void config_apply_options(const std::string& program_path, char switch_char,
                          RunOptions* options, FilterSet* filters);

// For the usage text: prints the file's option lines on one line, or
// "設定ファイルが存在しません。".
void config_list_options(const std::string& config_file, char switch_char);

// The option lines of the file (after expansion), in file order, for the
// log's command line; empty when there are none or it cannot be read.
// `*opened` tells whether the file could be opened.
void config_option_lines(const std::string& config_file, char switch_char,
                         std::vector<std::string>* lines, bool* opened);

}  // namespace kavo

#endif  // KAVO_DRIVER_CONFIG_FILE_H_

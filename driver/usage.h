// The usage text.

#ifndef KAVO_DRIVER_USAGE_H_
#define KAVO_DRIVER_USAGE_H_

#include <string>

namespace kavo {

// The program's name and version as the usage text and the log show them
// (fixed texts: the package version in CMake does not change them).
constexpr char kProgramName[] = "kavo";
constexpr char kVersion[] = "1.37";

// Shows the usage pages for the executable `program_path`, naming and
// listing `config_file` as its configuration file (paged on a console,
// where Quit at a page break ends the text).
void print_usage(const std::string& program_path,
                 const std::string& config_file, char switch_char);

}  // namespace kavo

#endif  // KAVO_DRIVER_USAGE_H_

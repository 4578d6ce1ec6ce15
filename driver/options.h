// The one parser that applies option arguments to the run's settings
// (from the configuration file and the command line).

#ifndef KAVO_DRIVER_OPTIONS_H_
#define KAVO_DRIVER_OPTIONS_H_

#include <cstdint>
#include <string>

#include "targets/options.h"

namespace kavo {

struct FilterSet;

// Applies one option argument (`text` starts with the switch character or
// '/', possibly a group such as /d/o/c) to `*options`, handing skip and
// limit options to `*filters`. An invalid option ends the run with its
// message ("設定ファイル" prefix when `from_config`).
void parse_option_argument(const std::string& text, bool from_config,
                           RunOptions* options, FilterSet* filters);

// The number at the start of `text` as atol reads it (white space, sign,
// digits), wrapped to 32 bits.
int32_t read_number(const char* text);

}  // namespace kavo

#endif  // KAVO_DRIVER_OPTIONS_H_

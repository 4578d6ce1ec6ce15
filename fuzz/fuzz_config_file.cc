// A whole configuration file: the input's bytes are written as the file
// beside a made-up executable, then read by every pass that reads it (the
// switch character, the options, the usage listing, the log's echo).
// Environment references find a few variables, one of them long.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/config_file.h"
#include "driver/options.h"
#include "filters/filters.h"
#include "fuzz/fuzz_check.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "platform/posix_text.h"

namespace {

std::string g_config;       // internal path of the configuration file
std::string g_config_file;  // the same as a Linux path

void make_paths() {
  const char* base = getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") +
                    "/kavo-fuzz-config-" + std::to_string(getpid());
  std::string command = "mkdir -p '" + dir + "'";
  FUZZ_CHECK(system(command.c_str()) == 0);
  g_config = kavo::config_path(kavo::internal_path(dir + "/kavo"));
  g_config_file = dir + "/kavo.cfg";
}

void write_config(const uint8_t* data, size_t size) {
  FILE* f = fopen(g_config_file.c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(fclose(f) == 0);
}

char read_switch_char() {
  try {
    return kavo::config_read_switch_char(g_config);
  } catch (const kavo::ProcessExit&) {
    return '/';
  }
}

void apply_options(char switch_char) {
  kavo::RunOptions options;
  kavo::FilterSet filters;
  options.switch_char = switch_char;
  try {
    kavo::config_apply_options(g_config, switch_char, &options, &filters);
    kavo::finish_filters(&filters);
  } catch (const kavo::ProcessExit&) {
  }
}

// The log's echo: only option lines, none longer than a line may grow.
void check_echo(char switch_char) {
  std::vector<std::string> lines;
  bool opened = false;
  kavo::config_option_lines(g_config, switch_char, &lines, &opened);
  FUZZ_CHECK(opened);
  for (const std::string& line : lines) {
    FUZZ_CHECK(!line.empty());
    FUZZ_CHECK(line[0] == '/' || line[0] == switch_char);
    FUZZ_CHECK(line.size() <= kavo::kConfigLineCapacity);
  }
}

void list_options(char switch_char) {
  try {
    kavo::config_list_options(g_config, switch_char);
  } catch (const kavo::ProcessExit&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("KAVOFUZZ", "/d", 1);
  setenv("KAVOFUZZ_LONG", std::string(6000, 'x').c_str(), 1);
  setenv("KAVOFUZZ_SELF", "%KAVOFUZZ%", 1);
  setenv(std::string(1022, 'N').c_str(), "/o", 1);
  make_paths();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kavo::channels_reset();
  write_config(data, size);
  char switch_char = read_switch_char();
  apply_options(switch_char);
  check_echo(switch_char);
  list_options(switch_char);
  return 0;
}

// A whole configuration file: the input's bytes are written as the file
// beside a made-up executable and read by every pass that reads it (the
// switch character, the options, the usage listing, the log's echo);
// environment references find a few variables, one of them long. Each line
// is then also given as a command-line option, and the filters the options
// built are asked about a file and a directory as the walk would ask.

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

std::string g_program;      // internal path of the made-up executable
std::string g_config;       // internal path of its configuration file
std::string g_config_file;  // the same as a Linux path

// The filters, finished and asked about a file and a directory.
void ask_filters(kavo::FilterSet* filters) {
  if (!kavo::finish_filters(filters)) return;
  kavo::validate_path_filters("fuzz", "\\fuzz\\dir\\", filters);
  kavo::FindRecord record;
  record.attributes = kavo::kAttrArchive | kavo::kAttrReadOnly;
  record.write_time = 1000000000;
  record.creation_time = -86400;
  record.access_time = 4102444800;
  record.size = 123456;
  record.name = "a.txt";
  record.complete = true;
  kavo::file_excluded(*filters, "\\fuzz\\dir\\sub\\a.txt", record);
  record.attributes = kavo::kAttrDirectory | kavo::kAttrHidden;
  record.name = "sub";
  kavo::directory_excluded(*filters, "\\fuzz\\dir\\sub", record);
}

// Each line of the input as a command-line option argument.
void apply_as_arguments(std::string_view lines, char switch_char) {
  kavo::RunOptions options;
  options.switch_char = switch_char;
  kavo::FilterSet filters;
  for (size_t start = 0; start <= lines.size();) {
    size_t end = std::min(lines.find('\n', start), lines.size());
    std::string text(lines.substr(start, end - start));
    if (text.empty() || (text[0] != '/' && text[0] != switch_char)) {
      text.insert(0, 1, '/');
    }
    kavo::parse_option_argument(text, false, &options, &filters);
    start = end + 1;
  }
  ask_filters(&filters);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("KAVOFUZZ", "/d", 1);
  setenv("KAVOFUZZ_LONG", std::string(6000, 'x').c_str(), 1);
  setenv("KAVOFUZZ_SELF", "%KAVOFUZZ%", 1);
  setenv(std::string(1022, 'N').c_str(), "/o", 1);
  const char* base = getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") +
                    "/kavo-fuzz-config-" + std::to_string(getpid());
  FUZZ_CHECK(system(("mkdir -p '" + dir + "'").c_str()) == 0);
  g_program = kavo::internal_path(dir + "/kavo");
  g_config = kavo::config_path(g_program);
  g_config_file = dir + "/kavo.cfg";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kavo::channels_reset();
  FILE* f = fopen(g_config_file.c_str(), "wb");
  FUZZ_CHECK(f != nullptr && fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(fclose(f) == 0);
  char switch_char = '/';
  try {
    switch_char = kavo::config_read_switch_char(g_program);
    kavo::RunOptions options;
    options.switch_char = switch_char;
    kavo::FilterSet filters;
    kavo::config_apply_options(g_program, switch_char, &options, &filters);
    ask_filters(&filters);
  } catch (const kavo::ProcessExit&) {
    // A refused file or option ends the run: an answer, not a fault.
  }
  // The log's echo: only option lines, none longer than a line may grow.
  std::vector<std::string> lines;
  bool opened = false;
  kavo::config_option_lines(g_config, switch_char, &lines, &opened);
  FUZZ_CHECK(opened);
  for (const std::string& line : lines) {
    FUZZ_CHECK(!line.empty() && (line[0] == '/' || line[0] == switch_char));
    FUZZ_CHECK(line.size() <= kavo::kConfigLineCapacity);
  }
  try {
    kavo::config_list_options(g_config, switch_char);
  } catch (const kavo::ProcessExit&) {
  }
  try {
    apply_as_arguments(
        std::string_view(reinterpret_cast<const char*>(data), size),
        size > 0 && data[0] == '-' ? '-' : '/');
  } catch (const kavo::ProcessExit&) {
  }
  return 0;
}

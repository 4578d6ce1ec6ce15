// A whole configuration file beside a made-up executable, read by every
// pass (switch character, options, usage listing, the log's echo of option
// lines no longer than a line may grow), with a few variables to refer to;
// each line also as a command-line option; the filters built asked about a
// file and a directory as the walk would ask.

#include <stdlib.h>
#include <unistd.h>

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

std::string g_program;  // internal path of the made-up executable
std::string g_file;     // its configuration file as a Linux path

void ask_filters(kavo::FilterSet* filters) {
  kavo::finish_filters(filters);
  kavo::complete_path_filters("\\fuzz\\dir\\", filters);
  kavo::validate_path_filters("fuzz", "\\fuzz\\dir\\", *filters);
  kavo::FindRecord r;
  r.attributes = kavo::kAttrArchive | kavo::kAttrReadOnly;
  r.write_time = 1000000000, r.creation_time = -86400;
  r.access_time = 4102444800, r.size = 123456, r.complete = true;
  kavo::file_excluded(*filters, "\\fuzz\\dir\\sub\\a.txt", r);
  r.attributes = kavo::kAttrDirectory | kavo::kAttrHidden;
  kavo::directory_excluded(*filters, "\\fuzz\\dir\\sub", r);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("KAVOFUZZ", "/d", 1);
  setenv("KAVOFUZZ_LONG", std::string(6000, 'x').c_str(), 1);
  setenv("KAVOFUZZ_SELF", "%KAVOFUZZ%", 1);
  setenv(std::string(1022, 'N').c_str(), "/o", 1);
  const char* tmp = getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") +
                    "/kavo-fuzz-config-" + std::to_string(getpid());
  FUZZ_CHECK(system(("mkdir -p '" + dir + "'").c_str()) == 0);
  g_program = kavo::internal_path(dir + "/kavo");
  g_file = dir + "/kavo.cfg";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kavo::channels_reset();
  FILE* f = fopen(g_file.c_str(), "wb");
  FUZZ_CHECK(f != nullptr && fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(fclose(f) == 0);
  const std::string config = kavo::config_path(g_program);
  char switch_char = '/';
  kavo::RunOptions options;
  kavo::FilterSet filters;
  try {
    switch_char = options.switch_char =
        kavo::config_read_switch_char(g_program);
    kavo::config_apply_options(g_program, switch_char, &options, &filters);
    ask_filters(&filters);
  } catch (const kavo::RunAborted&) {
    // A refused file or option ends the run: an answer, not a fault.
  }
  std::vector<std::string> lines;
  bool opened = false;
  kavo::config_option_lines(config, switch_char, &lines, &opened);
  FUZZ_CHECK(opened);
  for (const std::string& line : lines) {
    FUZZ_CHECK(!line.empty() && (line[0] == '/' || line[0] == switch_char) &&
               line.size() <= kavo::kConfigLineCapacity);
  }
  try {
    kavo::config_list_options(config, switch_char);
  } catch (const kavo::RunAborted&) {  // an answer, as above
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  options = kavo::RunOptions();
  options.switch_char = size > 0 && data[0] == '-' ? '-' : '/';
  filters = kavo::FilterSet();
  try {
    for (size_t start = 0, end = 0; start <= text.size(); start = end + 1) {
      end = std::min(text.find('\n', start), text.size());
      std::string arg(text.substr(start, end - start));
      if (arg.empty() || (arg[0] != '/' && arg[0] != options.switch_char)) {
        arg.insert(0, 1, '/');
      }
      kavo::parse_option_argument(arg, false, &options, &filters);
    }
    ask_filters(&filters);
  } catch (const kavo::RunAborted&) {
  }
  return 0;
}

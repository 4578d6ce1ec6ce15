// The option parser. The input is a header byte and option arguments, one
// per line, applied in turn to one set of run settings: bit 0 of the header
// marks them as configuration-file lines, bit 1 makes '-' the switch
// character. The finished filters are then asked about a few entries.

#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/options.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/platform.h"

namespace {

using kavo::FilterSet;
using kavo::FindRecord;
using kavo::RunOptions;

// Every option argument begins with the switch character or '/'.
std::string as_option(std::string text, char switch_char) {
  if (text.empty() || (text[0] != '/' && text[0] != switch_char)) {
    text.insert(0, 1, '/');
  }
  return text;
}

void apply_lines(std::string_view lines, bool from_config, RunOptions* options,
                 FilterSet* filters) {
  size_t start = 0;
  while (start <= lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string_view::npos) end = lines.size();
    std::string text(lines.substr(start, end - start));
    kavo::parse_option_argument(as_option(text, options->switch_char),
                                from_config, options, filters);
    start = end + 1;
  }
}

// The filters the options built, asked as a walk would ask them.
void ask_filters(FilterSet* filters) {
  if (!kavo::finish_filters(filters)) return;
  kavo::complete_path_filters("\\fuzz\\dir\\", filters);
  kavo::validate_path_filters("fuzz", "\\fuzz\\dir\\", *filters);
  FindRecord record;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool from_config = (data[0] & 1) != 0;
  RunOptions options;
  options.switch_char = (data[0] & 2) != 0 ? '-' : '/';
  FilterSet filters;
  kavo::channels_reset();
  std::string_view lines(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    apply_lines(lines, from_config, &options, &filters);
    ask_filters(&filters);
  } catch (const kavo::ProcessExit&) {
    // A refused option ends the run; that is an answer, not a fault.
  }
  return 0;
}

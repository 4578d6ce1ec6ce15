// The configuration file, beside the executable or in the user's own
// configuration directory. Each pass reads the file afresh from its first
// byte: the switch pass, the options pass, the usage
// text's listing and the log's echo of the options.
//
// The byte checks (binary data, line ends, comments) run on the bytes as
// stored; each line is then converted to internal text and its environment
// references are expanded.

#include "driver/config_file.h"

#include <string>
#include <vector>

#include "driver/options.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace kavo {
namespace {

constexpr int kEndOfFile = -1;
constexpr int kCtrlZ = 26;

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Control bytes that no text file holds. Tab, bell, backspace, vertical
// tab, form feed and escape are text; a final Ctrl-Z never gets here.
bool is_binary_byte(int c) {
  return (c >= 1 && c <= 6) || (c >= 14 && c <= 26) || (c >= 28 && c <= 31) ||
         c == 127 || c == 255;
}

// One byte of the file, with every kind of line end folded into '\n' and
// recorded in `*end`. A Ctrl-Z that is the very last byte is the end.
int read_char(ConfigReader* reader, ConfigLineEnd* end) {
  const std::string& bytes = reader->bytes;
  if (reader->position >= bytes.size()) return kEndOfFile;
  int c = static_cast<unsigned char>(bytes[reader->position++]);
  if (c == '\n') {
    *end = ConfigLineEnd::kLf;
    return '\n';
  }
  if (c == '\r') {
    bool lf =
        reader->position < bytes.size() && bytes[reader->position] == '\n';
    if (lf) ++reader->position;
    *end = lf ? ConfigLineEnd::kCrLf : ConfigLineEnd::kCr;
    return '\n';
  }
  if (c == kCtrlZ && reader->position == bytes.size()) return kEndOfFile;
  return c;
}

// A NUL ends the usable text; white space at the end goes (the log's
// echo removes spaces only).
void finish_line(bool spaces_only, std::string* line) {
  size_t nul = line->find('\0');
  if (nul != std::string::npos) line->resize(nul);
  size_t size = line->size();
  while (size > 0 && (spaces_only ? (*line)[size - 1] == ' '
                                  : is_blank((*line)[size - 1]))) {
    --size;
  }
  line->resize(size);
}

bool has_white_space(const std::string& text) {
  for (char c : text) {
    if (is_blank(c)) return true;
  }
  return false;
}

bool is_option_line(const std::string& line, char switch_char) {
  return !line.empty() && (line[0] == '/' || line[0] == switch_char);
}

enum class Fault { kNone, kBinary, kMixedLineEnds, kTooLong };

// What one reading of the file gave: its non-empty lines as internal text
// with references expanded, up to the first fault.
struct ConfigScan {
  bool opened = false;
  std::vector<std::string> lines;
  Fault fault = Fault::kNone;
  unsigned long fault_line = 0;
};

// The first line end of the file fixes the kind for every later line.
bool line_end_differs(ConfigLineEnd end, ConfigLineEnd* first) {
  if (end == ConfigLineEnd::kNone) return false;
  if (*first == ConfigLineEnd::kNone) *first = end;
  return end != *first;
}

void stop_scan(Fault fault, unsigned long line_number, ConfigScan* scan) {
  scan->fault = fault;
  scan->fault_line = line_number;
}

// Reads the whole file. The log's echo (`echo`) does not compare line-end
// kinds and removes only spaces at line ends.
ConfigScan scan_config(const std::string& path, bool echo) {
  ConfigScan scan;
  ConfigReader reader;
  reader.trim_spaces_only = echo;
  if (!read_file_bytes(path, &reader.bytes)) return scan;
  scan.opened = true;
  ConfigLineEnd first_end = ConfigLineEnd::kNone;
  std::string raw;
  for (unsigned long number = 1;; ++number) {
    ConfigLineEnd end = ConfigLineEnd::kNone;
    ConfigReadStatus status = config_read_line(&reader, &raw, &end);
    if (status == ConfigReadStatus::kEnd) break;
    if (status == ConfigReadStatus::kBinary) {
      stop_scan(Fault::kBinary, number, &scan);
      break;
    }
    if (!echo && line_end_differs(end, &first_end)) {
      stop_scan(Fault::kMixedLineEnds, number, &scan);
      break;
    }
    if (raw.empty()) continue;
    std::string text = external_text_to_internal(raw);
    if (!expand_env_refs(&text)) {
      stop_scan(Fault::kTooLong, number, &scan);
      break;
    }
    if (!text.empty()) scan.lines.push_back(text);
  }
  return scan;
}

// A faulty file ends the run. A line that would outgrow
// kConfigLineCapacity once converted and expanded is refused rather than cut: a cut option (a path
// list of /sh, say) would select other files than the user wrote.
static_assert(kConfigLineCapacity == 10240, "the message below names it");

void report_fault(const std::string& path, const ConfigScan& scan) {
  switch (scan.fault) {
    case Fault::kNone:
      return;
    case Fault::kBinary:
      abort_run_unlogged(
          "設定ファイル\"%s\"が異常です。%lu行目にバイナリ・データを検出しま"
          "した。",
          path.c_str(), scan.fault_line);
    case Fault::kMixedLineEnds:
      abort_run_unlogged(
          "設定ファイル\"%s\"が異常です。%lu行目に異なる改行コードを検出しま"
          "した。",
          path.c_str(), scan.fault_line);
    case Fault::kTooLong:
      abort_run_unlogged(
          "設定ファイル\"%s\"が異常です。%lu行目が展開後に10240バイトを超えま"
          "した。",
          path.c_str(), scan.fault_line);
  }
}

}  // namespace

std::string config_path(const std::string& program_path) {
  // Only a period inside the last component starts an extension; a period
  // is never the second byte of a double-byte character.
  size_t separator = sjis_find_last_char(program_path, '\\');
  size_t name = separator == kNoPosition ? 0 : separator + 1;
  size_t period = program_path.rfind('.');
  if (period != std::string::npos && period >= name) {
    return program_path.substr(0, period + 1) + "cfg";
  }
  return program_path + ".cfg";
}

std::string config_file_to_read(const std::string& program_path) {
  // Without its own path the command cannot find its file at all; the run
  // stops the way it stops for an allocation that failed.
  if (program_path.empty()) abort_run_unlogged("メモリー不足");
  // The place is chosen once, by whether a file there can be read (a file
  // beside a system-wide executable may be the administrator's alone), and
  // every pass, the listing and the messages then name that one file.
  std::string beside = config_path(program_path);
  std::string bytes;
  if (read_file_bytes(beside, &bytes)) return beside;
  std::string user_directory = user_config_directory();
  if (!user_directory.empty()) {
    std::string user_file = user_directory + "kavo\\kavo.cfg";
    if (read_file_bytes(user_file, &bytes)) return user_file;
  }
  return beside;
}

char config_read_switch_char(const std::string& config_file) {
  ConfigScan scan = scan_config(config_file, false);
  char switch_char = '/';
  for (const std::string& line : scan.lines) {
    switch_char = switch_char_from_line(line, switch_char);
  }
  report_fault(config_file, scan);
  return switch_char;
}

void config_apply_options(const std::string& config_file, char switch_char,
                          RunOptions* options, FilterSet* filters) {
  ConfigScan scan = scan_config(config_file, false);
  for (const std::string& line : scan.lines) {
    if (is_option_line(line, switch_char)) {
      parse_option_argument(line, true, options, filters);
    }
  }
  report_fault(config_file, scan);
}

void config_list_options(const std::string& config_file, char switch_char) {
  ConfigScan scan = scan_config(config_file, false);
  if (!scan.opened) {
    print_unpaged("設定ファイルが存在しません。\n");
    return;
  }
  const char* separator = "";
  for (const std::string& line : scan.lines) {
    if (!is_option_line(line, switch_char)) continue;
    print_unpaged(has_white_space(line) ? "%s\"%s\"" : "%s%s", separator,
                  line.c_str());
    separator = " ";
  }
  print_unpaged("\n");
  report_fault(config_file, scan);
}

void config_option_lines(const std::string& config_file, char switch_char,
                         std::vector<std::string>* lines, bool* opened) {
  ConfigScan scan = scan_config(config_file, true);
  *opened = scan.opened;
  lines->clear();
  for (const std::string& line : scan.lines) {
    if (is_option_line(line, switch_char)) lines->push_back(line);
  }
}

ConfigReadStatus config_read_line(ConfigReader* reader, std::string* line,
                                  ConfigLineEnd* end) {
  line->clear();
  *end = ConfigLineEnd::kNone;
  int c = read_char(reader, end);
  while (is_blank(c)) c = read_char(reader, end);
  if (c == kEndOfFile) return ConfigReadStatus::kEnd;
  // The rest of an over-long line and every comment are read, so that
  // binary data in them is still seen, but not stored.
  bool in_comment = false;
  for (; c != kEndOfFile && c != '\n'; c = read_char(reader, end)) {
    if (is_binary_byte(c)) return ConfigReadStatus::kBinary;
    if (c == '#' || c == ';') in_comment = true;
    if (!in_comment && line->size() < kConfigLineCapacity) {
      line->push_back(static_cast<char>(c));
    }
  }
  finish_line(reader->trim_spaces_only, line);
  return ConfigReadStatus::kLine;
}

bool expand_env_refs(std::string* line) {
  // Each reference is replaced where it was found and the scan goes on
  // after the inserted value, so a value is never searched again: a '%'
  // inside it stays, and a later reference is never mistaken for the same
  // text inside an earlier value.
  std::string text = *line;
  size_t scan = 0;
  while (text.size() <= kConfigLineCapacity) {
    size_t open = text.find('%', scan);
    if (open == std::string::npos) break;
    size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    size_t name_size = close - open - 1;
    if (name_size > kConfigEnvNameCapacity) break;
    std::string value;
    std::string name = text.substr(open + 1, name_size);
    if (name.empty() || !find_environment_variable(name, &value)) value.clear();
    text.replace(open, name_size + 2, value);
    scan = open + value.size();
  }
  if (text.size() > kConfigLineCapacity) return false;
  *line = text;
  return true;
}

char switch_char_from_line(const std::string& line, char current) {
  if (line.compare(0, 6, "switch") != 0) return current;
  size_t equals = line.find('=');
  if (equals == std::string::npos) return current;
  size_t value = equals + 1;
  while (value < line.size() && is_blank(line[value])) ++value;
  // "switch=" with nothing after it leaves '/' alone as the switch
  // character; taking the end of the text would make every empty argument
  // an option.
  return value < line.size() ? line[value] : '/';
}

}  // namespace kavo

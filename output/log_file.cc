#include "output/log_file.h"

#include <string>

#include "output/format.h"
#include "platform/platform.h"

namespace kavo {
namespace {

// Separates one run's entry from the previous ones in an appended log.
constexpr char kRuleLine[] =
    "-------------------------------------------------------------------------"
    "------\n";

constexpr const char* kWeekdayNames[7] = {"日", "月", "火", "水",
                                          "木", "金", "土"};

const char* weekday_name(int weekday) {
  return kWeekdayNames[weekday >= 0 && weekday < 7 ? weekday : 0];
}

std::string start_line(const CalendarTime& t, const char* program_name,
                       const char* version) {
  return printf_text(
      "%s実行開始 %d年%02d月%02d日(%s) %02d時%02d分%02d秒 ［%s 第%s版］\n",
      program_name, t.year, t.month, t.day, weekday_name(t.weekday), t.hour,
      t.minute, t.second, program_name, version);
}

std::string footer(const CalendarTime& t, uint32_t elapsed_seconds,
                   const char* program_name) {
  return printf_text(
      "\n%s実行終了 %d年%02d月%02d日(%s) %02d時%02d分%02d秒（処理時間 "
      "%02u時間%02u分%02u秒）\n",
      program_name, t.year, t.month, t.day, weekday_name(t.weekday), t.hour,
      t.minute, t.second, elapsed_seconds / 3600, elapsed_seconds / 60 % 60,
      elapsed_seconds % 60);
}

// A word holding a space is quoted so the line reads back as the same
// words.
std::string quoted(const std::string& word) {
  if (word.find(' ') == std::string::npos) return word;
  return "\"" + word + "\"";
}

// The program's path, the old and the new string each end with a space
// (an empty string leaves just its space); the options and file arguments
// that follow are separated by single spaces.
std::string command_line(const std::vector<std::string>& words) {
  std::string line;
  for (size_t i = 0; i < words.size() && i < 3; ++i) {
    line += quoted(words[i]) + " ";
  }
  for (size_t i = 3; i < words.size(); ++i) {
    if (i > 3) line += ' ';
    line += quoted(words[i]);
  }
  return line + "\n\n";
}

bool write_text(TextFile* log, const std::string& text) {
  return text_file_write(log, text.data(), text.size());
}

// An existing file (even an empty one) is continued after a rule line; a
// missing one is created. A file whose end cannot be found is refused
// rather than written over from its start.
TextFile* open_for_append(const std::string& path) {
  TextFile* log = text_file_open(path, TextFileMode::kUpdate);
  bool existed = log != nullptr;
  if (!existed) log = text_file_open(path, TextFileMode::kCreateUpdate);
  if (log == nullptr) return nullptr;
  if (!text_file_seek_end(log)) {
    text_file_close(log);
    return nullptr;
  }
  if (existed) write_text(log, kRuleLine);
  return log;
}

}  // namespace

TextFile* log_open(bool* in_use, const std::string& path, LogMode mode,
                   const std::vector<std::string>& words,
                   const char* program_name, const char* version) {
  CalendarTime start = local_calendar_time(current_time());
  *in_use = file_in_use_elsewhere(path);
  if (*in_use) return nullptr;
  TextFile* log = mode == kLogAppend
                      ? open_for_append(path)
                      : text_file_open(path, TextFileMode::kCreate);
  if (log == nullptr) return nullptr;
  // A failed header write is not lost: the stream remembers it and
  // log_close reports it.
  write_text(log, start_line(start, program_name, version));
  write_text(log, command_line(words));
  return log;
}

int log_close(TextFile* log, int64_t end_time, uint32_t elapsed_seconds,
              const char* program_name, bool flush) {
  if (log == nullptr) return 1;
  CalendarTime end = local_calendar_time(end_time);
  bool ok = write_text(log, footer(end, elapsed_seconds, program_name));
  if (flush && !text_file_flush(log)) ok = false;
  // Closing also reports any write that failed earlier in the run.
  if (!text_file_close(log)) ok = false;
  return ok ? 0 : 1;
}

}  // namespace kavo

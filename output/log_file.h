// The log file: its header with the effective command line, and its footer.

#ifndef KAVO_OUTPUT_LOG_FILE_H_
#define KAVO_OUTPUT_LOG_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace kavo {

struct TextFile;

// Whether the run writes a log, and whether it starts the file anew or
// appends to it.
enum LogMode {
  kLogOff = 0,
  kLogCreate = 1,
  kLogAppend = 2,
};

// Opens the log `path` (created anew or appended to, as `mode` says) and writes
// its rule line (when appending to an existing file), start line and command
// line. `words` is the effective command line: the program's full path, the old
// and the new string, the configuration file's option lines, then the
// remaining command-line arguments. Returns null on failure, `*in_use`
// telling whether another process holds the file.
TextFile* log_open(bool* in_use, const std::string& path, LogMode mode,
                   const std::vector<std::string>& words,
                   const char* program_name, const char* version);

// Writes the footer (end time, processing time) and closes the log.
// Returns 0 on success, non-zero when writing or closing failed.
int log_close(TextFile* log, int64_t end_time, uint32_t elapsed_seconds,
              const char* program_name, bool flush);

}  // namespace kavo

#endif  // KAVO_OUTPUT_LOG_FILE_H_

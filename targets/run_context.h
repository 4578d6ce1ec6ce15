// The working state of one run: the paths and strings being worked on,
// counts, and the outcome ranks by which entries, directories and arguments
// are combined.

#ifndef KAVO_TARGETS_RUN_CONTEXT_H_
#define KAVO_TARGETS_RUN_CONTEXT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "names/pattern.h"
#include "platform/platform.h"

namespace kavo {

struct FilterSet;
struct RunJournal;
struct RunOptions;

// The length every path (old or new) must stay below.
constexpr size_t kPathLengthLimit = 2048;

// The name pattern that names the directory in `RunContext::path` itself.
constexpr char kDirectoryMarker[] = ".";

struct RunCounters {
  int32_t renamed_count = 0;
  int32_t overwritten_count = 0;
  int32_t failed_count = 0;
};

// What an entry, a directory walk or a file argument achieved.
enum RenameOutcome {
  kRenamed = 0,
  kFailed = 1,
  kNotRenamed = 101,
  kNotFound = 102,
  kNoOutcome = 103,
};

// The higher-ranked of two outcomes (failed > renamed > not renamed > not
// found > none).
RenameOutcome merge_outcome(RenameOutcome held, RenameOutcome added);

// Thrown after a failed rename has been reported and counted when the run
// must not go on; caught by the driver's argument loop.
struct RunStopped {};

struct RunContext {
  const RunOptions* options = nullptr;
  const FilterSet* filters = nullptr;
  // The entry at hand: the argument's directory, the sub-path walked so far
  // and the entry's name.
  std::string path;
  // The entry's new full path once computed; the messages after a move cut
  // it to the new name alone (strip_directory), so it holds the full path
  // only until the move has been tried.
  std::string new_path;
  // Where the entry's name begins in `path`, and its new name in
  // `new_path`: both lie in one directory.
  size_t name_offset = 0;
  std::string old_string;
  NamePattern old_pattern;  // old_string prepared for the run's name change
  std::string new_string;
  std::string new_string_template;  // date mode: argument 2 with its '/'
  std::optional<std::string> name_pattern;  // none: every name
  std::optional<NamePattern> file_pattern;  // name_pattern, prepared
  bool pattern_is_short_name = false;
  size_t dir_length = 0;
  std::string common_directory;  // for check_common_directory
  RunCounters counters;
  // Under /o: the files this run has moved into place, which it never
  // replaces (empty otherwise).
  std::set<FileIdentity> moved_into_place;
  // Where each move is written down before it is made; null in test mode.
  RunJournal* journal = nullptr;
  bool entry_is_directory = false;  // the entry at hand is a directory
};

}  // namespace kavo

#endif  // KAVO_TARGETS_RUN_CONTEXT_H_

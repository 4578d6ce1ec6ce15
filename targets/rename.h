// Renaming one entry: the new name, date attempts, the move or overwrite,
// the result line and the counts.

#ifndef KAVO_TARGETS_RENAME_H_
#define KAVO_TARGETS_RENAME_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "targets/run_context.h"

namespace kavo {

struct FindRecord;

// What the date-mode attempts in one directory have found taken, so that
// entries sharing a date name do not try every duplicate number again.
// Keyed by the new paths of attempts 1 to 3, which fix every later one.
struct DateSuffixCache {
  std::unordered_map<std::string, int64_t> taken_attempts;  // key -> k
  std::unordered_set<std::string> taken_paths;  // every path counted above
};

// Renames the entry at run->path (its record: `record`). Returns renamed,
// failed or not renamed, or no outcome when the entry has vanished; raises
// RunStopped after a failure without /c.
// After a rename run->new_path holds the new name alone. `cache` (may be
// null) is shared by the entries of one directory level.
RenameOutcome rename_entry(const FindRecord& record, RunContext* run,
                           DateSuffixCache* cache = nullptr);

// Moves run->path to run->new_path (or reports why not) and prints the
// result line. In date mode answers not found when the name is taken.
RenameOutcome perform_rename(RunContext* run);

// Prints the failure line `label`:run->path≠run->new_path (unless errors
// are hidden) and counts it; raises RunStopped without /c.
RenameOutcome report_failure(const char* label, RunContext* run);

}  // namespace kavo

#endif  // KAVO_TARGETS_RENAME_H_

// Renaming one entry: the new name, date attempts, the move or overwrite,
// the result line and the counts.

#ifndef KAVO_TARGETS_RENAME_H_
#define KAVO_TARGETS_RENAME_H_

#include "driver/run_context.h"

namespace kavo {

struct FindRecord;

// Renames the entry at run->path (its record: `record`). Returns renamed,
// failed or not renamed; raises RunStopped after a failure without /c.
// After a rename run->new_path holds the new name alone.
RenameOutcome rename_entry(const FindRecord& record, RunContext* run);

// Moves run->path to run->new_path (or reports why not) and prints the
// result line. In date mode answers not found when the name is taken.
RenameOutcome perform_rename(RunContext* run);

}  // namespace kavo

#endif  // KAVO_TARGETS_RENAME_H_

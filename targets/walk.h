// The directory walk and the single named target of a file argument.

#ifndef KAVO_TARGETS_WALK_H_
#define KAVO_TARGETS_WALK_H_

#include <cstddef>

#include "targets/run_context.h"

namespace kavo {

// Lists the directory whose text is run->path up to `offset`, takes a
// snapshot, sorts it and renames its candidates (descending with /d).
RenameOutcome walk_directory(size_t offset, RunContext* run);

// Looks up and renames the one entry named by the argument (no wildcards,
// no /d), file or directory, without consulting the filters.
RenameOutcome rename_single_target(size_t offset, RunContext* run);

}  // namespace kavo

#endif  // KAVO_TARGETS_WALK_H_

// /undo: a run taken back from its journal.

#ifndef KAVO_DRIVER_UNDO_H_
#define KAVO_DRIVER_UNDO_H_

#include <vector>

#include "targets/run_context.h"
#include "targets/journal.h"

namespace kavo {

// True when `text`, the first argument, asks for an undo: the switch
// character or '/', then "undo" in either letter case.
bool is_undo_argument(const std::string& text, char switch_char);

// Takes back the moves `records` (a run's journal) last first, each with a
// move that never replaces anything, printing and counting as a run does.
// Returns the merged outcome; raises RunStopped after a failure without /c.
RenameOutcome take_back(const std::vector<JournalRecord>& records,
                        RunContext* run);

}  // namespace kavo

#endif  // KAVO_DRIVER_UNDO_H_

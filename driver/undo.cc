#include "driver/undo.h"

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "targets/options.h"
#include "targets/paths.h"
#include "targets/rename.h"
#include "text/path_text.h"

namespace kavo {
namespace {

bool exists(const std::string& path) {
  return get_attributes(path) != kAttrMissing;
}

// The working directory as a prefix of the paths below it.
std::string working_prefix() {
  std::string working = internal_from_stored_path(stored_full_path(""));
  if (working.empty() || working.back() != '\\') working += '\\';
  return working;
}

// A path below the working directory is shown, and used, relative to it,
// as a run shows the paths it was given.
std::string shown_path(const std::string& path, const std::string& working) {
  if (path.size() > working.size() &&
      same_path_text(std::string_view(path).substr(0, working.size()),
                     working)) {
    return path.substr(working.size());
  }
  return path;
}

bool replaced_something(const JournalRecord& record) {
  return record.kind == JournalKind::kReplace ||
         record.kind == JournalKind::kReplaceDeleted;
}

// The file an overwrite replaced comes back to its name from the trash,
// once the source has left that name. A name taken again (the file already
// back, or a run killed before the file left) is left as it is; a file
// that was deleted, or that the trash no longer gives back, fails.
RenameOutcome bring_back_replaced(const JournalRecord& record,
                                  RunContext* run) {
  const bool test_mode = run->options->test_mode;
  if (!test_mode && exists(record.new_path)) return kNotRenamed;
  if (record.kind == JournalKind::kReplace &&
      (test_mode ||
       trash_restore(record.ticket, record.new_path) == MoveResult::kMoved)) {
    return kRenamed;
  }
  run->path = record.new_path;
  run->new_path = strip_directory(record.old_path);
  return report_failure("上書改名不能", run);
}

// One move taken back. A record whose new name is gone while its old name
// is there again was never made, or has been taken back already: it is
// passed by. Gone altogether, it fails; its old name taken, it fails as
// existing, as a run's move would.
RenameOutcome take_back_move(const JournalRecord& record, RunContext* run) {
  run->path = record.new_path;
  run->new_path = record.old_path;
  run->name_offset = last_component_start(record.old_path);
  run->entry_is_directory = record.kind == JournalKind::kDirectory;
  RenameOutcome outcome = kNoOutcome;
  if (!run->options->test_mode || exists(record.new_path)) {
    outcome = perform_rename(run);
  }
  if (outcome == kNoOutcome) {
    if (!exists(record.old_path)) {
      run->path = record.new_path;
      run->new_path = strip_directory(record.old_path);
      return report_failure("改名不能", run);
    }
    if (run->options->test_mode) return kNotRenamed;
    outcome = kNotRenamed;
  }
  if (outcome != kFailed && replaced_something(record)) {
    outcome = merge_outcome(outcome, bring_back_replaced(record, run));
  }
  return outcome;
}

}  // namespace

bool is_undo_argument(const std::string& text, char switch_char) {
  return text.size() == 5 && (text[0] == '/' || text[0] == switch_char) &&
         starts_with_nocase(std::string_view(text).substr(1), "undo");
}

RenameOutcome take_back(const std::vector<JournalRecord>& records,
                        RunContext* run) {
  const std::string working = working_prefix();
  RenameOutcome outcome = kNotRenamed;
  JournalRecord shown;
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    if (stop_requested()) throw RunStopped{};
    shown = *record;
    shown.old_path = shown_path(record->old_path, working);
    shown.new_path = shown_path(record->new_path, working);
    outcome = merge_outcome(outcome, take_back_move(shown, run));
  }
  return outcome;
}

}  // namespace kavo

#include "targets/rename.h"

#include <string>

#include "names/date_name.h"
#include "names/name_part.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "targets/options.h"
#include "targets/journal.h"
#include "targets/paths.h"
#include "text/path_text.h"

namespace kavo {

namespace {

bool in_date_mode(const RunContext& run) {
  return run.options->date_format != kDateOff;
}

// Cuts run->new_path down to what the result lines show of it: the text
// after its last separator (a drive's "X:" before a name stays).
void keep_new_name(RunContext* run) {
  size_t offset = run->name_offset;
  if (offset > 0 && run->new_path[offset - 1] == '\\') {
    run->new_path.erase(0, offset);
  }
}

// Reports and counts a failed rename; ends the run unless /c. The new path
// holds the new name alone by now.
RenameOutcome count_failure(const char* label, RunContext* run) {
  if (run->options->show_errors) {
    print_message("%s:%s≠%s\n", label, run->path.c_str(),
                  run->new_path.c_str());
  }
  ++run->counters.failed_count;
  if (!run->options->continue_on_error) throw RunStopped{};
  return kFailed;
}

// Under /o, notes the file just moved to run->new_path (still the full
// path): a later overwrite must never replace it.
void note_moved_into_place(RunContext* run) {
  if (!run->options->overwrite || run->options->test_mode) return;
  FileIdentity moved;
  if (entry_identity(run->new_path, &moved)) {
    run->moved_into_place.insert(moved);
  }
}

// True when the target run->new_path is a file this run moved into place.
bool moved_into_place(const RunContext& run) {
  if (run.moved_into_place.empty()) return false;
  FileIdentity target;
  return entry_identity(run.new_path, &target) &&
         run.moved_into_place.count(target) != 0;
}

RenameOutcome report_moved(RunContext* run) {
  note_moved_into_place(run);
  keep_new_name(run);
  if (run->options->show_renamed) {
    print_move(run->path, "→", run->new_path);
  }
  ++run->counters.renamed_count;
  return kRenamed;
}

// A move the file system refused. When the entry's name finds nothing, the
// entry has either vanished since it was listed, and is passed over (no
// outcome) as a look-up before the move would have done, or it is still
// listed under a name no call reaches (characters the code page lacks):
// then no other new name would help, so date mode fails at once too.
// Otherwise date mode tries the next duplicate number instead of
// reporting the refusal.
RenameOutcome report_refused(RunContext* run) {
  keep_new_name(run);
  if (get_attributes(run->path) == kAttrMissing) {
    if (!entry_listed(run->path)) return kNoOutcome;
  } else if (in_date_mode(*run)) {
    return kNotFound;
  }
  return count_failure("改名不能", run);
}

// The log file the run is writing is never moved: no other new name would
// help, so this fails at once in date mode too.
RenameOutcome report_log_refused(RunContext* run) {
  keep_new_name(run);
  return count_failure("改名不能", run);
}

// A name too long for the file system only grows with a duplicate number,
// so it too fails at once in date mode.
RenameOutcome report_too_long(RunContext* run) {
  keep_new_name(run);
  return count_failure("改名不能", run);
}

// A move that never replaces anything. Its target cannot be the open log
// either: that name is taken, so the move is refused.
RenameOutcome plain_move(RunContext* run) {
  if (!run->options->test_mode) {
    if (is_open_log_file(run->path)) return report_log_refused(run);
    MoveResult result = journaled_move(run->path, run->new_path,
                                       run->entry_is_directory, run->journal);
    if (result == MoveResult::kNameTooLong) return report_too_long(run);
    if (result != MoveResult::kMoved) return report_refused(run);
  }
  return report_moved(run);
}

bool is_directory(const std::string& path) {
  uint32_t attributes = get_attributes(path);
  return attributes != kAttrMissing && (attributes & kAttrDirectory) != 0;
}

// /o: the old target goes to the trash and the source takes its name, so
// that a refused overwrite leaves the old target in place and undo can bring
// it back. A file this run has moved into place is never replaced: in date
// mode its name counts as taken (`*taken`), otherwise the overwrite fails.
// A directory is never replaced; that is settled before /or clears any
// attribute, so that it keeps them all.
RenameOutcome overwrite_target(RunContext* run, bool* taken) {
  const RunOptions& options = *run->options;
  if (!options.test_mode) {
    if (moved_into_place(*run)) {
      keep_new_name(run);
      if (in_date_mode(*run)) {
        *taken = true;
        return kNotFound;
      }
      return count_failure("上書改名不能", run);
    }
    bool replaced = !is_open_log_file(run->path) &&
                    !is_open_log_file(run->new_path) &&
                    !is_directory(run->new_path);
    if (replaced) {
      if (options.overwrite_readonly) set_normal_attributes(run->new_path);
      replaced = journaled_replace(run->path, run->new_path, run->journal);
    }
    if (!replaced) {
      keep_new_name(run);
      return count_failure("上書改名不能", run);
    }
    note_moved_into_place(run);
  }
  keep_new_name(run);
  if (options.show_renamed) {
    print_move(run->path, "=>", run->new_path);
  }
  ++run->counters.renamed_count;
  ++run->counters.overwritten_count;
  return kRenamed;
}

// The new name is taken. Returns false when it is taken only under another
// spelling (letter case, or the 8.3 alias of another entry): the entry may
// then be moved, and it is never itself overwritten. `*taken` tells date
// mode that this name is in use.
bool handle_existing_target(RunContext* run, bool* taken,
                            RenameOutcome* outcome) {
  std::string disk;
  // An entry that vanished since it was found is a free name again; the
  // move that follows never replaces anything.
  if (!on_disk_path(run->new_path, &disk) || disk != run->new_path) {
    return false;
  }
  if (run->options->overwrite) {
    *outcome = overwrite_target(run, taken);
    return true;
  }
  keep_new_name(run);
  if (in_date_mode(*run)) {
    *taken = true;
    *outcome = kNotFound;
  } else {
    *outcome = count_failure("存在済", run);
  }
  return true;
}

// Where the platform's move reports a taken name itself, no look-up
// precedes it: the same lines, counts and outcomes at one call per entry.
RenameOutcome move_first(RunContext* run, bool* taken) {
  if (is_open_log_file(run->path)) return report_log_refused(run);
  RenameOutcome outcome;
  switch (journaled_move(run->path, run->new_path, run->entry_is_directory,
                         run->journal)) {
    case MoveResult::kMoved:
      return report_moved(run);
    case MoveResult::kTargetExists:
      if (handle_existing_target(run, taken, &outcome)) return outcome;
      return plain_move(run);
    case MoveResult::kNameTooLong:
      return report_too_long(run);
    case MoveResult::kFailed:
      // A move onto the open log is refused before the target is looked
      // for, but that name is taken all the same.
      if (is_open_log_file(run->new_path) &&
          handle_existing_target(run, taken, &outcome)) {
        return outcome;
      }
      break;
  }
  return report_refused(run);
}

RenameOutcome perform(RunContext* run, bool* taken) {
  if (run->path == run->new_path) {
    if (run->options->show_unchanged) print_message("%s\n", run->path.c_str());
    return kNotRenamed;
  }
  if (!run->options->test_mode && move_reports_existing_target()) {
    return move_first(run, taken);
  }
  RenameOutcome outcome;
  if (probe_target(run->new_path) != kTargetMissing &&
      handle_existing_target(run, taken, &outcome)) {
    return outcome;
  }
  return plain_move(run);
}

// One try with the new string as it stands. `*full_new_path` (may be null)
// receives the new path before it is cut down to the name.
RenameOutcome attempt(RunContext* run, bool* taken,
                      std::string* full_new_path) {
  if (!compute_new_path(run->path, run->name_offset, run->old_pattern,
                        run->new_string,
                        name_change(*run->options), &run->new_path)) {
    if (run->options->show_unchanged) print_message("%s\n", run->path.c_str());
    return kNotRenamed;
  }
  if (run->new_path.size() >= kPathLengthLimit) {
    abort_run("パス名が長すぎます:%s", run->new_path.c_str());
  }
  if (full_new_path != nullptr) *full_new_path = run->new_path;
  return perform(run, taken);
}

// run->new_string for date attempt `k`.
void set_date_string(const CalendarTime& local, int64_t k, RunContext* run) {
  std::string date =
      make_date_text(local, static_cast<int>(k), date_naming(*run->options));
  if (!insert_date_text(run->new_string_template, date, &run->new_string)) {
    abort_run("メモリー不足で改名できません。");
  }
}

// The new path of date attempt `k`; false when the name would be too long.
bool date_attempt_path(const CalendarTime& local, int64_t k, RunContext* run,
                       std::string* path) {
  set_date_string(local, k, run);
  return compute_new_path(run->path, run->name_offset, run->old_pattern,
                        run->new_string,
                          name_change(*run->options), path);
}

// Attempt k only inserts "-k" after the date text, at the same place for
// every k; two entries whose attempts 1 to 3 give the same paths therefore
// agree on every attempt. Empty when a name would be too long.
std::string suffix_key(const CalendarTime& local, RunContext* run) {
  std::string key;
  std::string path;
  for (int64_t k = 1; k <= 3; ++k) {
    if (!date_attempt_path(local, k, run, &path)) return std::string();
    key += path;
    key += '\0';
  }
  return key;
}

int64_t known_taken(const DateSuffixCache* cache, const std::string& key) {
  if (cache == nullptr || key.empty()) return 0;
  auto found = cache->taken_attempts.find(key);
  return found == cache->taken_attempts.end() ? 0 : found->second;
}

void note_taken(DateSuffixCache* cache, const std::string& key, int64_t k,
                const std::string& path) {
  if (cache == nullptr || key.empty()) return;
  cache->taken_attempts[key] = k;
  cache->taken_paths.insert(path);
}

// After a real move: the old name is free again, which may undo what the
// cache knows; otherwise the new name extends a chain of taken names.
void note_moved(DateSuffixCache* cache, const std::string& key, int64_t k,
                bool chain_intact, const RunContext& run,
                const std::string& new_path) {
  if (cache == nullptr) return;
  if (cache->taken_paths.count(run.path) != 0) {
    cache->taken_attempts.clear();
    cache->taken_paths.clear();
    return;
  }
  if (chain_intact && k > 1) note_taken(cache, key, k, new_path);
}

// Every duplicate number up to the limit is taken.
RenameOutcome report_suffixes_used_up(const CalendarTime& local, int64_t last,
                                      bool last_skipped, RunContext* run) {
  std::string path;
  if (last_skipped && date_attempt_path(local, last, run, &path)) {
    run->new_path = strip_directory(path);
  }
  return count_failure("存在済", run);
}

RenameOutcome rename_by_date(const FindRecord& record, RunContext* run,
                             DateSuffixCache* cache) {
  const CalendarTime local = local_calendar_time(record.write_time);
  const int64_t limit = run->options->date_suffix_limit;
  const std::string key =
      cache != nullptr ? suffix_key(local, run) : std::string();
  const int64_t known = known_taken(cache, key);
  bool chain_intact = true;  // attempts 1 .. k-1 are all known taken
  std::string new_path;
  for (int64_t k = known + 1;; ++k) {
    if (k > 1 && k > limit) {
      return report_suffixes_used_up(local, k - 1, k - 1 <= known, run);
    }
    set_date_string(local, k, run);
    bool taken = false;
    RenameOutcome outcome = attempt(run, &taken, &new_path);
    if (outcome != kNotFound) {
      if (outcome == kRenamed && !run->options->test_mode) {
        note_moved(cache, key, k, chain_intact, *run, new_path);
      }
      return outcome;
    }
    chain_intact = chain_intact && taken;
    if (chain_intact) note_taken(cache, key, k, new_path);
  }
}

}  // namespace

RenameOutcome rename_entry(const FindRecord& record, RunContext* run,
                           DateSuffixCache* cache) {
  run->entry_is_directory = (record.attributes & kAttrDirectory) != 0;
  if (in_date_mode(*run)) return rename_by_date(record, run, cache);
  bool taken = false;
  return attempt(run, &taken, nullptr);
}

RenameOutcome report_failure(const char* label, RunContext* run) {
  return count_failure(label, run);
}

RenameOutcome perform_rename(RunContext* run) {
  bool taken = false;
  return perform(run, &taken);
}

}  // namespace kavo

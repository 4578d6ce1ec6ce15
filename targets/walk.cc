#include "targets/walk.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "targets/options.h"
#include "filters/filters.h"
#include "names/date_name.h"
#include "names/pattern.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "targets/rename.h"
#include "text/path_text.h"

namespace kavo {

namespace {

bool has_directory_bit(const FindRecord& record) {
  return (record.attributes & kAttrDirectory) != 0;
}

bool matches_pattern(const FindRecord& record, const RunContext& run) {
  return entry_matches_pattern(
      record, run.file_pattern ? &*run.file_pattern : nullptr,
      run.pattern_is_short_name);
}

// Puts `name` in place of what follows `offset` in run->path, refusing a
// path that would reach kPathLengthLimit.
void set_entry_name(size_t offset, const std::string& name, RunContext* run) {
  run->path.resize(offset);
  if (offset + name.size() >= kPathLengthLimit) {
    abort_run("パス名が長すぎます:%s", (run->path + name).c_str());
  }
  run->path += name;
}

// Whether the listing keeps `record` for the rename pass: every directory
// (it may be renamed or entered), and the files the pattern selects.
bool keep_in_snapshot(const FindRecord& record, const RunContext& run) {
  if (record.name == "." || record.name == "..") return false;
  if (has_directory_bit(record)) return true;
  if (run.options->select_dirs && !run.options->select_files) return false;
  return matches_pattern(record, run);
}

// Lists the directory run->path completely before anything in it is
// renamed, so that a renamed entry never shows up a second time.
bool take_snapshot(const RunContext& run, std::vector<FindRecord>* snapshot) {
  DirectorySearchHandle search(directory_search_open(run.path));
  if (search == nullptr) return false;
  try {
    FindRecord record;
    while (directory_search_next(search.get(), &record)) {
      if (keep_in_snapshot(record, run)) snapshot->push_back(std::move(record));
    }
  } catch (const std::bad_alloc&) {
    abort_run(snapshot->empty() ? "メモリー不足"
                                : "メモリー不足で改名できません。");
  }
  return true;
}

// Notes an entry that a filter excluded.
void report_excluded(const char* label, const RunContext& run,
                     RenameOutcome* outcome) {
  *outcome = merge_outcome(*outcome, kNotRenamed);
  if (run.options->show_skipped)
    print_message("%s:%s\n", label, run.path.c_str());
}

// Whether the entry is to be renamed (the file kinds and the pattern).
bool is_candidate(const FindRecord& record, bool listed_as_directory,
                  const RunContext& run) {
  if (has_directory_bit(record)) {
    return run.options->select_dirs && matches_pattern(record, run);
  }
  // A directory of the listing that has become a file was never matched.
  return run.options->select_files &&
         (!listed_as_directory || matches_pattern(record, run));
}

bool is_excluded(const FindRecord& record, const RunContext& run) {
  return has_directory_bit(record)
             ? directory_excluded(*run.filters, run.path, record)
             : file_excluded(*run.filters, run.path, record);
}

// Renames a candidate that no filter excludes; false when one does or the
// entry has vanished. A directory renamed under /d is known by its new name
// from here on.
bool rename_candidate(size_t offset, const FindRecord& record,
                      DateSuffixCache* cache, RunContext* run,
                      RenameOutcome* outcome) {
  const bool is_directory = has_directory_bit(record);
  if (is_excluded(record, *run)) {
    report_excluded(is_directory ? "DIR対象外" : "対象外", *run, outcome);
    return false;
  }
  RenameOutcome entry = rename_entry(record, run, cache);
  if (entry == kNoOutcome) return false;
  *outcome = merge_outcome(*outcome, entry);
  const RunOptions& options = *run->options;
  if (is_directory && entry == kRenamed && options.recurse_subdirs &&
      !options.test_mode) {
    set_entry_name(offset, run->new_path, run);
  }
  return true;
}

// Walks the subdirectory at run->path unless a filter excludes it (asked
// here only when its rename did not ask already).
void descend(const FindRecord& record, bool checked, RunContext* run,
             RenameOutcome* outcome) {
  if (!checked && directory_excluded(*run->filters, run->path, record)) {
    report_excluded("DIR対象外", *run, outcome);
    return;
  }
  // The subdirectory's text with its separator must stay below the path
  // length limit too, even when nothing in it would be named.
  run->path += '\\';
  if (run->path.size() >= kPathLengthLimit) {
    abort_run("パス名が長すぎます:%s", run->path.c_str());
  }
  *outcome = merge_outcome(*outcome, walk_directory(run->path.size(), run));
}

// Whether the rename pass needs more of an entry than the listing gave.
// A listing may leave the attributes, times and size to one look-up per
// entry, made just before the entry is handled since it may have changed
// meanwhile. A directory always gets it: it may have become a link or a
// file, which is never entered. A file gets it only for date naming or a
// filter on attributes, size or times; otherwise a file gone by now is
// noticed when its move fails, and the look-up is saved.
bool needs_entry_details(const FindRecord& record, const RunContext& run) {
  if (record.complete) return false;
  return has_directory_bit(record) || run.options->date_format != kDateOff ||
         filters_read_entry_details(*run.filters);
}

// The rename pass of one snapshot entry, with the descent under /d.
void process_entry(size_t offset, FindRecord* record, DateSuffixCache* cache,
                   RunContext* run, RenameOutcome* outcome) {
  const bool listed_as_directory = has_directory_bit(*record);
  set_entry_name(offset, record->name, run);
  if (needs_entry_details(*record, *run) &&
      !complete_entry(run->path, record)) {
    return;
  }
  bool checked = false;
  if (is_candidate(*record, listed_as_directory, *run)) {
    if (!rename_candidate(offset, *record, cache, run, outcome)) return;
    checked = true;
  }
  if (has_directory_bit(*record) && run->options->recurse_subdirs) {
    descend(*record, checked, run, outcome);
  }
}

}  // namespace

RenameOutcome walk_directory(size_t offset, RunContext* run) {
  run->path.resize(offset);
  std::vector<FindRecord> snapshot;
  if (!take_snapshot(*run, &snapshot)) return kNotFound;
  if (run->options->sort_names) {
    std::sort(snapshot.begin(), snapshot.end(), compare_entries);
  }
  DateSuffixCache cache;
  RenameOutcome outcome = kNotFound;
  for (FindRecord& record : snapshot) {
    // A stop signal ends the run between two entries, like a failure.
    if (stop_requested()) throw RunStopped{};
    process_entry(offset, &record, &cache, run, &outcome);
  }
  return outcome;
}

RenameOutcome rename_single_target(size_t offset, RunContext* run) {
  const bool marker = run->name_pattern == kDirectoryMarker;
  std::string given;
  if (marker) {
    // The directory itself: its path without the final separator. A drive
    // or share root, or a drive letter alone, has no name to rename.
    if (run->path.empty() || run->path.back() != '\\') return kNotFound;
    run->path.pop_back();
    given = run->path.substr(name_start(run->path));
    if (given.empty() || given == "." || given == "..") return kNotFound;
  } else {
    if (!run->name_pattern || run->name_pattern->empty()) return kNotFound;
    given = *run->name_pattern;
    set_entry_name(offset, given, run);
  }
  FindRecord record;
  if (!find_entry(run->path, &record)) return kNotFound;
  if (!run->options->name_case_fold && record.name != given) return kNotFound;
  // Continue under the name as the file system stores it.
  size_t start = marker ? name_start(run->path) : offset;
  set_entry_name(start, record.name, run);
  return rename_entry(record, run);
}

bool compare_entries(const FindRecord& a, const FindRecord& b) {
  bool a_directory = has_directory_bit(a);
  if (a_directory != has_directory_bit(b)) return a_directory;
  // std::string compares its bytes as unsigned values.
  return a.name < b.name;
}

}  // namespace kavo

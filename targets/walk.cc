#include "targets/walk.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "filters/filters.h"
#include "names/date_name.h"
#include "names/pattern.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "targets/options.h"
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
  run->name_offset = offset;
  if (offset + name.size() >= kPathLengthLimit) {
    run->path.resize(offset);
    abort_run("パス名が長すぎます:%s", (run->path + name).c_str());
  }
  run->path.replace(offset, std::string::npos, name);
}

// Whether the listing keeps `record` for the rename pass: every directory
// (it may be renamed or entered), and the files the pattern selects.
bool keep_in_snapshot(const FindRecord& record, const RunContext& run) {
  const std::string& name = record.name;
  if (name[0] == '.' && (name.size() == 1 || name == "..")) return false;
  if (has_directory_bit(record)) return true;
  if (run.options->select_dirs && !run.options->select_files) return false;
  return matches_pattern(record, run);
}

// The details index of a snapshot entry that has no record of details.
constexpr uint32_t kNoDetails = UINT32_MAX;

// One entry of a snapshot; its name lies in Snapshot::names.
struct SnapshotEntry {
  uint64_t name_prefix;  // see name_prefix()
  uint32_t name_offset;
  uint32_t name_length;
  uint32_t attributes;
  uint32_t details;  // index in Snapshot::details, or kNoDetails
};

// A directory's listing as the rename pass needs it. A listing that gives
// only names and directory bits costs one small entry and the name's bytes
// per entry; the records of a listing that gives every detail are kept
// beside them, so the rename pass needs no look-up for those.
struct Snapshot {
  std::string names;
  std::vector<SnapshotEntry> entries;
  std::vector<FindRecord> details;  // their names left empty
};

// The first eight bytes of `name` as one big-endian number, zeros after a
// shorter name. No name holds a zero byte, so two names whose prefixes
// differ are ordered as their prefixes are, and the sort compares the
// names' bytes only when they begin alike.
uint64_t name_prefix(std::string_view name) {
  unsigned char bytes[8] = {};
  name.copy(reinterpret_cast<char*>(bytes), sizeof bytes);
  uint64_t prefix = 0;
  for (unsigned char byte : bytes) prefix = prefix << 8 | byte;
  return prefix;
}

void add_to_snapshot(FindRecord* record, Snapshot* snapshot) {
  // The offsets are 32 bits wide: a directory whose names take more is
  // beyond what the snapshot can hold.
  if (snapshot->names.size() + record->name.size() > UINT32_MAX) {
    throw std::bad_alloc();
  }
  SnapshotEntry entry{name_prefix(record->name),
                      static_cast<uint32_t>(snapshot->names.size()),
                      static_cast<uint32_t>(record->name.size()),
                      record->attributes, kNoDetails};
  snapshot->names += record->name;
  if (record->complete) {
    entry.details = static_cast<uint32_t>(snapshot->details.size());
    record->name.clear();
    snapshot->details.push_back(*record);
  }
  snapshot->entries.push_back(entry);
}

// Fills `*record` with what the snapshot holds of `entry`, reusing its
// storage.
void load_entry(const Snapshot& snapshot, const SnapshotEntry& entry,
                FindRecord* record) {
  if (entry.details != kNoDetails) {
    *record = snapshot.details[entry.details];
  } else {
    record->attributes = entry.attributes;
    record->creation_time = record->access_time = record->write_time = 0;
    record->size = 0;
    record->short_name.clear();
    record->complete = false;
  }
  record->name.assign(snapshot.names, entry.name_offset, entry.name_length);
}

// Lists the directory run->path completely before anything in it is
// renamed, so that a renamed entry never shows up a second time.
bool take_snapshot(const RunContext& run, Snapshot* snapshot) {
  DirectorySearchHandle search(directory_search_open(run.path));
  if (search == nullptr) return false;
  try {
    FindRecord record;
    while (directory_search_next(search.get(), &record)) {
      if (keep_in_snapshot(record, run)) add_to_snapshot(&record, snapshot);
    }
  } catch (const std::bad_alloc&) {
    abort_run(snapshot->entries.empty() ? "メモリー不足"
                                        : "メモリー不足で改名できません。");
  }
  return true;
}

// Order of names in a snapshot: by their bytes as unsigned values.
struct NameOrder {
  const char* names;
  bool operator()(const SnapshotEntry& a, const SnapshotEntry& b) const {
    if (a.name_prefix != b.name_prefix) return a.name_prefix < b.name_prefix;
    // std::string_view compares its bytes as unsigned values.
    return std::string_view(names + a.name_offset, a.name_length) <
           std::string_view(names + b.name_offset, b.name_length);
  }
};

// Puts the directories first, then orders each part by name.
void sort_snapshot(Snapshot* snapshot) {
  auto begin = snapshot->entries.begin();
  auto end = snapshot->entries.end();
  auto files = std::partition(begin, end, [](const SnapshotEntry& entry) {
    return (entry.attributes & kAttrDirectory) != 0;
  });
  NameOrder order{snapshot->names.data()};
  std::sort(begin, files, order);
  std::sort(files, end, order);
}

// The rename pass over one directory's snapshot.
struct DirectoryPass {
  size_t offset = 0;  // where the entries' names begin in run->path
  // Whether a file needs more than the listing gave (needs_entry_details).
  bool files_need_details = false;
  DateSuffixCache cache;
  RenameOutcome outcome = kNotFound;
};

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
bool rename_candidate(const FindRecord& record, DirectoryPass* pass,
                      RunContext* run) {
  const bool is_directory = has_directory_bit(record);
  if (is_excluded(record, *run)) {
    report_excluded(is_directory ? "DIR対象外" : "対象外", *run,
                    &pass->outcome);
    return false;
  }
  RenameOutcome entry = rename_entry(record, run, &pass->cache);
  if (entry == kNoOutcome) return false;
  pass->outcome = merge_outcome(pass->outcome, entry);
  const RunOptions& options = *run->options;
  if (is_directory && entry == kRenamed && options.recurse_subdirs &&
      !options.test_mode) {
    set_entry_name(pass->offset, run->new_path, run);
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
bool needs_entry_details(const FindRecord& record, const DirectoryPass& pass) {
  if (record.complete) return false;
  return has_directory_bit(record) || pass.files_need_details;
}

// Whether every file needs the look-up (the same for the whole run).
bool files_need_details(const RunContext& run) {
  return run.options->date_format != kDateOff ||
         filters_read_entry_details(*run.filters);
}

// The rename pass of one snapshot entry, with the descent under /d.
void process_entry(FindRecord* record, DirectoryPass* pass, RunContext* run) {
  const bool listed_as_directory = has_directory_bit(*record);
  set_entry_name(pass->offset, record->name, run);
  if (needs_entry_details(*record, *pass) &&
      !complete_entry(run->path, record)) {
    return;
  }
  bool checked = false;
  if (is_candidate(*record, listed_as_directory, *run)) {
    if (!rename_candidate(*record, pass, run)) return;
    checked = true;
  }
  if (has_directory_bit(*record) && run->options->recurse_subdirs) {
    descend(*record, checked, run, &pass->outcome);
  }
}

}  // namespace

RenameOutcome walk_directory(size_t offset, RunContext* run) {
  run->path.resize(offset);
  Snapshot snapshot;
  if (!take_snapshot(*run, &snapshot)) return kNotFound;
  if (run->options->sort_names) sort_snapshot(&snapshot);
  DirectoryPass pass;
  pass.offset = offset;
  pass.files_need_details = files_need_details(*run);
  FindRecord record;
  for (const SnapshotEntry& entry : snapshot.entries) {
    // A stop signal ends the run between two entries, like a failure.
    if (stop_requested()) throw RunStopped{};
    load_entry(snapshot, entry, &record);
    process_entry(&record, &pass, run);
  }
  return pass.outcome;
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

}  // namespace kavo

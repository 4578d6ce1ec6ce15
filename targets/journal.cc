#include "targets/journal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "output/channels.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace kavo {
namespace {

constexpr char kRunSuffix[] = ".run";
constexpr char kUndoSuffix[] = ".undo";
constexpr char kDoneSuffix[] = ".done";
constexpr size_t kNumberDigits = 8;

// The fields each tag carries.
int field_count(char tag) {
  switch (tag) {
    case 'K':
    case 'W':
    case 'A':
    case 'U':
      return 1;
    case 'M':
    case 'D':
    case 'X':
      return 2;
    case 'R':
      return 3;
    case 'F':
      return 0;
  }
  return -1;
}

void append_field(std::string_view field, std::string* out) {
  out->append(field);
  out->push_back('\0');
}

// A record of `tag` with its fields, as the file holds it.
void make_record(char tag, std::initializer_list<std::string_view> fields,
                 std::string* out) {
  out->push_back(tag);
  out->push_back('\0');
  for (std::string_view field : fields) append_field(field, out);
  out->push_back('\n');
}

// The running number of a journal named `name`, with its suffix; false for
// any other name.
bool parse_journal_name(const std::string& name, uint64_t* number,
                        std::string* suffix) {
  if (name.size() <= kNumberDigits || name[kNumberDigits] != '.') return false;
  *number = 0;
  for (size_t i = 0; i < kNumberDigits; ++i) {
    if (!is_digit(name[i])) return false;
    *number = *number * 10 + (name[i] - '0');
  }
  *suffix = name.substr(kNumberDigits);
  return *suffix == kRunSuffix || *suffix == kUndoSuffix ||
         *suffix == kDoneSuffix;
}

struct JournalName {
  uint64_t number = 0;
  std::string name;
  std::string suffix;
};

// The journals the state directory `dir` holds.
std::vector<JournalName> list_journals(const std::string& dir) {
  std::vector<JournalName> found;
  DirectorySearchHandle search(directory_search_open(dir));
  if (search == nullptr) return found;
  FindRecord record;
  JournalName journal;
  while (directory_search_next(search.get(), &record)) {
    if (parse_journal_name(record.name, &journal.number, &journal.suffix)) {
      journal.name = record.name;
      found.push_back(journal);
    }
  }
  return found;
}

std::string journal_file_name(uint64_t number, const std::string& suffix) {
  char digits[32];
  snprintf(digits, sizeof digits, "%0*llu", static_cast<int>(kNumberDigits),
           static_cast<unsigned long long>(number));
  return digits + suffix;
}

// Makes the journal file after the newest one and removes those beyond the
// last kJournalsKept. Another run starting at the same moment may take the
// same number first: then the next one is tried.
bool create_journal(RunJournal* journal) {
  const std::string dir = state_directory();
  if (dir.empty()) return false;
  std::vector<JournalName> found = list_journals(dir);
  uint64_t newest = 0;
  for (const JournalName& j : found) newest = std::max(newest, j.number);
  uint64_t number = newest + 1;
  for (const JournalName& j : found) {
    if (j.number + kJournalsKept <= number) delete_entry(dir + j.name);
  }
  for (int tries = 0; tries < 10 && journal->file == nullptr; ++tries) {
    journal->path = dir + journal_file_name(number + tries, journal->suffix);
    journal->file.reset(append_file_create(journal->path));
  }
  return journal->file != nullptr &&
         append_file_write(journal->file.get(), journal->header);
}

// A journal that cannot be written is given up, with one warning: the run
// goes on. What was written is removed, since undo would take back only
// part of the run.
void give_up(RunJournal* journal) {
  print_error_note("改名記録が書けません。この実行は取り消せません。\n");
  journal->broken = true;
  if (journal->file != nullptr) {
    journal->file.reset();
    delete_entry(journal->path);
  }
}

// Writes journal->record, making the file first; one write per record, done
// before the caller goes on.
void write_record(RunJournal* journal) {
  if (journal->broken) return;
  if (journal->file == nullptr && !create_journal(journal)) {
    give_up(journal);
    return;
  }
  if (!append_file_write(journal->file.get(), journal->record)) {
    give_up(journal);
  }
}

// The paths come from the move's own lookup of its ends where it made one.
void record_move(char tag, const PreparedMove& move, std::string_view ticket,
                 RunJournal* journal) {
  if (journal == nullptr || journal->broken) return;
  // Built in place: a move's record costs no string of its own.
  std::string& record = journal->record;
  record.clear();
  record.push_back(tag);
  record.push_back('\0');
  append_stored_move_end(move, false, &record);
  record.push_back('\0');
  append_stored_move_end(move, true, &record);
  record.push_back('\0');
  if (tag == 'R') append_field(ticket, &record);
  record.push_back('\n');
  write_record(journal);
}

void record_outcome(bool moved, RunJournal* journal) {
  if (journal == nullptr || journal->broken) return;
  if (moved) {
    journal->moved = true;
    return;
  }
  journal->record.clear();
  make_record('F', {}, &journal->record);
  write_record(journal);
}

// The next NUL-ended field of `bytes` from `*at`; false when cut short.
bool read_field(const std::string& bytes, size_t* at, std::string* field) {
  size_t end = bytes.find('\0', *at);
  if (end == std::string::npos) return false;
  field->assign(bytes, *at, end - *at);
  *at = end + 1;
  return true;
}

}  // namespace

void journal_begin(const std::vector<std::string>& words,
                   const std::string& undo_of, RunJournal* journal) {
  journal->suffix = undo_of.empty() ? kRunSuffix : kUndoSuffix;
  journal->header.clear();
  make_record('K', {"1"}, &journal->header);
  make_record('W', {stored_full_path(std::string())}, &journal->header);
  for (const std::string& word : words) {
    make_record('A', {stored_text(word)}, &journal->header);
  }
  if (!undo_of.empty()) {
    make_record('U', {stored_full_path(undo_of)}, &journal->header);
  }
}

// Both ends are looked up once, for the record and for the move.
MoveResult journaled_move(const std::string& from, const std::string& to,
                          bool directory, RunJournal* journal) {
  PreparedMove move;
  prepare_move(from, to, &move);
  record_move(directory ? 'D' : 'M', move, {}, journal);
  MoveResult result = move_prepared(move);
  record_outcome(result == MoveResult::kMoved, journal);
  return result;
}

// The target leaves for the trash before the source takes its name; if the
// source cannot follow, the target comes back, so a refused overwrite loses
// nothing. Where no trash takes the target, one replacing move as before.
bool journaled_replace(const std::string& from, const std::string& to,
                       RunJournal* journal) {
  uint32_t attributes = get_attributes(to);
  if (attributes != kAttrMissing && (attributes & kAttrReadOnly) != 0) {
    return false;
  }
  std::string ticket;
  const PreparedMove ends{&from, &to};  // no lookup: paths converted alone
  if (attributes == kAttrMissing || !trash_reserve(to, &ticket)) {
    record_move(attributes == kAttrMissing ? 'M' : 'X', ends, ticket, journal);
    bool replaced = replace_entry(from, to);
    record_outcome(replaced, journal);
    return replaced;
  }
  record_move('R', ends, ticket, journal);
  bool replaced = false;
  if (!trash_move(to, ticket)) {
    trash_release(ticket);
  } else if (move_entry(from, to) == MoveResult::kMoved) {
    replaced = true;
  } else {
    trash_restore(ticket, to);
  }
  record_outcome(replaced, journal);
  return replaced;
}

void journal_end(RunJournal* journal) {
  if (journal->file == nullptr) return;
  journal->file.reset();
  if (!journal->moved) delete_entry(journal->path);
}

bool journal_latest_run(std::string* path) {
  const std::string dir = state_directory();
  if (dir.empty()) return false;
  const JournalName* latest = nullptr;
  std::vector<JournalName> found = list_journals(dir);
  for (const JournalName& j : found) {
    if (j.suffix == kRunSuffix && (!latest || j.number > latest->number)) {
      latest = &j;
    }
  }
  if (latest == nullptr) return false;
  *path = dir + latest->name;
  return true;
}

std::vector<JournalRecord> journal_parse(const std::string& bytes) {
  std::vector<JournalRecord> records;
  std::string tag;
  std::string fields[3];
  for (size_t at = 0; at < bytes.size();) {
    if (!read_field(bytes, &at, &tag) || tag.size() != 1) break;
    int count = field_count(tag[0]);
    bool whole = count >= 0;
    for (int i = 0; whole && i < count; ++i) {
      whole = read_field(bytes, &at, &fields[i]);
    }
    if (!whole || at >= bytes.size() || bytes[at] != '\n') break;
    ++at;
    JournalRecord record;
    switch (tag[0]) {
      case 'M':
        record.kind = JournalKind::kMove;
        break;
      case 'D':
        record.kind = JournalKind::kDirectory;
        break;
      case 'R':
        record.kind = JournalKind::kReplace;
        record.ticket = fields[2];
        break;
      case 'X':
        record.kind = JournalKind::kReplaceDeleted;
        break;
      case 'F':
        if (!records.empty()) records.pop_back();
        continue;
      default:
        continue;
    }
    record.old_path = internal_from_stored_path(fields[0]);
    record.new_path = internal_from_stored_path(fields[1]);
    records.push_back(std::move(record));
  }
  return records;
}

bool journal_mark_taken_back(const std::string& path) {
  size_t dot = path.rfind('.');
  return move_entry(path, path.substr(0, dot) + kDoneSuffix) ==
         MoveResult::kMoved;
}

}  // namespace kavo

// The run journal: every move a run makes is written down before it is
// made, so that /undo can take the run back even after it was killed half
// way, and so that nothing an overwrite replaces is lost (it goes to the
// trash, and the journal says where).
//
// One file per run in the state directory, named by a running number:
// `00000012.run` (a run), `00000013.undo` (an undo run), `00000012.done`
// (a run that has been taken back). The last kJournalsKept are kept. The
// file is a sequence of records, each a tag, its fields and a line end,
// every tag and field ended by a NUL byte (no name holds one). Paths are
// full paths in the bytes the file system holds.
//   K 1            the format
//   W dir          the working directory
//   A arg          one argument of the command line (as typed)
//   U name         (undo runs) the journal being taken back
//   M old new      a move
//   D old new      a move of a directory
//   R old new tkt  a replacing move whose target went to the trash as `tkt`
//   X old new      a replacing move whose target was deleted (no trash)
//   F              the move just recorded did not happen

#ifndef KAVO_TARGETS_JOURNAL_H_
#define KAVO_TARGETS_JOURNAL_H_

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kavo {

constexpr size_t kJournalsKept = 20;

enum class JournalKind { kMove, kDirectory, kReplace, kReplaceDeleted };

// One move as a journal holds it; the paths in internal form.
struct JournalRecord {
  JournalKind kind = JournalKind::kMove;
  std::string old_path;
  std::string new_path;
  std::string ticket;  // kReplace: where the replaced file lies in the trash
};

// The journal of the run at hand. The file is made by the first record.
struct RunJournal {
  std::string header;  // the records before the first move
  std::string suffix;  // ".run" or ".undo"
  std::string path;    // the file once made (internal path)
  std::string record;  // scratch for the record being written
  AppendFileHandle file;
  bool broken = false;  // could not be written: warned once, not tried again
  bool moved = false;   // some move of the run happened
};

// Readies `*journal` for a run (`undo_of` empty) or for an undo run taking
// back the journal `undo_of`; `words` is the command line as typed.
void journal_begin(const std::vector<std::string>& words,
                   const std::string& undo_of, RunJournal* journal);

// move_entry, written down before it is made (`journal` may be null).
MoveResult journaled_move(const std::string& from, const std::string& to,
                          bool directory, RunJournal* journal);

// Replaces the file `to` by `from`, the old `to` going to the trash first
// (deleted where no trash can take it), written down before. False when
// nothing was replaced: `to` then is as it was. Refused for a read-only `to`.
bool journaled_replace(const std::string& from, const std::string& to,
                       RunJournal* journal);

// Closes the journal; one whose run moved nothing is removed.
void journal_end(RunJournal* journal);

// The newest run journal not taken back yet (undo runs never count); false
// when there is none.
bool journal_latest_run(std::string* path);

// The moves `bytes` (a journal's contents) records, in order, leaving out
// those that did not happen. A record cut short at the end is ignored.
std::vector<JournalRecord> journal_parse(const std::string& bytes);

// Marks the run journal at `path` as taken back.
bool journal_mark_taken_back(const std::string& path);

}  // namespace kavo

#endif  // KAVO_TARGETS_JOURNAL_H_

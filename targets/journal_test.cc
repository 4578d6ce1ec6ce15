#include "targets/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace kavo {
namespace {

using std::string_literals::operator""s;

// What undo reads back: every kind with its fields, a move that did not
// happen left out, and a record cut short by a kill ignored.
TEST(JournalTest, ReadsTheMovesThatHappened) {
  const std::string bytes =
      "K\0001\0\nW\0/w\0\nA\0kavo\0\n"
      "D\0/w/a\0/w/b\0\nM\0/w/b/c\0/w/b/d\0\n"
      "M\0/w/e\0/w/f\0\nF\0\n"
      "R\0/w/g\0/w/h\0ticket 1\0\nX\0/w/i\0/w/j\0\n"
      "M\0/w/k\0/w/"s;
  std::vector<JournalRecord> records = journal_parse(bytes);
  ASSERT_EQ(records.size(), 4u);
  const JournalKind kinds[] = {JournalKind::kDirectory, JournalKind::kMove,
                               JournalKind::kReplace,
                               JournalKind::kReplaceDeleted};
  const char* const names[] = {"a", "b/c", "g", "i"};
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].kind, kinds[i]);
    EXPECT_EQ(records[i].old_path,
              internal_from_stored_path("/w/"s + names[i]));
  }
  EXPECT_EQ(records[1].new_path, internal_from_stored_path("/w/b/d"));
  EXPECT_EQ(records[2].ticket, "ticket 1");
}

}  // namespace
}  // namespace kavo

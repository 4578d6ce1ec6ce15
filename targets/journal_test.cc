#include "targets/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace kavo {
namespace {

using std::string_literals::operator""s;

// What undo reads back: every kind with its fields, a move that did not
// happen left out, and a record cut short by a kill ignored.
TEST(JournalTest, ReadsTheMovesThatHappened) {
  const std::string bytes =
      "K\0001\0\nW\0/w\0\nA\0kavo\0\nD\0/w/a\0/w/b\0\nM\0/w/b/c\0/w/b/d\0\n"
      "M\0/w/e\0/w/f\0\nF\0\nR\0/w/g\0/w/h\0ticket 1\0\nX\0/w/i\0/w/j\0\n"
      "M\0/w/k\0/w/"s;
  auto p = internal_from_stored_path;
  const JournalRecord want[] = {
      {JournalKind::kDirectory, p("/w/a"), p("/w/b"), ""},
      {JournalKind::kMove, p("/w/b/c"), p("/w/b/d"), ""},
      {JournalKind::kReplace, p("/w/g"), p("/w/h"), "ticket 1"},
      {JournalKind::kReplaceDeleted, p("/w/i"), p("/w/j"), ""}};
  auto fields = [](const JournalRecord& r) {
    return std::tie(r.kind, r.old_path, r.new_path, r.ticket);
  };
  std::vector<JournalRecord> got = journal_parse(bytes);
  ASSERT_EQ(got.size(), std::size(want));
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_EQ(fields(got[i]), fields(want[i]));
}

}  // namespace
}  // namespace kavo

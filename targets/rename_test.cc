#include "targets/rename.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "driver/options.h"
#include "driver/run_context.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "platform/test_support.h"
#include "targets/walk.h"

namespace kavo {
namespace {

class RenameTest : public ::testing::Test {
 protected:
  RenameTest() {
    run_.options = &options_;
    run_.filters = &filters_;
    channels_reset();
  }

  // perform_rename from `from` to `to` (names in the scratch directory);
  // `*out` receives the result lines it printed.
  RenameOutcome rename(const std::string& from, const std::string& to,
                       std::string* out) {
    run_.path = dir_.internal(from);
    run_.new_path = dir_.internal(to);
    kavo_testing::CapturedOutput captured(dir_);
    RenameOutcome outcome = kNoOutcome;
    try {
      outcome = perform_rename(&run_);
    } catch (const RunStopped&) {
      stopped_ = true;
    }
    *out = captured.out();
    return outcome;
  }

  kavo_testing::ScratchDir dir_;
  RunOptions options_;
  FilterSet filters_;
  RunContext run_;
  bool stopped_ = false;
};

TEST_F(RenameTest, PlainMoveShowsTheNewNameAlone) {
  ASSERT_TRUE(dir_.write("a.txt", "A"));
  std::string out;
  EXPECT_EQ(rename("a.txt", "b.txt", &out), kRenamed);
  EXPECT_EQ(out, dir_.internal("a.txt") + "→b.txt\n");
  EXPECT_EQ(run_.new_path, "b.txt");
  EXPECT_EQ(dir_.read("b.txt"), "A");
  EXPECT_FALSE(dir_.exists("a.txt"));
  EXPECT_EQ(run_.counters.renamed_count, 1);
}

// No look-up precedes the move: the move itself must refuse a target that
// exists by then, and the target keeps its content.
TEST_F(RenameTest, TakenNameIsNeverReplacedByAPlainMove) {
  ASSERT_TRUE(dir_.write("a.txt", "A"));
  ASSERT_TRUE(dir_.write("b.txt", "B"));
  std::string out;
  EXPECT_EQ(rename("a.txt", "b.txt", &out), kNoOutcome);
  EXPECT_TRUE(stopped_);
  EXPECT_EQ(out, "存在済:" + dir_.internal("a.txt") + "≠b.txt\n");
  EXPECT_EQ(dir_.read("b.txt"), "B");
  EXPECT_EQ(dir_.read("a.txt"), "A");
  EXPECT_EQ(run_.counters.failed_count, 1);
  EXPECT_EQ(run_.counters.renamed_count, 0);
}

TEST_F(RenameTest, RefusedMoveInDateModeAsksForTheNextName) {
  options_.date_format = 1;
  ASSERT_TRUE(dir_.write("a.txt", "A"));
  ASSERT_TRUE(dir_.write("b.txt", "B"));
  std::string out;
  EXPECT_EQ(rename("a.txt", "b.txt", &out), kNotFound);
  EXPECT_EQ(out, "");
  EXPECT_EQ(rename("a.txt", "no\\such\\dir.txt", &out), kNotFound);
  EXPECT_EQ(out, "");
  EXPECT_EQ(run_.counters.failed_count, 0);
  EXPECT_FALSE(stopped_);
}

TEST_F(RenameTest, SingleTargetWithoutANameIsNotFound) {
  for (const char* directory : {"c:", "c:\\", "\\"}) {
    run_.path = directory;
    run_.name_pattern = kDirectoryMarker;
    EXPECT_EQ(rename_single_target(run_.path.size(), &run_), kNotFound)
        << directory;
  }
}

TEST(CompareEntriesTest, DirectoriesFirstThenUnsignedBytes) {
  auto entry = [](const char* name, bool directory) {
    FindRecord record;
    record.name = name;
    record.attributes = directory ? kAttrDirectory : kAttrArchive;
    return record;
  };
  // Each entry sorts before every later one.
  const FindRecord sorted[] = {entry("z", true), entry("A.txt", false),
                               entry("a.txt", false), entry("\x88\x9f", false)};
  for (size_t i = 0; i < std::size(sorted); ++i) {
    for (size_t j = 0; j < std::size(sorted); ++j) {
      EXPECT_EQ(compare_entries(sorted[i], sorted[j]), i < j) << i << " " << j;
    }
  }
}

}  // namespace
}  // namespace kavo

#include "targets/rename.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/options.h"
#include "driver/run_context.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "targets/walk.h"

namespace kavo {
namespace {

// A temporary directory with helpers for files in it; paths handed to the
// program are in its internal form ('\' separators).
class RenameTest : public ::testing::Test {
 protected:
  RenameTest() {
    char name[] = "/tmp/kavo-rename-XXXXXX";
    external_ = mkdtemp(name);
    internal_ = external_;
    for (char& c : internal_) {
      if (c == '/') c = '\\';
    }
    run_.options = &options_;
    run_.filters = &filters_;
    channels_reset();
  }
  ~RenameTest() override {
    std::string command = "rm -rf '" + external_ + "'";
    EXPECT_EQ(0, std::system(command.c_str()));
  }

  void write(const std::string& name, const std::string& content) {
    std::ofstream(external_ + "/" + name) << content;
  }
  std::string read(const std::string& name) {
    std::ifstream in(external_ + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool exists(const std::string& name) {
    struct stat st;
    return lstat((external_ + "/" + name).c_str(), &st) == 0;
  }
  std::string in(const std::string& name) { return internal_ + "\\" + name; }

  // perform_rename from `from` to `to` (names in the directory); the
  // result lines it printed go to `*out`.
  RenameOutcome rename(const std::string& from, const std::string& to,
                       std::string* out) {
    run_.path = in(from);
    run_.new_path = in(to);
    testing::internal::CaptureStdout();
    RenameOutcome outcome = kNoOutcome;
    try {
      outcome = perform_rename(&run_);
    } catch (const RunStopped&) {
      stopped_ = true;
    }
    console_flush();
    *out = testing::internal::GetCapturedStdout();
    return outcome;
  }

  std::string external_;
  std::string internal_;
  RunOptions options_;
  FilterSet filters_;
  RunContext run_;
  bool stopped_ = false;
};

TEST_F(RenameTest, PlainMoveShowsTheNewNameAlone) {
  write("a.txt", "A");
  std::string out;
  EXPECT_EQ(kRenamed, rename("a.txt", "b.txt", &out));
  EXPECT_EQ(in("a.txt") + "→b.txt\n", out);
  EXPECT_EQ("b.txt", run_.new_path);
  EXPECT_EQ("A", read("b.txt"));
  EXPECT_FALSE(exists("a.txt"));
  EXPECT_EQ(1, run_.counters.renamed_count);
}

// No look-up precedes the move: the move itself must refuse a target that
// exists by then, and the target keeps its content.
TEST_F(RenameTest, TakenNameIsNeverReplacedByAPlainMove) {
  write("a.txt", "A");
  write("b.txt", "B");
  std::string out;
  EXPECT_EQ(kNoOutcome, rename("a.txt", "b.txt", &out));
  EXPECT_TRUE(stopped_);
  EXPECT_EQ("存在済:" + in("a.txt") + "≠b.txt\n", out);
  EXPECT_EQ("B", read("b.txt"));
  EXPECT_EQ("A", read("a.txt"));
  EXPECT_EQ(1, run_.counters.failed_count);
  EXPECT_EQ(0, run_.counters.renamed_count);
}

TEST_F(RenameTest, RefusedMoveInDateModeAsksForTheNextName) {
  options_.date_format = 1;
  write("a.txt", "A");
  write("b.txt", "B");
  std::string out;
  EXPECT_EQ(kNotFound, rename("a.txt", "b.txt", &out));
  EXPECT_EQ(kNotFound, rename("a.txt", "no\\such\\dir.txt", &out));
  EXPECT_EQ("", out);
  EXPECT_EQ(0, run_.counters.failed_count);
  EXPECT_FALSE(stopped_);
}

TEST_F(RenameTest, SingleTargetWithoutANameIsNotFound) {
  for (const char* directory : {"c:", "c:\\", "\\"}) {
    run_.path = directory;
    run_.name_pattern = kDirectoryMarker;
    EXPECT_EQ(kNotFound, rename_single_target(run_.path.size(), &run_))
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
  FindRecord z = entry("z", true);
  FindRecord upper = entry("A.txt", false);
  FindRecord lower = entry("a.txt", false);
  FindRecord kanji = entry("\x88\x9f", false);
  EXPECT_TRUE(compare_entries(z, upper));
  EXPECT_FALSE(compare_entries(upper, z));
  EXPECT_TRUE(compare_entries(upper, lower));
  EXPECT_TRUE(compare_entries(lower, kanji));
  EXPECT_FALSE(compare_entries(kanji, lower));
  EXPECT_FALSE(compare_entries(lower, lower));
}

}  // namespace
}  // namespace kavo

#include "driver/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "driver/run_context.h"

namespace kavo {
namespace {

TEST(RunTest, MergeOutcomeKeepsTheHigherRank) {
  // Ranks from low to high: none, not found, not renamed, renamed, failed.
  const RenameOutcome ranked[] = {kNoOutcome, kNotFound, kNotRenamed,
                                  kRenamed, kFailed};
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      RenameOutcome want = ranked[i > j ? i : j];
      EXPECT_EQ(merge_outcome(ranked[i], ranked[j]), want) << i << "," << j;
    }
  }
}

TEST(RunTest, ElapsedClockStartsAtZero) {
  ElapsedClock clock;
  elapsed_clock_start(&clock);
  EXPECT_LE(elapsed_clock_seconds(clock), 1u);
}

// Runs the driver in this process inside a fresh temporary directory.
class InProcessRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kavo-run-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    ASSERT_NE(getcwd(old_cwd_, sizeof old_cwd_), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(old_cwd_), 0);
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "kavo");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run_command(static_cast<int>(args.size()), argv.data());
  }
  void touch(const std::string& name) {
    FILE* f = fopen(name.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
  }
  std::string dir_;
  char old_cwd_[4096];
};

TEST_F(InProcessRun, ExitCodes) {
  touch("a.txt");
  EXPECT_EQ(run({"a", "b", "*.txt", "/test", "/v="}), 0);
  EXPECT_EQ(run({"zz", "b", "*.txt", "/v="}), 2);  // nothing matches
  EXPECT_EQ(run({"a", "b", "missing.txt", "/v="}), 1);
  EXPECT_EQ(run({"a", "b", "missing.txt", "/c", "/v="}), 2);
  EXPECT_EQ(run({"a", "b*", "a.txt"}), 1);  // refused new string
  EXPECT_EQ(run({"a", "b", "a.txt", "/nonsense"}), 1);
  EXPECT_EQ(run({"a", "b", "a.txt", "/v="}), 0);
  EXPECT_EQ(access("b.txt", F_OK), 0);
  // A second run of the driver in the same process starts afresh.
  EXPECT_EQ(run({"b", "c", "b.txt", "/v="}), 0);
  EXPECT_EQ(access("c.txt", F_OK), 0);
}

}  // namespace
}  // namespace kavo

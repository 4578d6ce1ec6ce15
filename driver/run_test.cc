#include "driver/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/run_context.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

TEST(RunTest, MergeOutcomeKeepsTheHigherRank) {
  // Ranks from low to high: none, not found, not renamed, renamed, failed.
  const RenameOutcome ranked[] = {kNoOutcome, kNotFound, kNotRenamed, kRenamed,
                                  kFailed};
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

// The driver run in this process, in a scratch directory.
int run(std::vector<std::string> args) {
  args.insert(args.begin(), "kavo");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return run_command(static_cast<int>(args.size()), argv.data());
}

TEST(RunTest, ExitCodes) {
  kavo_testing::ScratchDir dir;
  kavo_testing::WorkingDirectory inside(dir.native());
  ASSERT_TRUE(dir.write("a.txt"));
  EXPECT_EQ(run({"a", "b", "*.txt", "/test", "/v="}), 0);
  EXPECT_EQ(run({"zz", "b", "*.txt", "/v="}), 2);  // nothing matches
  EXPECT_EQ(run({"a", "b", "missing.txt", "/v="}), 1);
  EXPECT_EQ(run({"a", "b", "missing.txt", "/c", "/v="}), 2);
  EXPECT_EQ(run({"a", "b*", "a.txt"}), 1);  // refused new string
  EXPECT_EQ(run({"a", "b", "a.txt", "/nonsense"}), 1);
  EXPECT_EQ(run({"a", "b", "a.txt", "/v="}), 0);
  EXPECT_TRUE(dir.exists("b.txt"));
  // A second run of the driver in the same process starts afresh.
  EXPECT_EQ(run({"b", "c", "b.txt", "/v="}), 0);
  EXPECT_TRUE(dir.exists("c.txt") && !dir.exists("b.txt") &&
              !dir.exists("a.txt"));
}

}  // namespace
}  // namespace kavo

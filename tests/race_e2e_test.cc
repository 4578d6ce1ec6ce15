// A target that appears after every check and before the move: without /o
// the move itself must refuse, so nothing is ever replaced.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::read_file;
using kavo_test::RunResult;
using kavo_test::TempDir;

// Runs kavo with a module that creates each target, holding "intruder",
// just before the move.
RunResult run_racing(const TempDir& d, const std::vector<std::string>& args) {
  kavo_test::RunSpec spec;
  spec.directory = d.path();
  spec.args = args;
  spec.env.push_back(std::string("LD_PRELOAD=") + KAVO_RACE_PRELOAD);
  spec.env.push_back("KAVO_RACE_CONTENT=intruder");
  return kavo_test::run_command(spec);
}

TEST(RaceE2E, TargetAppearingBeforeTheMoveIsNeverReplaced) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "LD_PRELOAD reaches no Windows program";
  }
  TempDir d;
  for (const char* name : {"x1.txt", "y1.txt", "y2.txt"}) d.file(name, name);
  RunResult r = run_racing(d, {"x", "z", "x1.txt"});
  EXPECT_EQ(r.out, "存在済:x1.txt≠z1.txt\n\n");
  EXPECT_EQ(r.exit_code, 1);
  // The walk carries on with every file kept; test mode touches nothing.
  r = run_racing(d, {"y", "w", "y*.txt", "/c"});
  EXPECT_EQ(r.out,
            "存在済:y1.txt≠w1.txt\n存在済:y2.txt≠w2.txt\n\n改名失敗:2個\n");
  EXPECT_EQ(r.exit_code, 2);
  r = run_racing(d, {"x", "v", "x1.txt", "/test"});
  EXPECT_EQ(r.out, "x1.txt→v1.txt\n\n改名成功:1個\n");
  for (const char* name : {"x1.txt", "y1.txt", "y2.txt"}) {
    EXPECT_EQ(read_file(d.at(name)), name);
  }
  for (const char* name : {"z1.txt", "w1.txt", "w2.txt"}) {
    EXPECT_EQ(read_file(d.at(name)), "intruder") << name;
  }
  EXPECT_EQ(d.tree().size(), 6u);
}

}  // namespace

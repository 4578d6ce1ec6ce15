// A target that appears after every check and before the move: without /o
// the move itself must refuse, so nothing is ever replaced.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::read_file;
using kavo_test::RunResult;
using kavo_test::RunSpec;
using kavo_test::TempDir;

RunResult run_racing(const TempDir& d, const std::vector<std::string>& args) {
  RunSpec spec;
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
  d.file("a.txt", "old");
  RunResult r = run_racing(d, {"a", "b", "a.txt"});
  EXPECT_EQ(r.out, "存在済:a.txt≠b.txt\n\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(read_file(d.at("a.txt")), "old");
  EXPECT_EQ(read_file(d.at("b.txt")), "intruder");
}

TEST(RaceE2E, WalkCarriesOnWithEveryFileKept) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "LD_PRELOAD reaches no Windows program";
  }
  TempDir d;
  d.file("a1.txt", "one");
  d.file("a2.txt", "two");
  RunResult r = run_racing(d, {"a", "b", "*.txt", "/c"});
  EXPECT_EQ(r.out,
            "存在済:a1.txt≠b1.txt\n存在済:a2.txt≠b2.txt\n\n改名失敗:2個\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(read_file(d.at("a1.txt")), "one");
  EXPECT_EQ(read_file(d.at("a2.txt")), "two");
  EXPECT_EQ(read_file(d.at("b1.txt")), "intruder");
}

TEST(RaceE2E, TestModeTouchesNothing) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "LD_PRELOAD reaches no Windows program";
  }
  TempDir d;
  d.file("a.txt", "old");
  RunResult r = run_racing(d, {"a", "b", "a.txt", "/test"});
  EXPECT_EQ(r.out, "a.txt→b.txt\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(), std::vector<std::string>{"a.txt"});
}

}  // namespace

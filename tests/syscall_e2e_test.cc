// A cheap guard against regressions in the cost of a large run: the system
// calls of renaming 1,000 files, start-up and listing included, counted
// with strace where it is installed. A plain rename costs one call per
// file (the move); a filter on sizes adds the look-up of each file.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tests/harness.h"

namespace {

using kavo_test::TempDir;

constexpr int kFiles = 1000;

// The "total" calls of an strace -c summary; -1 when there is none.
long total_calls(const std::string& summary) {
  std::istringstream lines(summary);
  std::string line;
  long total = -1;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string percent, seconds, usecs, calls, last;
    if (!(fields >> percent >> seconds >> usecs >> calls)) continue;
    while (fields >> last) {
    }
    if (last == "total" || calls == "total") total = std::stol(calls);
  }
  return total;
}

TEST(SyscallE2E, RenamingAFileCostsFewSystemCalls) {
  if (kavo_test::windows_build()) GTEST_SKIP() << "Linux system calls";
  const std::string strace = "/usr/bin/strace";
  if (!kavo_test::exists(strace)) GTEST_SKIP() << "strace is not installed";
  struct Case {
    const char* extra;
    long tenths_per_file;  // the most calls allowed, in tenths per file
  };
  for (const Case& c : {Case{"", 15}, Case{"/d", 15}, Case{"/ls0-", 25}}) {
    const char* extra = c.extra;
    TempDir d;
    for (int i = 0; i < kFiles; ++i) {
      char name[32];
      snprintf(name, sizeof name, "sub/f%04d.ABC.txt", i);
      d.file(std::string(extra) == "/d" ? name : name + 4);
    }
    kavo_test::RunSpec spec;
    spec.binary = strace;
    spec.directory = d.path();
    spec.args = {
        "-f",  "-c",  "-o",   d.at("strace.txt"), kavo_test::kavo_binary(),
        "ABC", "123", "*.txt"};
    if (extra[0]) spec.args.push_back(extra);
    // The leak checker of a sanitizer build cannot run under ptrace.
    spec.env.push_back("ASAN_OPTIONS=detect_leaks=0");
    kavo_test::RunResult r = kavo_test::run_command(spec);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    long calls = total_calls(kavo_test::read_file(d.at("strace.txt")));
    ASSERT_GT(calls, 0);
    EXPECT_LE(calls, kFiles * c.tenths_per_file / 10)
        << extra << " " << calls << " calls";
  }
}

}  // namespace

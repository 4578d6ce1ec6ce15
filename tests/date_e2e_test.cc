// End-to-end behaviour of date naming: the layouts, the time zone and the
// correction, and the duplicate numbers of names that are taken.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::run_kavo;
using kavo_test::RunResult;
using kavo_test::TempDir;
using Tree = std::vector<std::string>;

constexpr int64_t k20050419_090507 = 1113901507;  // UTC
constexpr int64_t k20041231_233000 = 1104535800;
constexpr int64_t k20050101_000030 = 1104537630;
constexpr int64_t k20000102_030405 = 946782245;

void set_mtime(const std::string& path, int64_t seconds) {
  timespec times[2] = {{static_cast<time_t>(seconds), 0},
                       {static_cast<time_t>(seconds), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// A file with the given last-write time.
void dated_file(TempDir& d, const std::string& name, int64_t seconds) {
  d.file(name);
  set_mtime(d.at(name), seconds);
}

RunResult run_in_zone(const std::string& directory,
                      const std::vector<std::string>& args,
                      const std::string& zone) {
  kavo_test::RunSpec spec;
  spec.directory = directory;
  spec.args = args;
  spec.env = {"KAVO_ENCODING=CP932", "TZ=" + zone};
  return kavo_test::run_command(spec);
}

TEST(DateE2E, SixLayouts) {
  struct Case {
    const char* option;
    const char* name;
  } cases[] = {
      {"/date", "20050419-090507.jpg"},
      {"/dateyyyymmdd-hhmmss", "20050419-090507.jpg"},
      {"/dateyyyymmdd-hhmm", "20050419-0905.jpg"},
      {"/dateyymmdd-hhmmss", "050419-090507.jpg"},
      {"/dateyymmdd-hhmm", "050419-0905.jpg"},
      {"/dateyyyymmdd", "20050419.jpg"},
      {"/dateyymmdd", "050419.jpg"},
  };
  TempDir d;
  dated_file(d, "p.jpg", k20050419_090507);
  for (const Case& c : cases) {
    RunResult r = run_kavo(d.path(), {"p", "/", "p.jpg", c.option, "/test"});
    EXPECT_EQ(r.out, std::string("p.jpg→") + c.name + "\n\n改名成功:1個\n")
        << c.option;
    EXPECT_EQ(r.exit_code, 0) << c.option;
  }
  RunResult real = run_kavo(d.path(), {"p", "x/", "p.jpg", "/dateyymmdd"});
  EXPECT_EQ(real.out, "p.jpg→x050419.jpg\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(), Tree({"x050419.jpg"}));
}

TEST(DateE2E, LocalTimeZone) {
  TempDir d;
  dated_file(d, "p.jpg", k20050419_090507);
  RunResult east =
      run_in_zone(d.path(), {"p", "/", "p.jpg", "/date", "/test"}, "JST-9");
  EXPECT_EQ(east.out, "p.jpg→20050419-180507.jpg\n\n改名成功:1個\n");
  RunResult west =
      run_in_zone(d.path(), {"p", "/", "p.jpg", "/date", "/test"}, "HST10");
  EXPECT_EQ(west.out, "p.jpg→20050418-230507.jpg\n\n改名成功:1個\n");
}

TEST(DateE2E, CorrectionAcrossTheYear) {
  TempDir d;
  dated_file(d, "late.jpg", k20041231_233000);
  dated_file(d, "early.jpg", k20050101_000030);
  dated_file(d, "y2k.jpg", k20000102_030405);
  RunResult forward =
      run_kavo(d.path(), {"late", "/", "late.jpg", "/date", "/date+3600"});
  EXPECT_EQ(forward.out, "late.jpg→20050101-003000.jpg\n\n改名成功:1個\n");
  RunResult backward =
      run_kavo(d.path(), {"early", "/", "early.jpg", "/date", "/date-60"});
  EXPECT_EQ(backward.out, "early.jpg→20041231-235930.jpg\n\n改名成功:1個\n");
  RunResult two_digits =
      run_kavo(d.path(), {"y2k", "/", "y2k.jpg", "/dateyymmdd"});
  EXPECT_EQ(two_digits.out, "y2k.jpg→000102.jpg\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(),
            Tree({"000102.jpg", "20041231-235930.jpg", "20050101-003000.jpg"}));
}

TEST(DateE2E, SameSecondGetsDuplicateNumber) {
  TempDir d;
  dated_file(d, "ia.jpg", k20050419_090507);
  dated_file(d, "ib.jpg", k20050419_090507);
  RunResult r = run_kavo(d.path(), {"i?", "/", "*.jpg", "/date"});
  EXPECT_EQ(r.out,
            "ia.jpg→20050419-090507.jpg\nib.jpg→20050419-090507-2.jpg\n"
            "\n改名成功:2個\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.tree(), Tree({"20050419-090507-2.jpg", "20050419-090507.jpg"}));
}

// In test mode nothing is renamed, so both entries show the plain name.
TEST(DateE2E, TestModeShowsThePlainNameTwice) {
  TempDir d;
  dated_file(d, "ia.jpg", k20050419_090507);
  dated_file(d, "ib.jpg", k20050419_090507);
  RunResult r = run_kavo(d.path(), {"i?", "/", "*.jpg", "/date", "/test"});
  EXPECT_EQ(r.out,
            "ia.jpg→20050419-090507.jpg\nib.jpg→20050419-090507.jpg\n"
            "\n改名成功:2個\n");
  EXPECT_EQ(d.tree(), Tree({"ia.jpg", "ib.jpg"}));
}

TEST(DateE2E, LimitOneShowsTheBareDateName) {
  TempDir d;
  dated_file(d, "ia.jpg", k20050419_090507);
  dated_file(d, "ib.jpg", k20050419_090507);
  dated_file(d, "ic.jpg", k20050419_090507);
  RunResult r =
      run_kavo(d.path(), {"i?", "/", "*.jpg", "/dateyyyymmdd", "/datel1"});
  EXPECT_EQ(r.out,
            "ia.jpg→20050419.jpg\n存在済:ib.jpg≠20050419.jpg\n"
            "\n改名成功:1個\n");
  EXPECT_EQ(r.exit_code, 1);
  RunResult go_on = run_kavo(
      d.path(), {"i?", "/", "*.jpg", "/dateyyyymmdd", "/datel1", "/c"});
  EXPECT_EQ(go_on.out,
            "存在済:ib.jpg≠20050419.jpg\n存在済:ic.jpg≠20050419.jpg\n\n"
            "改名失敗:2個\n");
  EXPECT_EQ(go_on.exit_code, 2);
  EXPECT_EQ(d.tree(), Tree({"20050419.jpg", "ib.jpg", "ic.jpg"}));
}

TEST(DateE2E, LimitTwoTriesOneNumber) {
  TempDir d;
  for (const char* name : {"ia.jpg", "ib.jpg", "ic.jpg", "id.jpg"}) {
    dated_file(d, name, k20050419_090507);
  }
  RunResult r = run_kavo(
      d.path(), {"i?", "/", "*.jpg", "/dateyyyymmdd", "/datel2", "/c"});
  EXPECT_EQ(r.out,
            "ia.jpg→20050419.jpg\nib.jpg→20050419-2.jpg\n"
            "存在済:ic.jpg≠20050419-2.jpg\n存在済:id.jpg≠20050419-2.jpg\n"
            "\n改名成功:2個\n改名失敗:2個\n");
  EXPECT_EQ(r.exit_code, 2);
}

// Many entries of one day: each takes the next free number, also past a
// name that was taken before the run.
TEST(DateE2E, ManyEntriesOfOneDay) {
  TempDir d;
  const int count = 40;
  for (int i = 0; i < count; ++i) {
    dated_file(d, "i" + std::to_string(100 + i) + ".jpg", k20050419_090507);
  }
  d.file("20050419-5.jpg");
  RunResult r =
      run_kavo(d.path(), {"i*", "/", "*.jpg", "/dateyyyymmdd", "/v="});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  Tree expected = {"20050419.jpg"};
  for (int k = 2; k <= count + 1; ++k) {
    expected.push_back("20050419-" + std::to_string(k) + ".jpg");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(d.tree(), expected);
}

// A name found taken may become free again when its entry is renamed; a
// later entry must then get it.
TEST(DateE2E, NameFreedDuringTheRunIsUsedAgain) {
  TempDir d;
  dated_file(d, "img1.jpg", k20050419_090507);
  dated_file(d, "img2.jpg", k20050419_090507);
  dated_file(d, "z20050419.jpg", k20000102_030405);
  dated_file(d, "zz.jpg", k20050419_090507);
  RunResult r = run_kavo(d.path(), {"*", "z/", "*.jpg", "/dateyyyymmdd"});
  EXPECT_EQ(r.out,
            "img1.jpg→z20050419-2.jpg\nimg2.jpg→z20050419-3.jpg\n"
            "z20050419.jpg→z20000102.jpg\nzz.jpg→z20050419.jpg\n"
            "\n改名成功:4個\n");
}

TEST(DateE2E, OverwriteInDateMode) {
  TempDir d;
  dated_file(d, "ia.jpg", k20050419_090507);
  dated_file(d, "ib.jpg", k20050419_090507);
  RunResult r = run_kavo(d.path(), {"i?", "/", "*.jpg", "/dateyyyymmdd", "/o"});
  EXPECT_EQ(r.out,
            "ia.jpg→20050419.jpg\nib.jpg=>20050419.jpg\n"
            "\n改名成功:2個（通常:1個, 上書:1個）\n");
  EXPECT_EQ(d.tree(), Tree({"20050419.jpg"}));
}

TEST(DateE2E, NewStringWithoutSlashStopsAtTheFirstEntry) {
  TempDir d;
  dated_file(d, "a.jpg", k20050419_090507);
  RunResult r = run_kavo(d.path(), {"a", "x", "a.jpg", "/date"});
  EXPECT_EQ(r.err, "\n\a処理停止:メモリー不足で改名できません。\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(d.tree(), Tree({"a.jpg"}));
}

}  // namespace

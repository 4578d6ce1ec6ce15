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

// A file with the given last-write time.
void dated_file(TempDir& d, const std::string& name, int64_t seconds) {
  d.file(name);
  timespec times[2] = {{static_cast<time_t>(seconds), 0},
                       {static_cast<time_t>(seconds), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, d.at(name).c_str(), times, 0), 0);
}

TEST(DateE2E, LayoutsZonesAndCorrections) {
  struct Case {
    const char* zone;
    std::vector<std::string> options;
    int64_t written;
    const char* name;
  };
  const Case cases[] = {
      {"UTC", {"/date"}, k20050419_090507, "20050419-090507"},
      {"UTC", {"/dateyyyymmdd-hhmmss"}, k20050419_090507, "20050419-090507"},
      {"UTC", {"/dateyyyymmdd-hhmm"}, k20050419_090507, "20050419-0905"},
      {"UTC", {"/dateyymmdd-hhmmss"}, k20050419_090507, "050419-090507"},
      {"UTC", {"/dateyymmdd-hhmm"}, k20050419_090507, "050419-0905"},
      {"UTC", {"/dateyyyymmdd"}, k20050419_090507, "20050419"},
      {"UTC", {"/dateyymmdd"}, k20000102_030405, "000102"},
      {"JST-9", {"/date"}, k20050419_090507, "20050419-180507"},
      {"HST10", {"/date"}, k20050419_090507, "20050418-230507"},
      {"UTC", {"/date", "/date+3600"}, k20041231_233000, "20050101-003000"},
      {"UTC", {"/date", "/date-60"}, k20050101_000030, "20041231-235930"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back() + " in " + c.zone);
    TempDir d;
    dated_file(d, "p.jpg", c.written);
    kavo_test::RunSpec spec;
    spec.directory = d.path();
    spec.args = {"p", "/", "p.jpg", "/test"};
    spec.args.insert(spec.args.end(), c.options.begin(), c.options.end());
    spec.env = {"KAVO_ENCODING=CP932", std::string("TZ=") + c.zone};
    RunResult r = kavo_test::run_command(spec);
    EXPECT_EQ(r.out, std::string("p.jpg→") + c.name + ".jpg\n\n改名成功:1個\n");
    EXPECT_EQ(r.exit_code, 0);
  }
  // The date takes the place of the slash in the new string.
  TempDir d;
  dated_file(d, "p.jpg", k20050419_090507);
  RunResult real = run_kavo(d.path(), {"p", "x/", "p.jpg", "/dateyymmdd"});
  EXPECT_EQ(real.out, "p.jpg→x050419.jpg\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(), Tree({"x050419.jpg"}));
}

// Entries of one second: the duplicate numbers, their limit (/datel) and
// the overwrite that takes the place of a number.
TEST(DateE2E, DuplicateNumbers) {
  struct Case {
    std::vector<std::string> options;
    int files;  // ia.jpg, ib.jpg, ... all of the same second
    std::string out;
    int exit_code;
    Tree after;
  };
  const Case cases[] = {
      {{"/date"},
       2,
       "ia.jpg→20050419-090507.jpg\nib.jpg→20050419-090507-2.jpg\n"
       "\n改名成功:2個\n",
       0,
       {"20050419-090507-2.jpg", "20050419-090507.jpg"}},
      // In test mode nothing is renamed, so both show the plain name.
      {{"/date", "/test"},
       2,
       "ia.jpg→20050419-090507.jpg\nib.jpg→20050419-090507.jpg\n"
       "\n改名成功:2個\n",
       0,
       {"ia.jpg", "ib.jpg"}},
      // /o never replaces what the run itself moved into place.
      {{"/dateyyyymmdd", "/o"},
       2,
       "ia.jpg→20050419.jpg\nib.jpg→20050419-2.jpg\n"
       "\n改名成功:2個（通常:2個, 上書:0個）\n",
       0,
       {"20050419-2.jpg", "20050419.jpg"}},
      // A limit of one shows the bare date name.
      {{"/dateyyyymmdd", "/datel1"},
       3,
       "ia.jpg→20050419.jpg\n存在済:ib.jpg≠20050419.jpg\n\n改名成功:1個\n",
       1,
       {"20050419.jpg", "ib.jpg", "ic.jpg"}},
      {{"/dateyyyymmdd", "/datel1", "/c"},
       3,
       "ia.jpg→20050419.jpg\n存在済:ib.jpg≠20050419.jpg\n"
       "存在済:ic.jpg≠20050419.jpg\n\n改名成功:1個\n改名失敗:2個\n",
       2,
       {"20050419.jpg", "ib.jpg", "ic.jpg"}},
      // A limit of two tries one number.
      {{"/dateyyyymmdd", "/datel2", "/c"},
       4,
       "ia.jpg→20050419.jpg\nib.jpg→20050419-2.jpg\n"
       "存在済:ic.jpg≠20050419-2.jpg\n存在済:id.jpg≠20050419-2.jpg\n"
       "\n改名成功:2個\n改名失敗:2個\n",
       2,
       {"20050419-2.jpg", "20050419.jpg", "ic.jpg", "id.jpg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back() + " on " + std::to_string(c.files));
    TempDir d;
    for (int i = 0; i < c.files; ++i) {
      dated_file(d, std::string("i") + char('a' + i) + ".jpg",
                 k20050419_090507);
    }
    std::vector<std::string> args = {"i?", "/", "*.jpg"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = run_kavo(d.path(), args);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_EQ(d.tree(), c.after);
  }
}

// Many entries of one day: each takes the next free number, also past a
// name that was taken before the run.
TEST(DateE2E, ManyEntriesOfOneDay) {
  TempDir d;
  const int count = 40;
  Tree expected = {"20050419.jpg"};
  for (int i = 0; i < count; ++i) {
    dated_file(d, "i" + std::to_string(100 + i) + ".jpg", k20050419_090507);
    expected.push_back("20050419-" + std::to_string(i + 2) + ".jpg");
  }
  d.file("20050419-5.jpg");
  RunResult r =
      run_kavo(d.path(), {"i*", "/", "*.jpg", "/dateyyyymmdd", "/v="});
  EXPECT_EQ(r.exit_code, 0) << r.err;
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

// End-to-end behaviour of the skip (/s...) and limit (/l...) options on
// real directory trees.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::run_command;
using kavo_test::run_kavo;
using kavo_test::RunResult;
using kavo_test::RunSpec;
using kavo_test::TempDir;
using Tree = std::vector<std::string>;

std::string stop_line(const std::string& message) {
  return "\n\a処理停止:" + message + "\n";
}

int64_t utc(int year, int month, int day, int hour = 0, int minute = 0,
            int second = 0) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return timegm(&t);
}

// Sets the last write and last access time of `path` (links not followed).
void set_times(const std::string& path, int64_t written, int64_t accessed) {
  struct timespec times[2] = {};
  times[0].tv_sec = accessed;
  times[1].tv_sec = written;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0)
      << path;
}

// Every file name holds an x, no directory name does: `kavo x y` renames
// exactly the files the filters leave.
void make_tree(TempDir& d) {
  d.file("ax.txt");
  d.file("bx.doc");
  d.file("sub/cx.txt");
  d.file("sub/deep/ex.txt");
  d.file("subway/fx.txt");
  d.file("work/gx.txt");
  d.file("other/work/hx.txt");
}

// The files whose own name holds a y after the run.
Tree renamed(const TempDir& d) {
  Tree out;
  for (const std::string& entry : d.tree()) {
    if (entry.back() == '/') continue;
    size_t name = entry.rfind('/') + 1;  // 0 when there is no '/'
    if (entry.find('y', name) != std::string::npos) out.push_back(entry);
  }
  return out;
}

TEST(FilterE2E, EachFilterFamilyOnATree) {
  struct Case {
    std::vector<std::string> options;
    Tree renamed;
  };
  const Tree all = {"ay.txt",     "by.doc",          "other/work/hy.txt",
                    "sub/cy.txt", "sub/deep/ey.txt", "subway/fy.txt",
                    "work/gy.txt"};
  const Case cases[] = {
      {{}, all},
      {{"/shsub"},
       {"ay.txt", "by.doc", "other/work/hy.txt", "subway/fy.txt",
        "work/gy.txt"}},
      {{"/sHSub"}, all},
      {{"/stdeep\\ex.txt"},
       {"ay.txt", "by.doc", "other/work/hy.txt", "sub/cy.txt", "subway/fy.txt",
        "work/gy.txt"}},
      {{"/sp*.doc"},
       {"ay.txt", "other/work/hy.txt", "sub/cy.txt", "sub/deep/ey.txt",
        "subway/fy.txt", "work/gy.txt"}},
      {{"/sdwork"},
       {"ay.txt", "by.doc", "sub/cy.txt", "sub/deep/ey.txt", "subway/fy.txt"}},
      {{"/sfCX.TXT"},
       {"ay.txt", "by.doc", "other/work/hy.txt", "sub/deep/ey.txt",
        "subway/fy.txt", "work/gy.txt"}},
      {{"/seDOC"},
       {"ay.txt", "other/work/hy.txt", "sub/cy.txt", "sub/deep/ey.txt",
        "subway/fy.txt", "work/gy.txt"}},
      {{"/sEDOC"}, all},
      {{"/lhsub"}, {"sub/cy.txt", "sub/deep/ey.txt"}},
      {{"/lhsub\\deep\\"}, {"sub/deep/ey.txt"}},
      {{"/ltwork\\*.txt"}, {"other/work/hy.txt", "work/gy.txt"}},
      {{"/lp*.txt"}, {"ay.txt"}},
      {{"/lpsub\\deep\\*.txt"}, {"sub/deep/ey.txt"}},
      {{"/ldwork"}, {"ay.txt", "by.doc", "work/gy.txt"}},
      {{"/lfcx.txt, ex.txt"}, {"sub/cy.txt", "sub/deep/ey.txt"}},
      {{"/ledoc"}, {"by.doc"}},
      {{"/lhsub", "/ltdeep\\*"}, {"sub/deep/ey.txt"}},
  };
  for (const Case& c : cases) {
    TempDir d;
    make_tree(d);
    std::vector<std::string> args = {"x", "y", "*", "/d"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = run_kavo(d.path(), args);
    std::string label = c.options.empty() ? "(none)" : c.options[0];
    EXPECT_EQ(renamed(d), c.renamed) << label << "\n" << r.out << r.err;
    EXPECT_EQ(r.err, "") << label;
    EXPECT_EQ(r.exit_code, 0) << label;
  }
}

TEST(FilterE2E, SkipWinsOverLimit) {
  TempDir d;
  make_tree(d);
  RunResult r =
      run_kavo(d.path(), {"x", "y", "*", "/d", "/lhsub", "/shsub\\deep",
                          "/lfcx.txt,ex.txt", "/sfex.txt"});
  EXPECT_EQ(renamed(d), Tree{"sub/cy.txt"});
  EXPECT_EQ(r.exit_code, 0);
}

TEST(FilterE2E, ExcludedEntriesAreReportedAndDirectoriesNotEntered) {
  TempDir d;
  d.file("ax.txt");
  d.file("bx.txt");
  d.file("subx/cx.txt");
  d.file("keepx/dx.txt");
  // /fa renames directories too; /v+k reports what the filters excluded.
  RunResult r = run_kavo(
      d.path(), {"x", "y", "*", "/d", "/fa", "/sdsub*", "/sfbx.txt", "/v+k"});
  EXPECT_EQ(r.out,
            "keepx→keepy\n"
            "keepy\\dx.txt→dy.txt\n"
            "DIR対象外:subx\n"
            "ax.txt→ay.txt\n"
            "対象外:bx.txt\n"
            "\n改名成功:3個\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.tree(), (Tree{"ay.txt", "bx.txt", "keepy/", "keepy/dy.txt",
                            "subx/", "subx/cx.txt"}));
  // Without /v+k nothing is said about them.
  TempDir quiet;
  quiet.file("subx/cx.txt");
  quiet.file("ax.txt");
  RunResult q = run_kavo(quiet.path(), {"x", "y", "*", "/d", "/sdsubx"});
  EXPECT_EQ(q.out, "ax.txt→ay.txt\n\n改名成功:1個\n");
}

TEST(FilterE2E, EverythingExcludedRenamesNothing) {
  TempDir d;
  make_tree(d);
  RunResult r = run_kavo(d.path(), {"x", "y", "*", "/d", "/sp*"});
  EXPECT_EQ(r.out, "改名対象なし\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(renamed(d), Tree{});
}

TEST(FilterE2E, SizeRanges) {
  struct Case {
    std::string option;
    Tree renamed;
  };
  const Case cases[] = {
      {"/ls100", {"y100"}},
      {"/ls0", {"y0"}},
      {"/ls1K-", {"y1024", "y1536", "y2000"}},
      {"/ls-1.5K", {"y0", "y100", "y1024", "y1536"}},
      {"/ls1.5K-2000", {"y1536", "y2000"}},
      {"/ls1K-1K", {"y1024"}},
      {"/ls-", {"y0", "y100", "y1024", "y1536", "y2000"}},
  };
  for (const Case& c : cases) {
    TempDir d;
    for (int size : {0, 100, 1024, 1536, 2000}) {
      d.file("x" + std::to_string(size), std::string(size, 'z'));
    }
    RunResult r = run_kavo(d.path(), {"x", "y", "*", c.option});
    Tree got;
    for (const std::string& e : d.tree()) {
      if (e[0] == 'y') got.push_back(e);
    }
    EXPECT_EQ(got, c.renamed) << c.option << "\n" << r.out;
  }
}

TEST(FilterE2E, DateRanges) {
  struct Case {
    std::vector<std::string> options;
    Tree renamed;
  };
  const Case cases[] = {
      {{"/ly2001"}, {"y1", "y3", "y4"}},
      {{"/ly2002"}, {"y2"}},
      {{"/ly20010301-20010310"}, {"y3"}},
      {{"/ly20010311"}, {"y4"}},
      {{"/ly200101-200102"}, {}},
      {{"/ly-20010310"}, {"y3"}},
      {{"/ly2001123123-"}, {"y1", "y2"}},
      {{"/lyw2001", "/lyr2010"}, {"y1"}},
      {{"/lyr2010"}, {"y1", "y2"}},
      {{"/lyd2001"}, {"y1", "y2", "y3", "y4"}},
      {{"/ly2001", "/ly"}, {"y1", "y2", "y3", "y4"}},
  };
  for (const Case& c : cases) {
    TempDir d;
    d.file("x1");
    d.file("x2");
    d.file("x3");
    d.file("x4");
    set_times(d.at("x1"), utc(2001, 12, 31, 23, 59, 59), utc(2010, 5, 5));
    set_times(d.at("x2"), utc(2002, 1, 1), utc(2010, 5, 5));
    set_times(d.at("x3"), utc(2001, 3, 10, 23, 59, 59), utc(2011, 1, 1));
    set_times(d.at("x4"), utc(2001, 3, 11), utc(2011, 1, 1));
    std::vector<std::string> args = {"x", "y", "*"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = run_kavo(d.path(), args);
    Tree got;
    for (const std::string& e : d.tree()) {
      if (e[0] == 'y') got.push_back(e);
    }
    EXPECT_EQ(got, c.renamed) << c.options[0] << "\n" << r.out << r.err;
  }
}

TEST(FilterE2E, DateRangesUseLocalTime) {
  TempDir d;
  d.file("x1");
  // 15:00 UTC on New Year's Eve 2001 is 2002 in Tokyo.
  set_times(d.at("x1"), utc(2001, 12, 31, 15), utc(2001, 12, 31, 15));
  RunSpec request;
  request.directory = d.path();
  request.args = {"x", "y", "*", "/ly2001", "/test"};
  request.env = {"KAVO_ENCODING=CP932", "TZ=JST-9"};
  RunResult tokyo = run_command(request);
  EXPECT_EQ(tokyo.out, "改名対象なし\n");
  request.env = {"KAVO_ENCODING=CP932", "TZ=UTC"};
  RunResult utc_run = run_command(request);
  EXPECT_EQ(utc_run.out.find("x1→y1"), 0u) << utc_run.out;
}

TEST(FilterE2E, DirectoryDates) {
  TempDir d;
  d.file("old/ax");
  d.file("new/bx");
  d.file("cx");
  set_times(d.at("old"), utc(2001, 6, 1), utc(2001, 6, 1));
  set_times(d.at("new"), utc(2009, 6, 1), utc(2009, 6, 1));
  set_times(d.at("cx"), utc(2009, 6, 1), utc(2009, 6, 1));
  RunResult r = run_kavo(d.path(), {"x", "y", "*", "/d", "/lyd2001"});
  // Files are not limited by /lyd; only the old directory is entered.
  EXPECT_EQ(d.tree(), (Tree{"cy", "new/", "new/bx", "old/", "old/ay"}))
      << r.out;
}

TEST(FilterE2E, Attributes) {
  struct Case {
    std::vector<std::string> options;
    Tree renamed;
  };
  // ax: read-only; .bx.t: hidden; cx: plain; .hid/dx: in a hidden
  // directory. The body of .bx.t is .bx.
  const Case cases[] = {
      {{"/sar"}, {".by.t", ".hid/dy", "cy"}},
      {{"/law"}, {".by.t", ".hid/dy", "cy"}},
      {{"/lar"}, {"ay"}},
      {{"/sah"}, {".hid/dy", "ay", "cy"}},
      {{"/lah"}, {".by.t"}},
      {{"/sadh"}, {".by.t", "ay", "cy"}},
      {{"/ladh"}, {".by.t", ".hid/dy", "ay", "cy"}},
      {{"/lAd"}, {".by.t", "ay", "cy"}},
      {{"/lAdh"}, {".by.t", ".hid/dy", "ay", "cy"}},
      // Every Linux file has the archive bit: /sAa skips the plain ones.
      {{"/sAa"}, {".by.t", "ay"}},
      {{"/sarh", "/or"}, {".hid/dy", "ay", "cy"}},
  };
  for (const Case& c : cases) {
    TempDir d;
    d.file("ax");
    d.file(".bx.t");
    d.file("cx");
    d.file(".hid/dx");
    ASSERT_EQ(chmod(d.at("ax").c_str(), 0444), 0);
    std::vector<std::string> args = {"x", "y", "*", "/d"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = run_kavo(d.path(), args);
    Tree got;
    for (const std::string& e : d.tree()) {
      if (e.find('y') != std::string::npos) got.push_back(e);
    }
    EXPECT_EQ(got, c.renamed) << c.options[0] << "\n" << r.out << r.err;
  }
}

// The internal form of an absolute Linux directory: '\' separators (behind
// Wine's drive letter on Windows) and a final '\'.
std::string internal_directory(const std::string& path) {
  return kavo_test::program_path(path) + "\\";
}

TEST(FilterE2E, AbsoluteElementOutsideStopsBeforeAnyEntry) {
  TempDir d;
  make_tree(d);
  std::string directory = kavo_test::argument_path(d.path() + "/");
  RunResult r = run_kavo(
      d.path(), {"x", "y", directory, "/d", "/v+k", "/shsub", "/lhC:\\other"});
  EXPECT_EQ(r.err,
            stop_line("オプション /lhC:\\other のパスは改名ディレクトリ " +
                      internal_directory(d.path()) + " 以下ではありません。"));
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(renamed(d), Tree{});
  // Sharing all but the final backslash with the directory is not enough.
  std::string beside = internal_directory(d.path());
  beside.back() = 'z';
  RunResult next = run_kavo(d.path(), {"x", "y", directory, "/sh" + beside});
  EXPECT_EQ(next.err,
            stop_line("オプション /sh" + beside + " のパスは改名ディレクトリ " +
                      internal_directory(d.path()) + " 以下ではありません。"));
  EXPECT_EQ(next.exit_code, 1);
  // With a relative argument the directory text is empty.
  RunResult rel = run_kavo(d.path(), {"x", "y", "*.txt", "/shC:\\other"});
  EXPECT_EQ(rel.err,
            stop_line("オプション /shC:\\other のパスは改名ディレクトリ以下"
                      "ではありません。"));
  EXPECT_EQ(rel.exit_code, 1);
  EXPECT_EQ(renamed(d), Tree{});
}

TEST(FilterE2E, RelativeElementsAreCompletedAgainstTheDirectory) {
  TempDir d;
  make_tree(d);
  std::string directory = kavo_test::argument_path(d.path() + "/");
  // sub becomes <dir>\sub; an absolute element inside the directory passes.
  std::string work = internal_directory(d.path()) + "work";
  RunResult r =
      run_kavo(d.path(), {"x", "y", directory, "/d", "/shsub," + work});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(renamed(d),
            (Tree{"ay.txt", "by.doc", "other/work/hy.txt", "subway/fy.txt"}));
  // The same element given as a path relative to the directory.
  TempDir again;
  make_tree(again);
  RunResult s = run_kavo(
      again.path(), {"x", "y", kavo_test::argument_path(again.path() + "/"),
                     "/d", "/lpsub\\deep\\*.txt"});
  EXPECT_EQ(s.err, "");
  EXPECT_EQ(renamed(again), Tree{"sub/deep/ey.txt"});
}

TEST(FilterE2E, SecondArgumentInTheSameDirectoryIsNotCompletedAgain) {
  TempDir d;
  d.file("d/ox.txt");
  d.file("d/px.doc");
  d.file("d/keep/ax.txt");
  d.file("d/keep/bx.doc");
  RunResult r =
      run_kavo(d.path(), {"x", "y", "d/*.txt", "d/*.doc", "/d", "/shkeep"});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.tree(), (Tree{"d/", "d/keep/", "d/keep/ax.txt", "d/keep/bx.doc",
                            "d/oy.txt", "d/py.doc"}));
}

TEST(FilterE2E, InvalidFilterLetters) {
  TempDir d;
  d.file("ax.txt");
  for (const char* option : {"/sx", "/sS", "/lz", "/sy2001"}) {
    RunResult r = run_kavo(d.path(), {"x", "y", "*", option});
    std::string shown = option;
    EXPECT_EQ(r.err, stop_line("無効オプション  " + shown +
                               "\n※引数なしで実行すると使用方法を表示します。"
                               "\n"))
        << option;
    EXPECT_EQ(r.exit_code, 1) << option;
  }
  EXPECT_EQ(d.tree(), Tree{"ax.txt"});
}

TEST(FilterE2E, FilterValueKeepsItsSlashAndTheGroupGoesOn) {
  TempDir d;
  d.file("sub/ax.txt");
  d.file("bx.txt");
  // The element is "zz/d" (it matches nothing); the /d after it still
  // applies, so the walk descends.
  RunResult r = run_kavo(d.path(), {"x", "y", "*", "/shzz/d"});
  EXPECT_EQ(d.tree(), (Tree{"by.txt", "sub/", "sub/ay.txt"})) << r.out << r.err;
}

TEST(FilterE2E, ValuesInAUtf8Setting) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "the external encoding is Linux's";
  }
  TempDir d;
  d.file(reinterpret_cast<const char*>(u8"表x.txt"));
  d.file(reinterpret_cast<const char*>(u8"ソx.txt"));
  d.file(reinterpret_cast<const char*>(u8"表/ax.txt"));
  RunSpec request;
  request.directory = d.path();
  request.args = {"x",
                  "y",
                  "*",
                  "/d",
                  reinterpret_cast<const char*>(u8"/sf表*"),
                  reinterpret_cast<const char*>(u8"/sh表")};
  request.env = {"KAVO_ENCODING=UTF-8", "TZ=UTC"};
  RunResult r = run_command(request);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), (Tree{reinterpret_cast<const char*>(u8"ソy.txt"),
                            reinterpret_cast<const char*>(u8"表/"),
                            reinterpret_cast<const char*>(u8"表/ax.txt"),
                            reinterpret_cast<const char*>(u8"表x.txt")}));
}

}  // namespace

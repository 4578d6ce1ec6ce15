// End-to-end behaviour of the skip (/s...) and limit (/l...) options on
// real directory trees.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::run_kavo;
using kavo_test::RunResult;
using kavo_test::TempDir;
using Tree = std::vector<std::string>;
using Args = std::vector<std::string>;

std::string stop_line(const std::string& message) {
  return "\n\a処理停止:" + message + "\n";
}

const std::string kUsageHint = "※引数なしで実行すると使用方法を表示します。\n";

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

// Every file is made as "<letter>x..." and no directory name holds an x:
// `kavo x y` renames exactly the files the filters leave, and the letters
// before the y of the renamed files' own names (sorted) tell which.
std::string renamed(const TempDir& d) {
  std::string letters;
  for (const std::string& entry : d.tree()) {
    size_t y = entry.find('y', entry.rfind('/') + 1);
    if (entry.back() != '/' && y != std::string::npos) letters += entry[y - 1];
  }
  std::sort(letters.begin(), letters.end());
  return letters;
}

void make_tree(TempDir& d) {
  for (const char* file :
       {"ax.txt", "bx.doc", "sub/cx.txt", "sub/deep/ex.txt", "subway/fx.txt",
        "work/gx.txt", "other/work/hx.txt"}) {
    d.file(file);
  }
}

// Sizes: a 0, b 100, c 1024, d 1536, e 2000 bytes; f in a subdirectory.
void make_sized(TempDir& d) {
  const int sizes[] = {0, 100, 1024, 1536, 2000};
  for (int i = 0; i < 5; ++i) {
    d.file(std::string(1, 'a' + i) + "x", std::string(sizes[i], 'z'));
  }
  d.file("sub/fx");
}

// Files a to d written in 2001 and 2002, e and f in 2009 in the directories
// old (written in 2001) and new (in 2009).
void make_dated(TempDir& d) {
  for (const char* file : {"ax", "bx", "cx", "dx", "old/ex", "new/fx"}) {
    d.file(file);
  }
  set_times(d.at("ax"), utc(2001, 12, 31, 23, 59, 59), utc(2010, 5, 5));
  set_times(d.at("bx"), utc(2002, 1, 1), utc(2010, 5, 5));
  set_times(d.at("cx"), utc(2001, 3, 10, 23, 59, 59), utc(2011, 1, 1));
  set_times(d.at("dx"), utc(2001, 3, 11), utc(2011, 1, 1));
  for (const char* late : {"old/ex", "new/fx", "new"}) {
    set_times(d.at(late), utc(2009, 6, 1), utc(2009, 6, 1));
  }
  set_times(d.at("old"), utc(2001, 6, 1), utc(2001, 6, 1));
}

// a read-only, b hidden (body .bx), c plain, d in a hidden directory.
void make_attributed(TempDir& d) {
  for (const char* file : {"ax", ".bx.t", "cx", ".hid/dx"}) d.file(file);
  ASSERT_EQ(chmod(d.at("ax").c_str(), 0444), 0);
}

struct FilterCase {
  Args options;
  std::string renamed;    // letters, as renamed() gives them
  std::string stop = "";  // the message that ends the run before any entry
};

// `text` with every '%' made the tree's directory as the program shows it.
std::string with_directory(std::string text, const TempDir& d) {
  const std::string directory = kavo_test::program_path(d.path());
  for (size_t at = text.find('%'); at != std::string::npos;
       at = text.find('%', at + directory.size())) {
    text.replace(at, 1, directory);
  }
  return text;
}

// Runs `kavo x y head... options...` on a fresh tree for each case; a head
// argument "%/" is the tree's directory as a shell gives it.
void check_cases(void (*make)(TempDir&), const Args& head,
                 const std::vector<FilterCase>& cases) {
  for (const FilterCase& c : cases) {
    TempDir d;
    ASSERT_NO_FATAL_FAILURE(make(d));
    Args args = {"x", "y"};
    for (const std::string& a : head) {
      args.push_back(a == "%/" ? kavo_test::argument_path(d.path() + "/") : a);
    }
    std::string label;
    for (const std::string& o : c.options) {
      args.push_back(with_directory(o, d));
      label += o + " ";
    }
    SCOPED_TRACE(label);
    RunResult r = run_kavo(d.path(), args);
    EXPECT_EQ(renamed(d), c.renamed) << r.out << r.err;
    if (!c.stop.empty()) {
      EXPECT_EQ(r.err, stop_line(with_directory(c.stop, d)));
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.exit_code, 1);
    } else {
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(r.exit_code, c.renamed.empty() ? 2 : 0);
      if (c.renamed.empty()) {
        EXPECT_EQ(r.out, "改名対象なし\n");
      }
    }
  }
}

TEST(FilterE2E, PathAndNameFiltersOnATree) {
  check_cases(
      make_tree, {"*", "/d"},
      {{{}, "abcefgh"},
       {{"/shsub"}, "abfgh"},
       {{"/sHSub"}, "abcefgh"},
       {{"/stdeep\\ex.txt"}, "abcfgh"},
       {{"/sp*.doc"}, "acefgh"},
       {{"/sdwork"}, "abcef"},
       {{"/sfCX.TXT"}, "abefgh"},
       {{"/seDOC"}, "acefgh"},
       {{"/sEDOC"}, "abcefgh"},
       {{"/lhsub"}, "ce"},
       {{"/lhsub\\deep\\"}, "e"},
       {{"/ltwork\\*.txt"}, "gh"},
       {{"/lp*.txt"}, "a"},
       {{"/lpsub\\deep\\*.txt"}, "e"},
       {{"/ldwork"}, "abg"},
       {{"/lfcx.txt, ex.txt"}, "ce"},
       {{"/ledoc"}, "b"},
       {{"/lhsub", "/ltdeep\\*"}, "e"},
       // Skip wins over limit.
       {{"/lhsub", "/shsub\\deep", "/lfcx.txt,ex.txt", "/sfex.txt"}, "c"},
       {{"/sp*"}, ""},
       {{"/sx"}, "", "無効オプション  /sx\n" + kUsageHint},
       {{"/sS"}, "", "無効オプション  /sS\n" + kUsageHint},
       {{"/lz"}, "", "無効オプション  /lz\n" + kUsageHint},
       {{"/sy2001"}, "", "無効オプション  /sy2001\n" + kUsageHint},
       // With a relative argument the directory text is empty.
       {{"/shC:\\other"},
        "",
        "オプション /shC:\\other のパスは改名ディレクトリ以下"
        "ではありません。"}});
}

// Relative elements are completed against the directory argument; an
// absolute one must lie below it, or the run stops before any entry.
TEST(FilterE2E, PathFiltersWithAnAbsoluteDirectory) {
  check_cases(make_tree, {"%/", "/d"},
              {{{"/shsub,%\\work"}, "abfh"},
               {{"/lpsub\\deep\\*.txt"}, "e"},
               {{"/v+k", "/shsub", "/lhC:\\other"},
                "",
                "オプション /lhC:\\other のパスは改名ディレクトリ %\\ "
                "以下ではありません。"},
               // All but the final backslash of the directory is not
               // enough.
               {{"/sh%z"},
                "",
                "オプション /sh%z のパスは改名ディレクトリ %\\ "
                "以下ではありません。"}});
}

TEST(FilterE2E, SizesDatesAndAttributes) {
  check_cases(make_sized, {"*"},
              {{{"/ls100"}, "b"},
               {{"/ls0"}, "a"},
               {{"/ls1K-"}, "cde"},
               {{"/ls-1.5K"}, "abcd"},
               {{"/ls1.5K-2000"}, "de"},
               {{"/ls1K-1K"}, "c"},
               {{"/ls-"}, "abcde"},
               // The element is "zz/d" (it matches nothing); the /d after it
               // still applies, so the walk descends.
               {{"/shzz/d"}, "abcdef"}});
  // Files are not limited by /lyd, and only the old directory is entered.
  check_cases(make_dated, {"*", "/d"},
              {{{"/ly2001"}, "acd"},
               {{"/ly2002"}, "b"},
               {{"/ly20010301-20010310"}, "c"},
               {{"/ly20010311"}, "d"},
               {{"/ly200101-200102"}, ""},
               {{"/ly-20010310"}, "c"},
               {{"/ly2001123123-"}, "abef"},
               {{"/lyw2001", "/lyr2010"}, "a"},
               {{"/lyr2010"}, "ab"},
               {{"/lyd2001"}, "abcde"},
               {{"/ly2001", "/ly"}, "abcdef"}});
  check_cases(make_attributed, {"*", "/d"},
              {{{"/sar"}, "bcd"},
               {{"/law"}, "bcd"},
               {{"/lar"}, "a"},
               {{"/sah"}, "acd"},
               {{"/lah"}, "b"},
               {{"/sadh"}, "abc"},
               {{"/ladh"}, "abcd"},
               {{"/lAd"}, "abc"},
               {{"/lAdh"}, "abcd"},
               // Every Linux file has the archive bit: /sAa skips the
               // plain ones.
               {{"/sAa"}, "ab"},
               {{"/sarh", "/or"}, "acd"}});
}

// /v+k reports what the filters excluded, whether a directory was asked as
// a candidate (/fa) or only before the walk enters it.
TEST(FilterE2E, ExcludedEntriesAreReportedAndDirectoriesNotEntered) {
  TempDir d;
  for (const char* file : {"ax.txt", "bx.txt", "subx/cx.txt", "keepx/dx.txt"}) {
    d.file(file);
  }
  RunResult r = run_kavo(
      d.path(), {"x", "y", "*", "/d", "/fa", "/sdsub*", "/sfbx.txt", "/v+k"});
  EXPECT_EQ(r.out,
            "keepx→keepy\nkeepy\\dx.txt→dy.txt\nDIR対象外:subx\n"
            "ax.txt→ay.txt\n対象外:bx.txt\n\n改名成功:3個\n");
  EXPECT_EQ(r.exit_code, 0);
  r = run_kavo(d.path(), {"x", "y", "*", "/d", "/sdsub*", "/v+k"});
  EXPECT_EQ(r.out, "DIR対象外:subx\nbx.txt→by.txt\n\n改名成功:1個\n");
  // Without /v+k nothing is said about them.
  r = run_kavo(d.path(), {"x", "y", "*", "/d", "/sdsub*"});
  EXPECT_EQ(r.out, "改名対象なし\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(d.tree(), (Tree{"ay.txt", "by.txt", "keepy/", "keepy/dy.txt",
                            "subx/", "subx/cx.txt"}));
}

TEST(FilterE2E, SecondArgumentInTheSameDirectoryIsNotCompletedAgain) {
  TempDir d;
  for (const char* file :
       {"d/ox.txt", "d/px.doc", "d/keep/ax.txt", "d/keep/bx.doc"}) {
    d.file(file);
  }
  RunResult r =
      run_kavo(d.path(), {"x", "y", "d/*.txt", "d/*.doc", "/d", "/shkeep"});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(renamed(d), "op");
}

TEST(FilterE2E, ValuesInAUtf8Setting) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "the external encoding is Linux's";
  }
  auto u8 = [](const char8_t* s) { return reinterpret_cast<const char*>(s); };
  TempDir d;
  for (const char8_t* file : {u8"表x.txt", u8"ソx.txt", u8"表/ax.txt"}) {
    d.file(u8(file));
  }
  kavo_test::RunSpec request;
  request.directory = d.path();
  request.args = {"x", "y", "*", "/d", u8(u8"/sf表*"), u8(u8"/sh表")};
  request.env = {"KAVO_ENCODING=UTF-8", "TZ=UTC"};
  RunResult r = kavo_test::run_command(request);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), (Tree{u8(u8"ソy.txt"), u8(u8"表/"), u8(u8"表/ax.txt"),
                            u8(u8"表x.txt")}));
}

}  // namespace

// End-to-end behaviour of the directory walk and the rename step: order of
// work, snapshots, directories, single named targets, existing targets,
// overwrites, test mode and the runs that stop.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace {

using kavo_test::run_kavo;
using kavo_test::RunResult;
using kavo_test::TempDir;
using Tree = std::vector<std::string>;

std::string stop_line(const std::string& message) {
  return "\n\a処理停止:" + message + "\n";
}

// One run of a case and what it must give.
struct Step {
  std::vector<std::string> args;
  std::string out;
  int exit_code;
  std::string err = "";
};

// Files are made holding their own path; afterwards a file that holds
// another one's is listed as "new<old", so a lost or replaced file shows.
struct Case {
  const char* label;
  Tree files;
  std::vector<Step> steps;
  Tree after;
  Tree read_only = {};
  bool linux_only = false;
};

Tree listing(const TempDir& d) {
  Tree out;
  for (const std::string& entry : d.tree()) {
    std::string content =
        entry.back() == '/' ? entry : kavo_test::read_file(d.at(entry));
    out.push_back(content == entry ? entry : entry + "<" + content);
  }
  return out;
}

void run_case(const Case& c) {
  SCOPED_TRACE(c.label);
  if (c.linux_only && kavo_test::windows_build()) return;
  TempDir d;
  for (const std::string& file : c.files) d.file(file, file);
  for (const std::string& file : c.read_only) {
    ASSERT_EQ(chmod(d.at(file).c_str(), 0444), 0);
  }
  for (const Step& step : c.steps) {
    RunResult r = run_kavo(d.path(), step.args);
    EXPECT_EQ(r.out, step.out) << step.args.back();
    EXPECT_EQ(r.err, step.err) << step.args.back();
    EXPECT_EQ(r.exit_code, step.exit_code) << step.args.back();
  }
  EXPECT_EQ(listing(d), c.after);
}

TEST(RenameE2E, WalksAndOutcomes) {
  const std::string long_body(252, 'x');  // Linux refuses names over 255
  const Case cases[] = {
      // A.txt and a.txt cannot both exist on Windows.
      {"directories first, then bytes",
       {"b.txt", "A.txt", "a.txt", "z/c.txt"},
       {{{"", "x", "*", "/h", "/d"},
         "z\\c.txt→xc.txt\nA.txt→xA.txt\na.txt→xa.txt\nb.txt→xb.txt\n"
         "\n改名成功:4個\n",
         0}},
       {"xA.txt<A.txt", "xa.txt<a.txt", "xb.txt<b.txt", "z/",
        "z/xc.txt<z/c.txt"},
       {},
       true},
      {"a renamed directory is entered under its new name, in test mode "
       "under the old one",
       {"old1/old2/old3/old_c.txt", "old1/old2/old_b.txt", "old1/old2/zold.txt",
        "old1/old_a.txt"},
       {{{"old", "new", "*", "/d", "/fa", "/test"},
         "old1→new1\nold1\\old2→new2\nold1\\old2\\old3→new3\n"
         "old1\\old2\\old3\\old_c.txt→new_c.txt\n"
         "old1\\old2\\old_b.txt→new_b.txt\nold1\\old2\\zold.txt→znew.txt\n"
         "old1\\old_a.txt→new_a.txt\n\n改名成功:7個\n",
         0},
        {{"old", "new", "*", "/d", "/fa"},
         "old1→new1\nnew1\\old2→new2\nnew1\\new2\\old3→new3\n"
         "new1\\new2\\new3\\old_c.txt→new_c.txt\n"
         "new1\\new2\\old_b.txt→new_b.txt\nnew1\\new2\\zold.txt→znew.txt\n"
         "new1\\old_a.txt→new_a.txt\n\n改名成功:7個\n",
         0}},
       {"new1/", "new1/new2/", "new1/new2/new3/",
        "new1/new2/new3/new_c.txt<old1/old2/old3/old_c.txt",
        "new1/new2/new_b.txt<old1/old2/old_b.txt",
        "new1/new2/znew.txt<old1/old2/zold.txt",
        "new1/new_a.txt<old1/old_a.txt"}},
      // The last argument names the directory that has just taken the name
      // "ba", never the one that had it before.
      {"later arguments see the tree as it has become",
       {"ba/aa1.txt", "aa/aa2.txt"},
       {{{"a", "b", "ba/*", "ba", "aa", "ba/*", "/c"},
         "ba\\aa1.txt→ba1.txt\nba→bb\naa→ba\nba\\aa2.txt→ba2.txt\n"
         "\n改名成功:4個\n",
         0}},
       {"ba/", "ba/ba2.txt<aa/aa2.txt", "bb/", "bb/ba1.txt<ba/aa1.txt"},
       {},
       true},
      {"/fd renames directories alone; by default they are only entered",
       {"old1/old2.txt", "old3.txt"},
       {{{"old", "new", "*", "/fd", "/d"}, "old1→new1\n\n改名成功:1個\n", 0},
        {{"new", "old", "*", "/d"}, "改名対象なし\n", 2},
        {{"old", "x", "*", "/d"},
         "new1\\old2.txt→x2.txt\nold3.txt→x3.txt\n\n改名成功:2個\n",
         0}},
       {"new1/", "new1/x2.txt<old1/old2.txt", "x3.txt<old3.txt"}},
      {"a name without wildcards in every subdirectory",
       {"a.txt", "s/a.txt", "s/t/a.txt", "s/t/c.txt"},
       {{{"a", "b", "a.txt", "/d"},
         "s\\t\\a.txt→b.txt\ns\\a.txt→b.txt\na.txt→b.txt\n\n改名成功:3個\n",
         0}},
       {"b.txt<a.txt", "s/", "s/b.txt<s/a.txt", "s/t/", "s/t/b.txt<s/t/a.txt",
        "s/t/c.txt"}},
      {"names are looked up with their case, wildcards fold it",
       {"a.TXT"},
       {{{"a", "b", "a.txt", "/fcase"}, "存在せず:a.txt\n", 1},
        {{"a", "b", "*.txt", "/fcase"}, "存在せず:*.txt\n", 1},
        {{"a", "b", "*.txt"}, "a.TXT→b.TXT\n\n改名成功:1個\n", 0}},
       {"b.TXT<a.TXT"}},
      {"a change of letter case alone is a plain move",
       {"a.txt", "b.txt"},
       {{{"a", "A", "a.txt", "/e"}, "a.txt→A.txt\n\n改名成功:1個\n", 0},
        {{"b", "B", "*", "/e", "/o"},
         "b.txt→B.txt\n\n改名成功:1個（通常:1個, 上書:0個）\n",
         0}},
       {"A.txt<a.txt", "B.txt<b.txt"}},
      {"an existing target stops the run or, with /c, is passed over",
       {"a.txt", "b.txt", "c_a.txt"},
       {{{"a", "b", "*.txt"}, "存在済:a.txt≠b.txt\n\n", 1},
        {{"a", "b", "*.txt", "/test", "/o"},
         "a.txt=>b.txt\nc_a.txt→c_b.txt\n\n改名成功:2個（通常:1個, "
         "上書:1個）\n",
         0},
        {{"a", "b", "*.txt", "/test", "/c"},
         "存在済:a.txt≠b.txt\nc_a.txt→c_b.txt\n\n改名成功:1個\n改名失敗:1個\n",
         2},
        {{"a", "b", "*.txt", "/c"},
         "存在済:a.txt≠b.txt\nc_a.txt→c_b.txt\n\n改名成功:1個\n改名失敗:1個\n",
         2}},
       {"a.txt", "b.txt", "c_b.txt<c_a.txt"}},
      {"an overwrite replaces the target in one move",
       {"a.txt", "b.txt"},
       {{{"a", "b", "a.txt", "/o"},
         "a.txt=>b.txt\n\n改名成功:1個（通常:0個, 上書:1個）\n",
         0},
        {{"b", "b", "*", "/v+n"}, "b.txt\n改名対象なし\n", 2}},
       {"b.txt<a.txt"}},
      {"a refused overwrite keeps both entries; /or clears read-only",
       {"a.txt", "b.txt", "a.log", "b.log/inner"},
       {{{"a", "b", "*", "/o", "/c"},
         "上書改名不能:a.log≠b.log\n上書改名不能:a.txt≠b.txt\n\n"
         "改名失敗:2個\n",
         2},
        {{"a", "b", "a.txt", "/or"},
         "a.txt=>b.txt\n\n改名成功:1個（通常:0個, 上書:1個）\n",
         0}},
       {"a.log", "b.log/", "b.log/inner", "b.txt<a.txt"},
       {"b.txt"}},
      {"a move the file system refuses",
       {"a.txt"},
       {{{"a", long_body, "a.txt"},
         "改名不能:a.txt≠" + long_body + ".txt\n\n",
         1},
        {{"a", long_body, "a.txt", "/v-e", "/c"}, "\n改名失敗:1個\n", 2}},
       {"a.txt"}},
      {"arguments that find nothing or stop the run",
       {"a.txt"},
       {{{"a", "b", "none.txt"}, "存在せず:none.txt\n", 1},
        {{"a", "b", "missing\\*.txt"}, "存在せず:missing\\*.txt\n", 1},
        {{"a", "b", "a.txt\\*"}, "存在せず:a.txt\\*\n", 1},
        {{"a", "b", "c:"}, "存在せず:c:\n", 1},
        {{"a", "b", "c:\\"}, "存在せず:c:\\\n", 1},
        {{"a", "b", std::string(2100, 'a')},
         "",
         1,
         stop_line("パス名が長すぎます:" + std::string(2100, 'a'))},
        {{"a", "b", "\\\\server"},
         "",
         1,
         stop_line("複写元\"\\\\server\"に共有名がありません。")},
        {{"a", "b", "a.txt", "/d", "/fa"},
         "",
         1,
         stop_line("複写元ディレクトリ\"a.txt\"がありません。")}},
       {"a.txt"}},
  };
  for (const Case& c : cases) run_case(c);
}

// A renamed file never comes back in the same walk, even when its new
// name sorts later and still matches.
TEST(RenameE2E, SnapshotRenamesEachEntryOnce) {
  TempDir d;
  Tree expected;
  for (int i = 1000; i < 1600; ++i) {
    d.file("a" + std::to_string(i));
    expected.push_back("ba" + std::to_string(i));
  }
  RunResult r = run_kavo(d.path(), {"a", "ba", "*", "/v="});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), expected);
}

TEST(RenameE2E, SingleNamedTargets) {
  TempDir d;
  d.file("sub/old1/keep.txt");
  d.file("sub/old3.txt");
  // A directory named without /d is renamed itself, wherever it lies.
  RunResult dir = run_kavo(d.path(), {"old", "new", "sub\\old1"});
  EXPECT_EQ(dir.out, "sub\\old1→new1\n\n改名成功:1個\n");
  RunResult file = run_kavo(d.path(), {"old", "new", "sub/old3.txt"});
  EXPECT_EQ(file.out, "sub\\old3.txt→new3.txt\n\n改名成功:1個\n");
  // With a drive letter and an absolute path, from another directory: any
  // letter on Linux, the one Wine gives the directory on Windows.
  std::string absolute = kavo_test::program_path(d.at("sub/new1"));
  if (!kavo_test::windows_build()) absolute = "c:" + absolute;
  RunResult drive = run_kavo("/", {"new", "old", absolute});
  EXPECT_EQ(drive.out, absolute + "→old1\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(),
            Tree({"sub/", "sub/new3.txt", "sub/old1/", "sub/old1/keep.txt"}));
}

// The run never moves or replaces the log file it is writing.
TEST(RenameE2E, OpenLogIsNeitherReplacedNorMoved) {
  TempDir d;
  d.file("x.txt", "X");
  RunResult replace =
      run_kavo(d.path(), {"x", "run", "x.txt", "/o", "/LOGrun.txt"});
  EXPECT_EQ(replace.out, "上書改名不能:x.txt≠run.txt\n\n");
  EXPECT_EQ(replace.exit_code, 1);
  RunResult taken = run_kavo(d.path(), {"x", "run", "x.txt", "/LOGrun.txt"});
  EXPECT_EQ(taken.out, "存在済:x.txt≠run.txt\n\n");
  EXPECT_EQ(taken.exit_code, 1);
  RunResult move =
      run_kavo(d.path(), {"run", "moved", "run.txt", "/LOGrun.txt"});
  EXPECT_EQ(move.out, "改名不能:run.txt≠moved.txt\n\n");
  EXPECT_EQ(move.exit_code, 1);
  EXPECT_EQ(d.tree(), Tree({"run.txt", "x.txt"}));
  EXPECT_EQ(kavo_test::read_file(d.at("x.txt")), "X");
}

}  // namespace

// End-to-end behaviour of the directory walk and the rename step: order of
// work, snapshots, directories, single named targets, existing targets,
// overwrites, test mode and the limits of paths.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The directory of `d` as the program writes it ('\' separators).
std::string internal(const TempDir& d, const std::string& relative) {
  std::string path = d.at(relative);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST(RenameE2E, SortedOrderOfWork) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "A.txt and a.txt cannot both exist on Windows";
  }
  TempDir d;
  d.file("b.txt");
  d.file("A.txt");
  d.file("a.txt");
  d.file("z/c.txt");
  RunResult r = run_kavo(d.path(), {"", "x", "*", "/h", "/d"});
  EXPECT_EQ(r.out,
            "z\\c.txt→xc.txt\nA.txt→xA.txt\na.txt→xa.txt\nb.txt→xb.txt\n"
            "\n改名成功:4個\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), Tree({"xA.txt", "xa.txt", "xb.txt", "z/", "z/xc.txt"}));
}

// A renamed file never comes back in the same walk, even when its new
// name sorts later and still matches.
TEST(RenameE2E, SnapshotRenamesEachEntryOnce) {
  TempDir d;
  const int count = 600;
  for (int i = 0; i < count; ++i) d.file("a" + std::to_string(1000 + i));
  RunResult r = run_kavo(d.path(), {"a", "ba", "*", "/v="});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  Tree expected;
  for (int i = 0; i < count; ++i)
    expected.push_back("ba" + std::to_string(1000 + i));
  EXPECT_EQ(d.tree(), expected);
}

TEST(RenameE2E, DirectoryIsRenamedThenEnteredUnderItsNewName) {
  TempDir d;
  d.file("old1/old2.txt");
  RunResult r = run_kavo(d.path(), {"old", "new", "*", "/d", "/fa"});
  EXPECT_EQ(r.out, "old1→new1\nnew1\\old2.txt→new2.txt\n\n改名成功:2個\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), Tree({"new1/", "new1/new2.txt"}));
}

TEST(RenameE2E, TestModeEntersUnderTheOldName) {
  TempDir d;
  d.file("old1/old2.txt");
  RunResult r = run_kavo(d.path(), {"old", "new", "*", "/d", "/fa", "/test"});
  EXPECT_EQ(r.out, "old1→new1\nold1\\old2.txt→new2.txt\n\n改名成功:2個\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), Tree({"old1/", "old1/old2.txt"}));
}

TEST(RenameE2E, FileKindSelection) {
  TempDir d;
  d.file("old1/old2.txt");
  d.file("old3.txt");
  // /fd: only directories are renamed, files are never looked at.
  RunResult dirs = run_kavo(d.path(), {"old", "new", "*", "/fd", "/d"});
  EXPECT_EQ(dirs.out, "old1→new1\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(), Tree({"new1/", "new1/old2.txt", "old3.txt"}));
  // /ff (default): directories are entered with /d but never renamed.
  RunResult files = run_kavo(d.path(), {"new", "old", "*", "/d"});
  EXPECT_EQ(files.out, "改名対象なし\n");
  EXPECT_EQ(files.exit_code, 2);
  RunResult again = run_kavo(d.path(), {"old", "x", "*", "/d"});
  EXPECT_EQ(again.out,
            "new1\\old2.txt→x2.txt\nold3.txt→x3.txt\n\n改名成功:2個\n");
}

TEST(RenameE2E, ExcludedDirectoryIsNeitherRenamedNorEntered) {
  TempDir d;
  d.file("keep/a.txt");
  d.file("skip_a/a.txt");
  d.file("a.txt");
  RunResult all =
      run_kavo(d.path(), {"a", "b", "*", "/d", "/fa", "/sdskip_a", "/v+k"});
  EXPECT_EQ(all.out,
            "keep\\a.txt→b.txt\nDIR対象外:skip_a\na.txt→b.txt\n"
            "\n改名成功:2個\n");
  EXPECT_EQ(d.tree(),
            Tree({"b.txt", "keep/", "keep/b.txt", "skip_a/", "skip_a/a.txt"}));
  RunResult files =
      run_kavo(d.path(), {"b", "c", "*", "/d", "/sdskip_a", "/v+k"});
  EXPECT_EQ(files.out,
            "keep\\b.txt→c.txt\nDIR対象外:skip_a\nb.txt→c.txt\n"
            "\n改名成功:2個\n");
}

TEST(RenameE2E, EveryCandidateExcluded) {
  TempDir d;
  d.file("a.txt");
  d.file("b.txt");
  RunResult shown = run_kavo(d.path(), {"a", "x", "*", "/setxt", "/v+k"});
  EXPECT_EQ(shown.out, "対象外:a.txt\n対象外:b.txt\n改名対象なし\n");
  EXPECT_EQ(shown.exit_code, 2);
  RunResult quiet = run_kavo(d.path(), {"a", "x", "*", "/setxt"});
  EXPECT_EQ(quiet.out, "改名対象なし\n");
  EXPECT_EQ(d.tree(), Tree({"a.txt", "b.txt"}));
}

TEST(RenameE2E, NamedPatternInEverySubdirectory) {
  TempDir d;
  d.file("a.txt");
  d.file("s/a.txt");
  d.file("s/t/a.txt");
  d.file("s/t/c.txt");
  RunResult r = run_kavo(d.path(), {"a", "b", "a.txt", "/d"});
  EXPECT_EQ(r.out,
            "s\\t\\a.txt→b.txt\ns\\a.txt→b.txt\na.txt→b.txt\n\n改名成功:3個\n");
  EXPECT_EQ(d.tree(),
            Tree({"b.txt", "s/", "s/b.txt", "s/t/", "s/t/b.txt", "s/t/c.txt"}));
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
  std::string absolute = kavo_test::windows_build()
                             ? kavo_test::program_path(d.at("sub/new1"))
                             : "c:" + internal(d, "sub\\new1");
  RunResult drive = run_kavo("/", {"new", "old", absolute});
  EXPECT_EQ(drive.out, absolute + "→old1\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(),
            Tree({"sub/", "sub/new3.txt", "sub/old1/", "sub/old1/keep.txt"}));
}

TEST(RenameE2E, TargetsThatFindNothing) {
  TempDir d;
  d.file("a.txt");
  const char* arguments[] = {"none.txt", "missing\\*.txt", "a.txt\\*",
                             "c:", "c:\\"};
  for (const char* argument : arguments) {
    RunResult r = run_kavo(d.path(), {"a", "b", argument});
    EXPECT_EQ(r.out, std::string("存在せず:") + argument + "\n") << argument;
    EXPECT_EQ(r.exit_code, 1) << argument;
  }
  EXPECT_EQ(d.tree(), Tree({"a.txt"}));
}

TEST(RenameE2E, CaseSensitiveNames) {
  TempDir d;
  d.file("a.TXT");
  RunResult single = run_kavo(d.path(), {"a", "b", "a.txt", "/fcase"});
  EXPECT_EQ(single.out, "存在せず:a.txt\n");
  RunResult strict = run_kavo(d.path(), {"a", "b", "*.txt", "/fcase"});
  EXPECT_EQ(strict.out, "存在せず:*.txt\n");
  RunResult folded = run_kavo(d.path(), {"a", "b", "*.txt"});
  EXPECT_EQ(folded.out, "a.TXT→b.TXT\n\n改名成功:1個\n");
}

TEST(RenameE2E, LetterCaseOnlyRename) {
  TempDir d;
  d.file("a.txt", "A");
  RunResult r = run_kavo(d.path(), {"a", "A", "*", "/e", "/o"});
  EXPECT_EQ(r.out, "a.txt→A.txt\n\n改名成功:1個（通常:1個, 上書:0個）\n");
  EXPECT_EQ(kavo_test::read_file(d.at("A.txt")), "A");
}

TEST(RenameE2E, ExistingTargetStopsTheRun) {
  TempDir d;
  d.file("a.txt", "A");
  d.file("b.txt", "B");
  d.file("c_a.txt");
  RunResult r = run_kavo(d.path(), {"a", "b", "*.txt"});
  EXPECT_EQ(r.out, "存在済:a.txt≠b.txt\n\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(d.tree(), Tree({"a.txt", "b.txt", "c_a.txt"}));
  EXPECT_EQ(kavo_test::read_file(d.at("b.txt")), "B");
}

TEST(RenameE2E, ExistingTargetWithContinue) {
  TempDir d;
  d.file("a.txt", "A");
  d.file("b.txt", "B");
  d.file("c_a.txt");
  RunResult r = run_kavo(d.path(), {"a", "b", "*.txt", "/c"});
  EXPECT_EQ(r.out,
            "存在済:a.txt≠b.txt\nc_a.txt→c_b.txt\n\n改名成功:1個\n"
            "改名失敗:1個\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(d.tree(), Tree({"a.txt", "b.txt", "c_b.txt"}));
}

TEST(RenameE2E, OverwriteReplacesInOneMove) {
  TempDir d;
  d.file("a.txt", "A");
  d.file("b.txt", "B");
  RunResult r = run_kavo(d.path(), {"a", "b", "a.txt", "/o"});
  EXPECT_EQ(r.out, "a.txt=>b.txt\n\n改名成功:1個（通常:0個, 上書:1個）\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.tree(), Tree({"b.txt"}));
  EXPECT_EQ(kavo_test::read_file(d.at("b.txt")), "A");
}

TEST(RenameE2E, RefusedOverwriteKeepsBothEntries) {
  TempDir d;
  d.file("a.txt", "A");
  d.file("b.txt", "B");
  d.file("a.log", "L");
  d.file("b.log/inner", "I");
  ASSERT_EQ(chmod(d.at("b.txt").c_str(), 0444), 0);
  RunResult r = run_kavo(d.path(), {"a", "b", "*", "/o", "/c"});
  EXPECT_EQ(r.out,
            "上書改名不能:a.log≠b.log\n上書改名不能:a.txt≠b.txt\n\n"
            "改名失敗:2個\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(kavo_test::read_file(d.at("b.txt")), "B");
  EXPECT_EQ(kavo_test::read_file(d.at("b.log/inner")), "I");
  EXPECT_EQ(kavo_test::read_file(d.at("a.txt")), "A");

  // /or clears the read-only bit first.
  RunResult readonly = run_kavo(d.path(), {"a", "b", "a.txt", "/or"});
  EXPECT_EQ(readonly.out,
            "a.txt=>b.txt\n\n改名成功:1個（通常:0個, 上書:1個）\n");
  EXPECT_EQ(kavo_test::read_file(d.at("b.txt")), "A");
}

TEST(RenameE2E, TestModeChangesNothing) {
  TempDir d;
  d.file("a.txt", "A");
  d.file("b.txt", "B");
  d.file("c_a.txt");
  RunResult overwrite = run_kavo(d.path(), {"a", "b", "*.txt", "/test", "/o"});
  EXPECT_EQ(overwrite.out,
            "a.txt=>b.txt\nc_a.txt→c_b.txt\n\n"
            "改名成功:2個（通常:1個, 上書:1個）\n");
  EXPECT_EQ(overwrite.exit_code, 0);
  RunResult conflict = run_kavo(d.path(), {"a", "b", "*.txt", "/test", "/c"});
  EXPECT_EQ(conflict.out,
            "存在済:a.txt≠b.txt\nc_a.txt→c_b.txt\n\n改名成功:1個\n"
            "改名失敗:1個\n");
  EXPECT_EQ(conflict.exit_code, 2);
  EXPECT_EQ(d.tree(), Tree({"a.txt", "b.txt", "c_a.txt"}));
  EXPECT_EQ(kavo_test::read_file(d.at("b.txt")), "B");
}

TEST(RenameE2E, UnchangedNamesAreShownWithVn) {
  TempDir d;
  d.file("a.txt");
  d.file("b.txt");
  RunResult r = run_kavo(d.path(), {"a", "a", "*", "/v+n"});
  EXPECT_EQ(r.out, "a.txt\nb.txt\n改名対象なし\n");
  EXPECT_EQ(r.exit_code, 2);
}

// Linux refuses names over 255 bytes: the move fails.
TEST(RenameE2E, RefusedMove) {
  TempDir d;
  d.file("a.txt");
  const std::string long_body(252, 'x');
  RunResult shown = run_kavo(d.path(), {"a", long_body, "a.txt"});
  EXPECT_EQ(shown.out, "改名不能:a.txt≠" + long_body + ".txt\n\n");
  EXPECT_EQ(shown.exit_code, 1);
  RunResult hidden =
      run_kavo(d.path(), {"a", long_body, "a.txt", "/v-e", "/c"});
  EXPECT_EQ(hidden.out, "\n改名失敗:1個\n");
  EXPECT_EQ(hidden.exit_code, 2);
  EXPECT_EQ(d.tree(), Tree({"a.txt"}));
}

TEST(RenameE2E, SymbolicLinksAreNotFollowed) {
  if (kavo_test::windows_build()) GTEST_SKIP() << "Linux symbolic links";
  TempDir d;
  d.file("real/a.txt");
  ASSERT_EQ(symlink("real", d.at("lnk_a").c_str()), 0);
  ASSERT_EQ(symlink(".", d.at("loop").c_str()), 0);
  RunResult r = run_kavo(d.path(), {"a", "b", "*", "/d"});
  EXPECT_EQ(r.out, "real\\a.txt→b.txt\nlnk_a→lnk_b\n\n改名成功:2個\n");
  EXPECT_EQ(d.tree(), Tree({"lnk_b", "loop", "real/", "real/b.txt"}));
}

// The run never moves or replaces the log file it is writing.
TEST(RenameE2E, OpenLogIsNeitherReplacedNorMoved) {
  TempDir d;
  d.file("x.txt", "X");
  RunResult replace =
      run_kavo(d.path(), {"x", "run", "x.txt", "/o", "/LOGrun.txt"});
  EXPECT_EQ(replace.out, "上書改名不能:x.txt≠run.txt\n\n");
  EXPECT_EQ(replace.exit_code, 1);
  EXPECT_EQ(kavo_test::read_file(d.at("x.txt")), "X");
  RunResult taken = run_kavo(d.path(), {"x", "run", "x.txt", "/LOGrun.txt"});
  EXPECT_EQ(taken.out, "存在済:x.txt≠run.txt\n\n");
  RunResult move =
      run_kavo(d.path(), {"run", "moved", "run.txt", "/LOGrun.txt"});
  EXPECT_EQ(move.out, "改名不能:run.txt≠moved.txt\n\n");
  EXPECT_EQ(move.exit_code, 1);
  EXPECT_EQ(d.tree(), Tree({"run.txt", "x.txt"}));
}

TEST(RenameE2E, PathsLongerThanTheBuffer) {
  if (kavo_test::windows_build()) {
    GTEST_SKIP() << "Windows' ANSI calls reach no path beyond MAX_PATH";
  }
  TempDir d;
  const std::string name(200, 'd');
  std::string relative;
  std::string path;
  for (int level = 0; level < 11; ++level) {
    relative += (level ? "/" : "") + name;
    path += (level ? "\\" : "") + name;
  }
  d.file(relative + "/a.txt");
  d.file("a.txt");
  RunResult deep = run_kavo(d.path(), {"a", "b", "*", "/d"});
  EXPECT_EQ(deep.err, stop_line("パス名が長すぎます:" + path));
  EXPECT_EQ(deep.exit_code, 1);
  EXPECT_TRUE(kavo_test::exists(d.at("a.txt")));
}

TEST(RenameE2E, ArgumentLongerThanTheBuffer) {
  TempDir d;
  const std::string argument(2100, 'a');
  RunResult long_argument = run_kavo(d.path(), {"a", "b", argument});
  EXPECT_EQ(long_argument.err, stop_line("パス名が長すぎます:" + argument));
  EXPECT_EQ(long_argument.exit_code, 1);
}

TEST(RenameE2E, NetworkPathWithoutShare) {
  TempDir d;
  RunResult r = run_kavo(d.path(), {"a", "b", "\\\\server"});
  EXPECT_EQ(r.err, stop_line("複写元\"\\\\server\"に共有名がありません。"));
  EXPECT_EQ(r.exit_code, 1);
}

TEST(RenameE2E, NonWildcardFileWithRecursiveAllKinds) {
  TempDir d;
  d.file("a.txt");
  RunResult r = run_kavo(d.path(), {"a", "b", "a.txt", "/d", "/fa"});
  EXPECT_EQ(r.err, stop_line("複写元ディレクトリ\"a.txt\"がありません。"));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(d.tree(), Tree({"a.txt"}));
}

TEST(RenameE2E, ShiftJisNamesInUtf8Setting) {
  if (kavo_test::windows_build()) GTEST_SKIP() << "KAVO_ENCODING is Linux's";
  TempDir d;
  const std::string before = reinterpret_cast<const char*>(u8"写真a.txt");
  const std::string after = reinterpret_cast<const char*>(u8"写真b.txt");
  d.file(before);
  kavo_test::RunSpec spec;
  spec.directory = d.path();
  spec.args = {"a", "b", reinterpret_cast<const char*>(u8"写真*")};
  spec.env = {"KAVO_ENCODING=UTF-8", "TZ=UTC"};
  RunResult r = kavo_test::run_command(spec);
  EXPECT_EQ(r.out, before + reinterpret_cast<const char*>(u8"→") + after +
                       reinterpret_cast<const char*>(u8"\n\n改名成功:1個\n"));
  EXPECT_EQ(d.tree(), Tree({after}));
}

}  // namespace

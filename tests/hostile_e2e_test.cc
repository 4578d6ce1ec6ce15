// Trees built to mislead a renamer: links to directories and link loops,
// directories swapped for links or taken away while the walk runs, a tree
// deeper than any path buffer, a directory of 200,000 entries, names of 255
// bytes and of every byte Linux allows, an argument of 10,000 bytes. Each
// test checks that nothing outside the tree is touched, nothing is renamed
// wrongly and the command ends with a clear answer.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/harness.h"
#include "tests/pty_harness.h"

namespace {

using kavo_test::read_file;
using kavo_test::RunResult;
using kavo_test::RunSpec;
using kavo_test::TempDir;

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const std::string kStop = "\n\a" + std::string("処理停止:");

bool is_link(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string link_target(const std::string& path) {
  char buffer[4096];
  ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
  return n < 0 ? std::string() : std::string(buffer, n);
}

std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

RunResult run_in(const std::string& dir, const std::vector<std::string>& args,
                 const std::vector<std::string>& env = {"KAVO_ENCODING=CP932",
                                                        "TZ=UTC"}) {
  RunSpec spec;
  spec.directory = dir;
  spec.args = args;
  spec.env = env;
  spec.timeout_seconds = 120;
  return kavo_test::run_command(spec);
}

// Removes a tree however deep, one directory descriptor at a time (a path
// deeper than the kernel's limit cannot be removed by its name).
void remove_at(int dir, const char* name) {
  if (unlinkat(dir, name, 0) == 0) return;
  int fd = openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return;
  if (DIR* d = fdopendir(fd)) {
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    for (const std::string& n : names) remove_at(fd, n.c_str());
    closedir(d);
  } else {
    close(fd);
  }
  unlinkat(dir, name, AT_REMOVEDIR);
}

// A temporary directory in memory (/dev/shm) where there is one: making and
// removing hundreds of thousands of files on a disk takes many times longer.
std::unique_ptr<TempDir> memory_temp_dir() {
  const char* saved = getenv("TMPDIR");
  std::string old = saved ? saved : "";
  if (access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
  auto dir = std::make_unique<TempDir>();
  if (saved) {
    setenv("TMPDIR", old.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  return dir;
}

// ---- Links ---------------------------------------------------------------

TEST(HostileE2E, LinkToADirectoryIsRenamedAsALinkAndNeverEntered) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("outside/ABC_in.txt", "outside");
  d.file("work/ABC_real/ABC_f.txt", "inside");
  ASSERT_EQ(0, symlink("../outside", d.at("work/ABC_link").c_str()));
  RunResult r = run_in(d.at("work"), {"ABC", "XYZ", "*", "/d", "/fa"});
  EXPECT_EQ(r.out,
            "ABC_real→XYZ_real\n"
            "XYZ_real\\ABC_f.txt→XYZ_f.txt\n"
            "ABC_link→XYZ_link\n"
            "\n改名成功:3個\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(is_link(d.at("work/XYZ_link")));
  EXPECT_EQ(link_target(d.at("work/XYZ_link")), "../outside");
  EXPECT_EQ(names_in(d.at("outside")), std::vector<std::string>{"ABC_in.txt"});
  EXPECT_EQ(read_file(d.at("work/XYZ_real/XYZ_f.txt")), "inside");

  // Named as a directory, a link is not one: nothing is found behind it.
  r = run_in(d.at("work"), {"ABC", "XYZ", "XYZ_link/*", "/d"});
  EXPECT_EQ(r.out, "存在せず:XYZ_link/*\n");
  EXPECT_EQ(r.exit_code, 1);
  r = run_in(d.at("work"), {"ABC", "XYZ", "XYZ_link/ABC_in.txt"});
  EXPECT_EQ(r.out, "存在せず:XYZ_link/ABC_in.txt\n");
  EXPECT_EQ(names_in(d.at("outside")), std::vector<std::string>{"ABC_in.txt"});
}

TEST(HostileE2E, LinkLoopsAndDanglingLinksAreEntriesLikeAnyOther) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("ABC_sub/ABC_x.txt");
  ASSERT_EQ(0, symlink(".", d.at("ABC_self").c_str()));
  ASSERT_EQ(0, symlink("..", d.at("ABC_sub/ABC_up").c_str()));
  ASSERT_EQ(0, symlink("ABC_two", d.at("ABC_one").c_str()));
  ASSERT_EQ(0, symlink("ABC_one", d.at("ABC_two").c_str()));
  ASSERT_EQ(0, symlink("missing", d.at("ABC_dangling").c_str()));
  RunResult r = run_in(d.path(), {"ABC", "XYZ", "*", "/d", "/fa"});
  EXPECT_EQ(r.out,
            "ABC_sub→XYZ_sub\n"
            "XYZ_sub\\ABC_up→XYZ_up\n"
            "XYZ_sub\\ABC_x.txt→XYZ_x.txt\n"
            "ABC_dangling→XYZ_dangling\n"
            "ABC_one→XYZ_one\n"
            "ABC_self→XYZ_self\n"
            "ABC_two→XYZ_two\n"
            "\n改名成功:7個\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(link_target(d.at("XYZ_one")), "ABC_two");
  EXPECT_EQ(link_target(d.at("XYZ_self")), ".");
}

// ---- The tree changing under the walk -------------------------------------
//
// The pager holds the run at a known point: with /p on a terminal of 10 rows
// the first prompt follows the 8th result line, in the middle of the first
// directory's files. While the command waits for the key, the test changes
// the tree; then it answers All.

constexpr char kPrompt[] = "(Continue,/All/Quit)";

void make_numbered_files(TempDir* d, const std::string& dir, int count,
                         const std::string& content) {
  for (int i = 1; i <= count; ++i) {
    char name[32];
    snprintf(name, sizeof name, "/ABC_%02d.txt", i);
    d->file(dir + name, content);
  }
}

std::vector<std::string> numbered_names(const std::string& prefix, int count) {
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    snprintf(name, sizeof name, "%s_%02d.txt", prefix.c_str(), i);
    names.push_back(name);
  }
  return names;
}

kavo_test::PtySpec paged(const TempDir& d) {
  kavo_test::PtySpec spec;
  spec.directory = d.at("work");
  spec.args = {"ABC", "XYZ", "*", "/d", "/p"};
  return spec;
}

TEST(HostileE2E, DirectorySwappedForALinkDuringTheWalkIsNeverFollowed) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  make_numbered_files(&d, "outside", 20, "outside");
  make_numbered_files(&d, "work/ABC_a", 20, "a");
  make_numbered_files(&d, "work/ABC_b", 20, "b");
  kavo_test::PtySession run(paged(d));
  ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
  // The directory being walked and the one listed next both become links
  // to the outside directory, whose names are the same.
  ASSERT_EQ(0,
            rename(d.at("work/ABC_a").c_str(), d.at("work/moved_a").c_str()));
  ASSERT_EQ(0, symlink("../outside", d.at("work/ABC_a").c_str()));
  ASSERT_EQ(0,
            rename(d.at("work/ABC_b").c_str(), d.at("work/moved_b").c_str()));
  ASSERT_EQ(0, symlink("../outside", d.at("work/ABC_b").c_str()));
  ASSERT_TRUE(run.answer("A"));
  EXPECT_EQ(0, run.finish()) << run.screen();

  // The walk went on in the directory it had listed, and the link in place
  // of the next one was renamed as a link, never entered.
  EXPECT_EQ(names_in(d.at("outside")), numbered_names("ABC", 20));
  EXPECT_EQ(names_in(d.at("work/moved_a")), numbered_names("XYZ", 20));
  EXPECT_EQ(names_in(d.at("work/moved_b")), numbered_names("ABC", 20));
  EXPECT_TRUE(is_link(d.at("work/XYZ_b")));
  EXPECT_TRUE(is_link(d.at("work/ABC_a")));
  EXPECT_NE(run.screen().find("ABC_b→XYZ_b"), std::string::npos);
  EXPECT_EQ(run.screen().find("outside"), std::string::npos);
}

TEST(HostileE2E, DirectoriesTakenAwayOrTurnedIntoAFifoDuringTheWalk) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  make_numbered_files(&d, "work/ABC_a", 20, "a");
  make_numbered_files(&d, "work/ABC_b", 3, "b");
  make_numbered_files(&d, "work/ABC_c", 3, "c");
  make_numbered_files(&d, "work/ABC_d", 3, "d");
  kavo_test::PtySession run(paged(d));
  ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
  // Listed but not entered yet: one goes, one becomes a FIFO (which must
  // never be opened: that would wait for a writer for ever).
  std::string b = d.at("work/ABC_b");
  std::string c = d.at("work/ABC_c");
  ASSERT_EQ(0, rename(b.c_str(), d.at("gone_b").c_str()));
  ASSERT_EQ(0, rename(c.c_str(), d.at("gone_c").c_str()));
  ASSERT_EQ(0, mkfifo(c.c_str(), 0644));
  ASSERT_TRUE(run.answer("A"));
  EXPECT_EQ(0, run.finish(60000)) << run.screen();
  EXPECT_EQ(names_in(d.at("work/ABC_a")), numbered_names("XYZ", 20));
  EXPECT_EQ(names_in(d.at("work/ABC_d")), numbered_names("XYZ", 3));
  EXPECT_EQ(names_in(d.at("gone_b")), numbered_names("ABC", 3));
  struct stat st;
  ASSERT_EQ(0, lstat(d.at("work/XYZ_c").c_str(), &st));
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_NE(run.screen().find("改名成功:24個"), std::string::npos)
      << run.screen();
}

// Files listed but removed before their turn are passed over without a
// line or a count, whether the walk looks each entry up first (a size
// filter) or learns of it only when the move fails (no filter).
TEST(HostileE2E, FilesRemovedAfterTheListingArePassedOver) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  for (const char* filter : {"", "/ls0-"}) {
    SCOPED_TRACE(filter);
    TempDir d;
    make_numbered_files(&d, "work", 30, "x");
    kavo_test::PtySpec spec = paged(d);
    spec.args = {"ABC", "XYZ", "*.txt", "/p"};
    if (*filter) spec.args.push_back(filter);
    kavo_test::PtySession run(spec);
    ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
    int removed = 0;
    for (const std::string& name : names_in(d.at("work"))) {
      if (name.compare(0, 3, "ABC") != 0) continue;
      ASSERT_EQ(0, unlink(d.at("work/" + name).c_str()));
      ++removed;
    }
    ASSERT_GT(removed, 0);
    ASSERT_TRUE(run.answer("A"));
    EXPECT_EQ(0, run.finish()) << run.screen();
    const int renamed = static_cast<int>(names_in(d.at("work")).size());
    EXPECT_EQ(30, renamed + removed);
    EXPECT_EQ(run.screen().find("改名不能"), std::string::npos) << run.screen();
    std::string count = "改名成功:" + std::to_string(renamed) + "個";
    EXPECT_NE(run.screen().find(count), std::string::npos) << run.screen();
  }
}

// Runs kavo without the capabilities that let root read any directory, so
// that a directory's permission bits hold as for any user. Returns false
// when the capabilities cannot be dropped here.
bool run_without_dac(const std::string& dir,
                     const std::vector<std::string>& args, RunResult* result) {
  std::string out_file = dir + "/../kavo.out";
  pid_t pid = fork();
  if (pid == 0) {
    if (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
        prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0) {
      _exit(125);
    }
    int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    if (chdir(dir.c_str()) != 0) _exit(126);
    std::string binary = kavo_test::kavo_binary();
    std::vector<const char*> argv = {binary.c_str()};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const char* envp[] = {"KAVO_ENCODING=CP932", "TZ=UTC", nullptr};
    execve(binary.c_str(), const_cast<char**>(argv.data()),
           const_cast<char**>(envp));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 125) return false;
  result->exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result->out = read_file(out_file);
  return true;
}

TEST(HostileE2E, UnreadableDirectoryInTheMiddleOfTheWalkIsPassedOver) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("work/ABC_a/ABC_1.txt");
  d.file("work/ABC_b/ABC_2.txt");
  d.file("work/ABC_c/ABC_3.txt");
  ASSERT_EQ(0, chmod(d.at("work/ABC_b").c_str(), 0));
  RunResult r;
  if (!run_without_dac(d.at("work"), {"ABC", "XYZ", "*", "/d"}, &r)) {
    chmod(d.at("work/ABC_b").c_str(), 0755);
    GTEST_SKIP() << "cannot drop CAP_DAC_OVERRIDE here";
  }
  EXPECT_EQ(r.out,
            "ABC_a\\ABC_1.txt→XYZ_1.txt\n"
            "ABC_c\\ABC_3.txt→XYZ_3.txt\n"
            "\n改名成功:2個\n");
  EXPECT_EQ(r.exit_code, 0);
  // Renamed, the unreadable directory is still not entered: its file would
  // be renamed too.
  ASSERT_TRUE(
      run_without_dac(d.at("work"), {"ABC", "Q", "*", "/d", "/fa"}, &r));
  EXPECT_EQ(r.out,
            "ABC_a→Q_a\n"
            "ABC_b→Q_b\n"
            "ABC_c→Q_c\n"
            "\n改名成功:3個\n");
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_EQ(0, chmod(d.at("work/Q_b").c_str(), 0755));
  EXPECT_EQ(names_in(d.at("work/Q_b")), std::vector<std::string>{"ABC_2.txt"});
}

// ---- What the walk refers to after its own renames -------------------------

TEST(HostileE2E, RenamedDirectoriesAreWalkedUnderTheirNewNames) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("old1/old2/old3/old_c.txt", "c");
  d.file("old1/old2/old_b.txt", "b");
  d.file("old1/old_a.txt", "a");
  d.file("old1/old2/zold.txt", "z");
  RunResult r = run_in(d.path(), {"old", "new", "*", "/d", "/fa"});
  EXPECT_EQ(r.out,
            "old1→new1\n"
            "new1\\old2→new2\n"
            "new1\\new2\\old3→new3\n"
            "new1\\new2\\new3\\old_c.txt→new_c.txt\n"
            "new1\\new2\\old_b.txt→new_b.txt\n"
            "new1\\new2\\zold.txt→znew.txt\n"
            "new1\\old_a.txt→new_a.txt\n"
            "\n改名成功:7個\n");
  EXPECT_EQ(d.tree(), (std::vector<std::string>{
                          "new1/", "new1/new2/", "new1/new2/new3/",
                          "new1/new2/new3/new_c.txt", "new1/new2/new_b.txt",
                          "new1/new2/znew.txt", "new1/new_a.txt"}));
}

// A directory renamed by one argument, and another renamed to the first
// one's old name by the next: the third argument names the new holder of
// that name, never the directory that had it before.
TEST(HostileE2E, LaterArgumentsSeeTheTreeAsItHasBecome) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("ba/aa1.txt", "first");
  d.file("aa/aa2.txt", "second");
  RunResult r = run_in(d.path(), {"a", "b", "ba/*", "ba", "aa", "ba/*", "/c"});
  EXPECT_EQ(r.out,
            "ba\\aa1.txt→ba1.txt\n"
            "ba→bb\n"
            "aa→ba\n"
            "ba\\aa2.txt→ba2.txt\n"
            "\n改名成功:4個\n");
  EXPECT_EQ(d.tree(), (std::vector<std::string>{"ba/", "ba/ba2.txt", "bb/",
                                                "bb/ba1.txt"}));
}

// ---- Size and depth --------------------------------------------------------

// A chain of `depth` directories named `name` below `dir`, each holding a
// file "ABC_file.txt"; made with descriptors, so it may be deeper than any
// path the kernel accepts.
void make_chain(const std::string& dir, const std::string& name, int depth) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < depth; ++level) {
    int file = openat(fd, "ABC_file.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    close(file);
    ASSERT_EQ(0, mkdirat(fd, name.c_str(), 0755)) << level;
    int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  close(fd);
}

// Every level of the chain, under its old name, still holds its untouched
// file.
void expect_chain_files_kept(const std::string& dir, const std::string& name,
                             int depth) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < depth && fd >= 0; ++level) {
    struct stat st;
    EXPECT_EQ(0, fstatat(fd, "ABC_file.txt", &st, AT_SYMLINK_NOFOLLOW))
        << "level " << level;
    int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    close(fd);
    fd = next;
  }
  EXPECT_GE(fd, 0);
  if (fd >= 0) close(fd);
}

std::string internal_chain(const std::string& name, int levels) {
  std::string path;
  for (int level = 0; level < levels; ++level) {
    path += (level ? "\\" : "") + name;
  }
  return path;
}

// 18 levels of 250-byte names: the Linux path (4,518 bytes) is beyond what
// the kernel resolves, the program's own (2,048 bytes) is reached at the
// ninth level. The run stops there with the path it could not hold.
TEST(HostileE2E, TreeDeeperThanThePathBufferStopsWithAClearMessage) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  auto d = memory_temp_dir();
  const std::string name = "ABC" + std::string(247, 'd');
  ASSERT_NO_FATAL_FAILURE(make_chain(d->path(), name, 18));
  RunResult r = run_in(d->path(), {"ABC", "XYZ", "*", "/d"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            kStop + "パス名が長すぎます:" + internal_chain(name, 9) + "\n");
  EXPECT_EQ(r.exit_code, 1);
  expect_chain_files_kept(d->path(), name, 18);

  // Renaming the directories too: the first eight get their new names (the
  // walk descends under them), then the same stop.
  r = run_in(d->path(), {"ABC", "XYZ", "*", "/d", "/fd"});
  const std::string renamed = "XYZ" + name.substr(3);
  std::string lines;
  for (int level = 1; level <= 8; ++level) {
    lines += internal_chain(renamed, level - 1) + (level > 1 ? "\\" : "") +
             name + "→" + renamed + "\n";
  }
  EXPECT_EQ(r.out, lines);
  EXPECT_EQ(r.err, kStop + "パス名が長すぎます:" + internal_chain(renamed, 8) +
                       "\\" + name + "\n");
  // Below the kernel's path limit only descriptors reach; whichever name
  // the top has now, the chain goes here.
  int fd = open(d->path().c_str(), O_RDONLY | O_DIRECTORY);
  remove_at(fd, renamed.c_str());
  remove_at(fd, name.c_str());
  close(fd);
}

// 1,500 levels of one-byte names: the walk goes more than a thousand calls
// deep before the path buffer is full, and must stop cleanly there: the
// text of the 1,024th directory with its separator no longer fits.
TEST(HostileE2E, ThousandsOfNestedDirectoriesStopCleanly) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  auto d = memory_temp_dir();
  ASSERT_NO_FATAL_FAILURE(make_chain(d->path(), "d", 1500));
  RunResult r = run_in(d->path(), {"ABC", "XYZ", "*", "/d"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            kStop + "パス名が長すぎます:" + internal_chain("d", 1024) + "\\\n");
  EXPECT_EQ(r.exit_code, 1);
  expect_chain_files_kept(d->path(), "d", 1500);
  int fd = open(d->path().c_str(), O_RDONLY | O_DIRECTORY);
  remove_at(fd, "d");
  close(fd);
}

// What a run of kavo cost.
struct Cost {
  int exit_code = -1;
  double cpu_seconds = 0;
  long max_rss_kb = 0;
};

Cost measured_run(const std::string& dir,
                  const std::vector<std::string>& args) {
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(dir.c_str()) != 0) _exit(126);
    std::string binary = kavo_test::kavo_binary();
    std::vector<const char*> argv = {binary.c_str()};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    // Under AddressSanitizer a small quarantine keeps freed memory from
    // counting as memory in use; other builds ignore the variable.
    const char* envp[] = {"KAVO_ENCODING=CP932", "TZ=UTC",
                          "ASAN_OPTIONS=quarantine_size_mb=1", nullptr};
    execve(binary.c_str(), const_cast<char**>(argv.data()),
           const_cast<char**>(envp));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Cost cost;
  cost.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  cost.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                     usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  cost.max_rss_kb = usage.ru_maxrss;
  return cost;
}

void make_flat_files(const std::string& dir, int count) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < count; ++i) {
    char name[32];
    snprintf(name, sizeof name, "ABC_%06d.txt", i);
    int file = openat(fd, name, O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(file, 0) << name;
    close(file);
  }
  close(fd);
}

// A directory of 200,000 entries against one of 50,000: four times the
// entries may cost about four times the processor time and the memory
// beyond the fixed start, never the sixteen times of a quadratic step.
TEST(HostileE2E, DirectoryOf200000EntriesTakesLinearTimeAndMemory) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  auto small = memory_temp_dir();
  auto large = memory_temp_dir();
  ASSERT_NO_FATAL_FAILURE(make_flat_files(small->path(), 50000));
  ASSERT_NO_FATAL_FAILURE(make_flat_files(large->path(), 200000));
  Cost base = measured_run(small->path(), {"ABC", "XYZ", "NONE*"});
  Cost s = measured_run(small->path(), {"ABC", "XYZ", "*.txt"});
  Cost l = measured_run(large->path(), {"ABC", "XYZ", "*.txt"});
  EXPECT_EQ(s.exit_code, 0);
  EXPECT_EQ(l.exit_code, 0);
  std::vector<std::string> names = names_in(large->path());
  ASSERT_EQ(names.size(), 200000u);
  EXPECT_EQ(names.front(), "XYZ_000000.txt");
  EXPECT_EQ(names.back(), "XYZ_199999.txt");
  EXPECT_LT(l.cpu_seconds, 8 * s.cpu_seconds + 0.5)
      << "50,000: " << s.cpu_seconds << " s, 200,000: " << l.cpu_seconds;
  long per_entry_small = (s.max_rss_kb - base.max_rss_kb) * 1024 / 50000;
  long per_entry_large = (l.max_rss_kb - base.max_rss_kb) * 1024 / 200000;
  EXPECT_LT(per_entry_large, 1024) << l.max_rss_kb << " KiB";
  EXPECT_LT(per_entry_large, 2 * per_entry_small + 64)
      << "50,000: " << s.max_rss_kb << " KiB, 200,000: " << l.max_rss_kb
      << " KiB";
}

// ---- Names -----------------------------------------------------------------

TEST(HostileE2E, NamesOf255Bytes) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  const std::string tail(248, 'x');
  d.file("ABC" + tail + ".txt", "long");  // 255 bytes
  RunResult r = run_in(d.path(), {"ABC", "XYZ", "*.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(read_file(d.at("XYZ" + tail + ".txt")), "long");
  // One byte more than the file system holds: refused, and said so.
  r = run_in(d.path(), {"XYZ", "XYZW", "*.txt"});
  EXPECT_EQ(r.out, "改名不能:XYZ" + tail + ".txt≠XYZW" + tail + ".txt\n\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(read_file(d.at("XYZ" + tail + ".txt")), "long");

  // 85 three-byte characters in UTF-8 are 170 bytes inside.
  std::string kana;
  for (int i = 0; i < 84; ++i) kana += u8(u8"あ");
  d.file(u8(u8"い") + kana, "kana");
  r = run_in(d.path(), {u8(u8"い"), u8(u8"う"), u8(u8"い*")},
             {"KAVO_ENCODING=UTF-8", "TZ=UTC"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(read_file(d.at(u8(u8"う") + kana)), "kana");

  // 252 bytes that each take a two-byte escape inside: far beyond the
  // 260 bytes of a name part. A replacement of the same length is made, a
  // longer one refused as it cannot be held.
  const std::string colons(252, ':');
  d.file("c/ABC" + colons, "colons");
  r = run_in(d.at("c"), {"ABC", "XYZ", "ABC*"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(read_file(d.at("c/XYZ" + colons)), "colons");
  r = run_in(d.at("c"), {"XYZ", "XYZW", "XYZ*"});
  EXPECT_EQ(r.out, "改名対象なし\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(read_file(d.at("c/XYZ" + colons)), "colons");
}

// Every byte but '/' and NUL in a name, one byte per file and all of them in
// one name, in both external encodings: each comes back byte for byte.
TEST(HostileE2E, EveryByteLinuxAllowsInNames) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  for (const char* encoding : {"KAVO_ENCODING=CP932", "KAVO_ENCODING=UTF-8"}) {
    SCOPED_TRACE(encoding);
    TempDir d;
    std::vector<std::string> expected;
    std::string all = "ABC";
    for (int b = 1; b <= 255; ++b) {
      if (b == '/') continue;
      std::string byte(1, static_cast<char>(b));
      d.file("f/ABC" + byte + ".t", byte);
      expected.push_back("XYZ" + byte + ".t");
      if (b != 'A' && b != 'B' && b != 'C') all += byte;
    }
    ASSERT_EQ(all.size(), 254u);
    d.file("g/" + all, "all");
    RunResult r = run_in(d.at("f"), {"ABC", "XYZ", "ABC*"}, {encoding});
    EXPECT_EQ(r.exit_code, 0) << r.out;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_in(d.at("f")), expected);
    for (const std::string& name : expected) {
      EXPECT_EQ(read_file(d.at("f/" + name)), name.substr(3, 1));
    }
    r = run_in(d.at("g"), {"ABC", "XYZ", "*", "/e"}, {encoding});
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(names_in(d.at("g")),
              std::vector<std::string>{"XYZ" + all.substr(3)});
  }
}

// ---- Arguments -------------------------------------------------------------

TEST(HostileE2E, FileArgumentOf10000Bytes) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("ABC.txt");
  std::string deep;
  while (deep.size() < 10000) deep += "ABC/";
  deep.resize(10000);
  const std::string arguments[] = {std::string(10000, 'A'), deep,
                                   std::string(9999, '*') + "C"};
  for (const std::string& argument : arguments) {
    RunResult r = run_in(d.path(), {"ABC", "XYZ", argument});
    std::string shown = argument;
    for (char& c : shown) {
      if (c == '/') c = '\\';
    }
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kStop + "パス名が長すぎます:" + shown + "\n");
    EXPECT_EQ(r.exit_code, 1);
  }
  // With a log, the whole argument is in its command line.
  RunResult r = run_in(d.path(), {"ABC", "XYZ", "/logrun.log", deep});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(read_file(d.at("run.log")).find(deep), std::string::npos);
  EXPECT_EQ(d.tree(), (std::vector<std::string>{"ABC.txt", "run.log"}));
}

}  // namespace

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
#include <utility>
#include <vector>

#include "tests/harness.h"
#include "tests/pty_harness.h"

namespace {

using kavo_test::read_file;
using kavo_test::RunResult;
using kavo_test::TempDir;
using Names = std::vector<std::string>;

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const std::string kStop = "\n\a" + std::string("処理停止:");

// The target of the symbolic link `path`; empty when it is none.
std::string link_target(const std::string& path) {
  char buffer[4096];
  ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
  return n < 0 ? std::string() : std::string(buffer, n);
}

Names names_in(const std::string& dir) {
  Names names;
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

RunResult run_in(const std::string& dir, const Names& args,
                 const Names& env = {"KAVO_ENCODING=CP932", "TZ=UTC"}) {
  kavo_test::RunSpec spec;
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
    Names names;
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

// How a run of kavo started by run_forked() ended, and what it cost.
struct Forked {
  int exit_code = -1;  // 125: the capabilities could not be dropped
  std::string out;
  double cpu_seconds = 0;
  long max_rss_kb = 0;
};

// Runs kavo in `dir` with `env`, its standard output kept when `out_file`
// is given, thrown away otherwise. With `drop_dac` it runs without the
// capabilities that let root read any directory, so that a directory's
// permission bits hold as for any user.
Forked run_forked(const std::string& dir, const Names& args,
                  const char* const* envp, const std::string& out_file = "",
                  bool drop_dac = false) {
  pid_t pid = fork();
  if (pid == 0) {
    if (drop_dac &&
        (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
         prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0)) {
      _exit(125);
    }
    int null = open("/dev/null", O_RDWR);
    int out = out_file.empty()
                  ? null
                  : open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(null, 2);
    if (chdir(dir.c_str()) != 0) _exit(126);
    std::string binary = kavo_test::kavo_binary();
    std::vector<const char*> argv = {binary.c_str()};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    execve(binary.c_str(), const_cast<char**>(argv.data()),
           const_cast<char**>(envp));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Forked run;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!out_file.empty()) run.out = read_file(out_file);
  run.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                    usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  run.max_rss_kb = usage.ru_maxrss;
  return run;
}

const char* const kEnv[] = {"KAVO_ENCODING=CP932", "TZ=UTC", nullptr};

// ---- Links ---------------------------------------------------------------

TEST(HostileE2E, LinksAreRenamedAsLinksAndNeverEntered) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("outside/ABC_in.txt", "outside");
  d.file("work/ABC_real/ABC_f.txt", "inside");
  const std::pair<const char*, const char*> links[] = {
      {"ABC_link", "../outside"}, {"ABC_real/ABC_up", ".."},
      {"ABC_self", "."},          {"ABC_one", "ABC_two"},
      {"ABC_two", "ABC_one"},     {"ABC_dangling", "missing"}};
  for (const auto& [name, target] : links) {
    ASSERT_EQ(0, symlink(target, d.at(std::string("work/") + name).c_str()));
  }
  RunResult r = run_in(d.at("work"), {"ABC", "XYZ", "*", "/d", "/fa"});
  EXPECT_EQ(r.out,
            "ABC_real→XYZ_real\n"
            "XYZ_real\\ABC_f.txt→XYZ_f.txt\n"
            "XYZ_real\\ABC_up→XYZ_up\n"
            "ABC_dangling→XYZ_dangling\n"
            "ABC_link→XYZ_link\n"
            "ABC_one→XYZ_one\n"
            "ABC_self→XYZ_self\n"
            "ABC_two→XYZ_two\n"
            "\n改名成功:8個\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(link_target(d.at("work/XYZ_link")), "../outside");
  EXPECT_EQ(link_target(d.at("work/XYZ_one")), "ABC_two");
  EXPECT_EQ(link_target(d.at("work/XYZ_self")), ".");
  EXPECT_EQ(read_file(d.at("work/XYZ_real/XYZ_f.txt")), "inside");

  // Named as a directory, a link is not one: nothing is found behind it.
  for (const Names& files :
       {Names{"XYZ_link/*", "/d"}, Names{"XYZ_link/ABC_in.txt"}}) {
    Names args = {"ABC", "XYZ"};
    args.insert(args.end(), files.begin(), files.end());
    r = run_in(d.at("work"), args);
    EXPECT_EQ(r.out, "存在せず:" + files[0] + "\n");
    EXPECT_EQ(r.exit_code, 1);
  }
  EXPECT_EQ(names_in(d.at("outside")), Names{"ABC_in.txt"});
}

// ---- The tree changing under the walk -------------------------------------
//
// The pager holds the run at a known point: with /p on a terminal of 10 rows
// the first prompt follows the 8th result line, in the middle of the first
// directory's files. While the command waits for the key, the test changes
// the tree; then it answers All.

constexpr char kPrompt[] = "(Continue,/All/Quit)";

// `prefix`_01.txt to `prefix`_`count`.txt.
Names numbered_names(const std::string& prefix, int count) {
  Names names;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    snprintf(name, sizeof name, "%s_%02d.txt", prefix.c_str(), i);
    names.push_back(name);
  }
  return names;
}

void make_numbered_files(TempDir* d, const std::string& dir, int count,
                         const std::string& content) {
  for (const std::string& name : numbered_names("ABC", count)) {
    d->file(dir + "/" + name, content);
  }
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
  for (const std::string x : {"a", "b"}) {
    ASSERT_EQ(0, rename(d.at("work/ABC_" + x).c_str(),
                        d.at("work/moved_" + x).c_str()));
    ASSERT_EQ(0, symlink("../outside", d.at("work/ABC_" + x).c_str()));
  }
  ASSERT_TRUE(run.answer("A"));
  EXPECT_EQ(0, run.finish()) << run.screen();

  // The walk went on in the directory it had listed, and the link in place
  // of the next one was renamed as a link, never entered.
  EXPECT_EQ(names_in(d.at("outside")), numbered_names("ABC", 20));
  EXPECT_EQ(names_in(d.at("work/moved_a")), numbered_names("XYZ", 20));
  EXPECT_EQ(names_in(d.at("work/moved_b")), numbered_names("ABC", 20));
  EXPECT_EQ(link_target(d.at("work/XYZ_b")), "../outside");
  EXPECT_EQ(link_target(d.at("work/ABC_a")), "../outside");
  EXPECT_NE(run.screen().find("ABC_b→XYZ_b"), std::string::npos);
  EXPECT_EQ(run.screen().find("outside"), std::string::npos);
}

TEST(HostileE2E, DirectoriesTakenAwayOrTurnedIntoAFifoDuringTheWalk) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  make_numbered_files(&d, "work/ABC_a", 20, "a");
  for (const char* dir : {"work/ABC_b", "work/ABC_c", "work/ABC_d"}) {
    make_numbered_files(&d, dir, 3, "b");
  }
  kavo_test::PtySession run(paged(d));
  ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
  // Listed but not entered yet: one goes, one becomes a FIFO (which must
  // never be opened: that would wait for a writer for ever).
  ASSERT_EQ(0, rename(d.at("work/ABC_b").c_str(), d.at("gone_b").c_str()));
  ASSERT_EQ(0, rename(d.at("work/ABC_c").c_str(), d.at("gone_c").c_str()));
  ASSERT_EQ(0, mkfifo(d.at("work/ABC_c").c_str(), 0644));
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

TEST(HostileE2E, UnreadableDirectoryInTheMiddleOfTheWalkIsPassedOver) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  TempDir d;
  d.file("work/ABC_a/ABC_1.txt");
  d.file("work/ABC_b/ABC_2.txt");
  d.file("work/ABC_c/ABC_3.txt");
  ASSERT_EQ(0, chmod(d.at("work/ABC_b").c_str(), 0));
  const std::string out = d.at("kavo.out");
  Forked r =
      run_forked(d.at("work"), {"ABC", "XYZ", "*", "/d"}, kEnv, out, true);
  if (r.exit_code == 125) {
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
  r = run_forked(d.at("work"), {"ABC", "Q", "*", "/d", "/fa"}, kEnv, out, true);
  EXPECT_EQ(r.out, "ABC_a→Q_a\nABC_b→Q_b\nABC_c→Q_c\n\n改名成功:3個\n");
  EXPECT_EQ(r.exit_code, 0);
  ASSERT_EQ(0, chmod(d.at("work/Q_b").c_str(), 0755));
  EXPECT_EQ(names_in(d.at("work/Q_b")), Names{"ABC_2.txt"});
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
// ninth level. 1,500 levels of one-byte names: the walk goes more than a
// thousand calls deep before the path buffer is full, where the text of the
// 1,024th directory with its separator no longer fits. Each run stops there
// with the path it could not hold, and nothing is renamed.
TEST(HostileE2E, TreesDeeperThanThePathBufferStopWithAClearMessage) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  const std::string name = "ABC" + std::string(247, 'd');
  struct Case {
    std::string name;
    int depth;
    std::string path;  // the path in the message
  } cases[] = {{name, 18, internal_chain(name, 9)},
               {"d", 1500, internal_chain("d", 1024) + "\\"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    auto d = memory_temp_dir();
    ASSERT_NO_FATAL_FAILURE(make_chain(d->path(), c.name, c.depth));
    RunResult r = run_in(d->path(), {"ABC", "XYZ", "*", "/d"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kStop + "パス名が長すぎます:" + c.path + "\n");
    EXPECT_EQ(r.exit_code, 1);
    expect_chain_files_kept(d->path(), c.name, c.depth);
    if (c.depth == 18) {
      // Renaming the directories too: the first eight get their new names
      // (the walk descends under them), then the same stop.
      r = run_in(d->path(), {"ABC", "XYZ", "*", "/d", "/fd"});
      const std::string renamed = "XYZ" + name.substr(3);
      std::string lines;
      for (int level = 1; level <= 8; ++level) {
        lines += internal_chain(renamed, level - 1) + (level > 1 ? "\\" : "") +
                 name + "→" + renamed + "\n";
      }
      EXPECT_EQ(r.out, lines);
      EXPECT_EQ(r.err, kStop + "パス名が長すぎます:" +
                           internal_chain(renamed, 8) + "\\" + name + "\n");
    }
    // Below the kernel's path limit only descriptors reach.
    int fd = open(d->path().c_str(), O_RDONLY | O_DIRECTORY);
    for (const std::string& top : names_in(d->path())) {
      remove_at(fd, top.c_str());
    }
    close(fd);
  }
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
  // Under AddressSanitizer a small quarantine keeps freed memory from
  // counting as memory in use; other builds ignore the variable.
  const char* const env[] = {"KAVO_ENCODING=CP932", "TZ=UTC",
                             "ASAN_OPTIONS=quarantine_size_mb=1", nullptr};
  Forked base = run_forked(small->path(), {"ABC", "XYZ", "NONE*"}, env);
  Forked s = run_forked(small->path(), {"ABC", "XYZ", "*.txt"}, env);
  Forked l = run_forked(large->path(), {"ABC", "XYZ", "*.txt"}, env);
  EXPECT_EQ(s.exit_code, 0);
  EXPECT_EQ(l.exit_code, 0);
  Names names = names_in(large->path());
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

  // 252 bytes that each take a two-byte escape inside: far beyond 260
  // bytes inside, but a name is counted as the file system holds it. A
  // replacement of the same length is made; a longer one is refused by the
  // file system, and said so.
  const std::string colons(252, ':');
  d.file("c/ABC" + colons, "colons");
  r = run_in(d.at("c"), {"ABC", "XYZ", "ABC*"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(read_file(d.at("c/XYZ" + colons)), "colons");
  r = run_in(d.at("c"), {"XYZ", "XYZW", "XYZ*"});
  EXPECT_EQ(r.out, "改名不能:XYZ" + colons + "≠XYZW" + colons + "\n\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(read_file(d.at("c/XYZ" + colons)), "colons");
}

// Every byte but '/' and NUL in a name, one byte per file and all of them in
// one name, in both external encodings: each comes back byte for byte.
TEST(HostileE2E, EveryByteLinuxAllowsInNames) {
  if (kavo_test::windows_build()) GTEST_SKIP();
  for (const char* encoding : {"KAVO_ENCODING=CP932", "KAVO_ENCODING=UTF-8"}) {
    SCOPED_TRACE(encoding);
    TempDir d;
    Names expected;
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
    EXPECT_EQ(names_in(d.at("g")), Names{"XYZ" + all.substr(3)});
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
    std::replace(shown.begin(), shown.end(), '/', '\\');
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kStop + "パス名が長すぎます:" + shown + "\n");
    EXPECT_EQ(r.exit_code, 1);
  }
  // With a log, the whole argument is in its command line.
  RunResult r = run_in(d.path(), {"ABC", "XYZ", "/logrun.log", deep});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(read_file(d.at("run.log")).find(deep), std::string::npos);
  EXPECT_EQ(d.tree(), (Names{"ABC.txt", "run.log"}));
}

}  // namespace

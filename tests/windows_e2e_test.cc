// End-to-end behaviour that only the Windows build shows, run under Wine:
// names found without regard to letter case, 8.3 alternate names, drive
// letters, the limit of MAX_PATH, a log held open by another Windows
// program and a target that appears between the check and the move.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness.h"

namespace kavo_test {
namespace {

using Tree = std::vector<std::string>;

class WindowsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!windows_build()) GTEST_SKIP() << "Windows build only";
  }
};

// The 8.3 alternate name Windows gives `name` in `dir`, as the system's
// own `dir /x` lists it; empty when it has none.
std::string short_name_of(const TempDir& dir, const std::string& name) {
  RunSpec spec;
  spec.binary = "cmd";
  spec.directory = dir.path();
  spec.args = {"/c", "dir", "/x"};
  RunResult r = run_command(spec);
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.size() >= 2 && w.back() == name) {
      const std::string& before = w[w.size() - 2];
      return before.find('~') != std::string::npos ? before : "";
    }
  }
  return "";
}

// B.txt is b.txt to Windows: the target exists under another spelling, so
// the move is tried, refused, and nothing is overwritten.
TEST_F(WindowsE2E, OverwriteOfAnotherSpellingIsRefused) {
  TempDir d;
  d.file("x.txt", "X");
  d.file("b.txt", "B");
  for (const char* overwrite : {"/o", "/or"}) {
    RunResult r = run_kavo(d.path(), {"x", "B", "x.txt", overwrite});
    EXPECT_EQ(r.out, "改名不能:x.txt≠B.txt\n\n") << overwrite;
    EXPECT_EQ(r.exit_code, 1) << overwrite;
  }
  EXPECT_EQ(d.tree(), (Tree{"b.txt", "x.txt"}));
  EXPECT_EQ(read_file(d.at("b.txt")), "B");
  EXPECT_EQ(read_file(d.at("x.txt")), "X");
}

TEST_F(WindowsE2E, NameGivenInAnotherCaseIsFoundUnlessFcase) {
  TempDir d;
  d.file("a.TXT");
  RunResult strict = run_kavo(d.path(), {"a", "b", "a.txt", "/fcase"});
  EXPECT_EQ(strict.out, "存在せず:a.txt\n");
  EXPECT_EQ(strict.exit_code, 1);
  // Found under its stored spelling, and renamed as stored.
  RunResult folded = run_kavo(d.path(), {"a", "b", "A.txt"});
  EXPECT_EQ(folded.out, "a.TXT→b.TXT\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(), Tree{"b.TXT"});
}

TEST_F(WindowsE2E, TildePatternMatchesShortNames) {
  TempDir d;
  d.file("longfilename_one.txt");
  d.file("longfilename_two.txt");
  d.file("longfile.txt");  // 8.3 already: no alternate name
  std::string alias = short_name_of(d, "longfilename_one.txt");
  ASSERT_EQ(alias.substr(0, 5), "LONG~") << alias;
  ASSERT_EQ(short_name_of(d, "longfile.txt"), "");
  // LONG~*.TXT is a short-name pattern: only the entries whose alternate
  // name matches are renamed, under their long names.
  RunResult r = run_kavo(d.path(), {"name", "NAME", "LONG~*.TXT"});
  EXPECT_EQ(r.out,
            "longfilename_one.txt→longfileNAME_one.txt\n"
            "longfilename_two.txt→longfileNAME_two.txt\n\n改名成功:2個\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), (Tree{"longfile.txt", "longfileNAME_one.txt",
                            "longfileNAME_two.txt"}));
}

TEST_F(WindowsE2E, SingleShortNameIsRenamedUnderItsLongName) {
  TempDir d;
  d.file("longfilename_one.txt", "1");
  std::string alias = short_name_of(d, "longfilename_one.txt");
  ASSERT_FALSE(alias.empty());
  RunResult r = run_kavo(d.path(), {"one", "uno", alias});
  EXPECT_EQ(r.out,
            "longfilename_one.txt→longfilename_uno.txt\n\n改名成功:1個\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(d.tree(), Tree{"longfilename_uno.txt"});
  // With /fcase the alias is not the stored name: not found.
  std::string alias_two = short_name_of(d, "longfilename_uno.txt");
  RunResult strict = run_kavo(d.path(), {"uno", "one", alias_two, "/fcase"});
  EXPECT_EQ(strict.out, "存在せず:" + alias_two + "\n");
  EXPECT_EQ(strict.exit_code, 1);
}

// The temporary directory is the working directory of drive C: inside
// the run, so `c:` names it.
TEST_F(WindowsE2E, DriveLetterForms) {
  TempDir d;
  d.file("ax.txt");
  d.file("sub/bx.txt");
  RunResult pattern = run_kavo(d.path(), {"x", "y", "c:*.txt"});
  // The new name is shown as the text after the last `\`.
  EXPECT_EQ(pattern.out, "c:ax.txt→c:ay.txt\n\n改名成功:1個\n");
  RunResult walk = run_kavo(d.path(), {"x", "y", "C:", "/d"});
  EXPECT_EQ(walk.out, "C:sub\\bx.txt→by.txt\n\n改名成功:1個\n");
  std::string absolute = program_path(d.at("sub/by.txt"));
  ASSERT_EQ(absolute.substr(0, 3), "C:\\");
  RunResult named = run_kavo("/", {"y", "z", absolute});
  EXPECT_EQ(named.out, absolute + "→bz.txt\n\n改名成功:1個\n");
  // A drive letter alone without /d has no name to rename.
  RunResult alone = run_kavo(d.path(), {"x", "y", "c:"});
  EXPECT_EQ(alone.out, "存在せず:c:\n");
  EXPECT_EQ(alone.exit_code, 1);
  EXPECT_EQ(d.tree(), (Tree{"ay.txt", "sub/", "sub/bz.txt"}));
}

TEST_F(WindowsE2E, JapaneseNamesAreWineUtf8OnDisk) {
  TempDir d;
  d.file("表示.txt", "x");
  RunResult r = run_kavo(d.path(), {"表示", "一覧", "*.txt"});
  EXPECT_EQ(r.out, "表示.txt→一覧.txt\n\n改名成功:1個\n");
  EXPECT_EQ(d.tree(), Tree{"一覧.txt"});
  // Wine keeps the name in UTF-8, the system's encoding.
  EXPECT_TRUE(
      exists(d.path() + "/" + reinterpret_cast<const char*>(u8"一覧.txt")));
}

// A path of `length` characters as the program sees it: the directory,
// then directories of 100 'd's and a last name filled up with 'f's.
std::string path_of_length(const TempDir& d, size_t length,
                           std::string* relative) {
  std::string base = program_path(d.path());
  std::string shown = base;
  relative->clear();
  while (length - shown.size() > 120) {
    *relative += std::string(100, 'd') + "/";
    shown += "\\" + std::string(100, 'd');
  }
  size_t name = length - shown.size() - 1;
  std::string file = "a" + std::string(name - 5, 'f') + ".txt";
  *relative += file;
  return shown + "\\" + file;
}

// `path` with its last name replaced by `name`.
std::string same_path(const std::string& path, const std::string& name) {
  return path.substr(0, path.rfind('\\') + 1) + name;
}

// Windows' ANSI calls take paths of up to MAX_PATH - 1 (259) characters.
TEST_F(WindowsE2E, PathsNearMaxPath) {
  TempDir d;
  std::string relative;
  std::string path = path_of_length(d, 259, &relative);
  ASSERT_EQ(path.size(), 259u);
  d.file(relative, "content");
  // The same length after the rename: done.
  RunResult same = run_kavo(d.path(), {"a", "b", path});
  std::string renamed = relative;
  renamed[renamed.rfind('/') + 1] = 'b';
  EXPECT_EQ(same.exit_code, 0) << same.out << same.err;
  EXPECT_EQ(same.out, path + "→" + renamed.substr(renamed.rfind('/') + 1) +
                          "\n\n改名成功:1個\n");
  EXPECT_EQ(read_file(d.at(renamed)), "content");
  // One character longer: refused, under /o too, and the file stays.
  const std::string name = renamed.substr(renamed.rfind('/') + 1);
  for (const char* overwrite : {"/o-", "/o"}) {
    RunResult longer =
        run_kavo(d.path(), {"b", "bb", overwrite, same_path(path, name)});
    EXPECT_EQ(longer.exit_code, 1) << overwrite << longer.out;
    EXPECT_EQ(longer.out.rfind("改名不能:", 0), 0u) << overwrite << longer.out;
    EXPECT_EQ(read_file(d.at(renamed)), "content") << overwrite;
  }
}

// Entries whose paths pass MAX_PATH are out of the ANSI calls' reach: the
// walk cannot list their directory and leaves them as they are; everything
// within reach is renamed.
TEST_F(WindowsE2E, EntriesBeyondMaxPathAreLeftAlone) {
  TempDir d;
  const std::string deep(100, 'd');
  d.file(deep + "/" + deep + "/" + deep + "/a1.txt", "1");
  d.file(deep + "/a2.txt", "2");
  d.file("a3.txt", "3");
  RunResult r = run_kavo(d.path(), {"a", "b", "*", "/d"});
  EXPECT_EQ(r.out, deep + "\\a2.txt→b2.txt\na3.txt→b3.txt\n\n改名成功:2個\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(d.at(deep + "/" + deep + "/" + deep + "/a1.txt")), "1");
  EXPECT_EQ(read_file(d.at(deep + "/b2.txt")), "2");
  EXPECT_EQ(read_file(d.at("b3.txt")), "3");
}

TEST_F(WindowsE2E, LogHeldByAnotherWindowsProgramStopsTheRun) {
  TempDir d;
  d.file("a1.txt");
  d.file("run.txt", "held\r\n");
  // The system's shell holds run.txt open while `more` waits for input.
  RunSpec holder;
  holder.binary = "cmd";
  holder.directory = d.path();
  holder.args = {"/c", "more >> run.txt"};
  BackgroundRun held(holder);
  for (int i = 0; i < 200 && !held_open(d.at("run.txt")); ++i) usleep(50000);
  ASSERT_TRUE(held_open(d.at("run.txt")));
  for (const std::string option : {"/logrun.txt", "/LOGrun.txt"}) {
    RunResult r = run_kavo(d.path(), {"a", "b", option, "a1.txt"});
    EXPECT_EQ(r.exit_code, 1) << option;
    EXPECT_EQ(r.out, "") << option;
    EXPECT_EQ(r.err,
              "\n\a処理停止:ログ・ファイル\"run.txt\"がオープン中です。\n");
  }
  held.finish();
  EXPECT_EQ(read_file(d.at("run.txt")), "held\r\n");
  EXPECT_EQ(d.tree(), (Tree{"a1.txt", "run.txt"}));
  // Once it is free, the log is taken.
  RunResult free = run_kavo(d.path(), {"a", "b", "/LOGrun.txt", "a1.txt"});
  EXPECT_EQ(free.exit_code, 0) << free.err;
}

// Puts a prepared file in place as the target of a rename at the moment
// another process opens the entry to be renamed, which Windows does to
// move it: after every check, before the move. The prepared file waits in
// a subdirectory (not watched) and is moved in without being opened.
class TargetIntruder {
 public:
  TargetIntruder(TempDir& d, std::vector<std::string> sources,
                 std::vector<std::string> targets)
      : dir_(d), sources_(std::move(sources)), targets_(std::move(targets)) {
    for (const std::string& t : targets_) {
      d.file("stage/" + t, "intruder");
    }
    fd_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY);
    if (fd_ < 0 || pipe(stop_) != 0 ||
        fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD,
                      AT_FDCWD, d.path().c_str()) != 0) {
      return;
    }
    ready_ = true;
    thread_ = std::thread([this] { watch(); });
  }

  ~TargetIntruder() {
    if (thread_.joinable()) {
      if (write(stop_[1], "x", 1) != 1) return;
      thread_.join();
    }
    if (fd_ >= 0) close(fd_);
  }

  bool ready() const { return ready_; }

 private:
  void watch() {
    char buffer[4096];
    for (;;) {
      pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) continue;
      auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
      for (; FAN_EVENT_OK(event, n); event = FAN_EVENT_NEXT(event, n)) {
        if (event->fd >= 0) {
          intrude_for(opened_name(event->fd));
          fanotify_response answer = {event->fd, FAN_ALLOW};
          if (write(fd_, &answer, sizeof answer) != sizeof answer) return;
          close(event->fd);
        }
      }
    }
  }

  std::string opened_name(int fd) {
    char link[4096];
    ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link,
                         sizeof link - 1);
    if (n <= 0) return "";
    std::string path(link, n);
    return path.substr(path.rfind('/') + 1);
  }

  void intrude_for(const std::string& opened) {
    for (size_t i = 0; i < sources_.size(); ++i) {
      if (opened == sources_[i]) {
        rename(dir_.at("stage/" + targets_[i]).c_str(),
               dir_.at(targets_[i]).c_str());
      }
    }
  }

  const TempDir& dir_;
  std::vector<std::string> sources_;
  std::vector<std::string> targets_;
  int fd_ = -1;
  int stop_[2] = {-1, -1};
  bool ready_ = false;
  std::thread thread_;
};

TEST_F(WindowsE2E, TargetAppearingBeforeTheMoveIsNeverReplaced) {
  TempDir d;
  for (const char* name : {"x1.txt", "y1.txt", "y2.txt"}) d.file(name, name);
  TargetIntruder intruder(d, {"x1.txt", "y1.txt", "y2.txt"},
                          {"z1.txt", "w1.txt", "w2.txt"});
  if (!intruder.ready()) GTEST_SKIP() << "fanotify is not available";
  RunResult r = run_kavo(d.path(), {"x", "z", "x1.txt"});
  EXPECT_EQ(r.out, "存在済:x1.txt≠z1.txt\n\n");
  EXPECT_EQ(r.exit_code, 1);
  // The walk carries on with every file kept.
  r = run_kavo(d.path(), {"y", "w", "y*.txt", "/c"});
  EXPECT_EQ(r.out,
            "存在済:y1.txt≠w1.txt\n存在済:y2.txt≠w2.txt\n\n改名失敗:2個\n");
  EXPECT_EQ(r.exit_code, 2);
  for (const char* name : {"x1.txt", "y1.txt", "y2.txt"}) {
    EXPECT_EQ(read_file(d.at(name)), name);
  }
  for (const char* name : {"z1.txt", "w1.txt", "w2.txt"}) {
    EXPECT_EQ(read_file(d.at(name)), "intruder") << name;
  }
}

}  // namespace
}  // namespace kavo_test

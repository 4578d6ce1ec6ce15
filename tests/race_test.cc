// Races the file system can win: a run killed at any moment, then taken
// back, and a target put in place just before a Windows move.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/fanotify.h>

#include <atomic>
#include <map>
#include <random>
#include <thread>

#include "tests/terminal.h"

namespace kavo_test {
namespace {

// Every file as made (XYZ read back as ABC) with its content, then how
// many names start with ABC and with XYZ.
std::string look(const Scratch& d) {
  return d.out("grep -r '' . | sed s/XYZ/ABC/g | sort | md5sum") +
         d.out("find . -name 'ABC*' | wc -l; find . -name 'XYZ*' | wc -l");
}

// Runs kavo over the tree (/undo when `from` is null), killed after `delay`
// ms unless negative; true when the kill ended it.
bool run(const std::string& dir, const char* from, const char* to, int delay) {
  pid_t pid = fork();
  if (pid == 0) {
    std::string self = binary();
    if (chdir(dir.c_str()) == 0 && freopen("/dev/null", "w", stdout)) {
      if (!from) execl(self.c_str(), self.c_str(), "/undo", nullptr);
      execl(self.c_str(), self.c_str(), from, to, "*", "/d", "/fa", nullptr);
    }
    _exit(127);
  }
  if (delay >= 0) usleep(delay * 1000), kill(pid, SIGKILL);
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFSIGNALED(status);
}

// A tree (files and directories, with descent) renamed back and forth,
// killed with SIGKILL at random moments: every file exists once, with its
// content, under its old or new name, in its directory under the old or new
// name; /undo gives every file its old name back; a full run finishes.
TEST(Crash, KillAtAnyMomentLosesNoFile) {
  if (windows_build()) GTEST_SKIP() << "signals of Linux";
  Scratch d, state;
  setenv("XDG_STATE_HOME", state.path().c_str(), 1);
  d.sh(
      "for d in $(seq 10 49); do mkdir -p ABC_d$d/ABC_sub; for i in"
      " $(seq 100 349); do echo -n ABC_d$d/ABC_$i > ABC_d$d/ABC_$i;"
      " echo -n ABC_d$d/ABC_sub/ABC_$i > ABC_d$d/ABC_sub/ABC_$i; done; done");
  const std::string made = look(d);
  long long start = now_ms();
  run(d.path(), "ABC", "XYZ", -1);
  const int duration = static_cast<int>(now_ms() - start);
  const std::string sum = made.substr(0, made.find('\n') + 1);
  const std::string abc = made.substr(sum.size());  // "<all>\n0\n"
  const std::string xyz = "0\n" + abc.substr(0, abc.size() - 2);
  ASSERT_TRUE(abc.ends_with("\n0\n"));
  ASSERT_EQ(look(d), sum + xyz);
  unsigned seed = std::random_device()();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment(duration / 20, duration * 19 / 20);
  // Ten trials; a busy machine can make a run end before its kill lands,
  // so more follow until five kills have interrupted a run (twenty at most).
  int interrupted = 0;
  for (int trial = 0;
       trial < 20 && (trial < 10 || interrupted < 5) && !HasFailure();
       ++trial) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " trial " << trial);
    const char* from = trial % 2 ? "ABC" : "XYZ";
    const char* to = trial % 2 ? "XYZ" : "ABC";
    const std::string& before = trial % 2 ? abc : xyz;
    bool killed = run(d.path(), from, to, moment(random));
    std::string now = look(d);
    EXPECT_EQ(now.substr(0, sum.size()), sum);
    interrupted += killed && now != sum + abc && now != sum + xyz;
    // A run killed before its first move leaves no journal to take back.
    if (now != sum + before) {
      run(d.path(), nullptr, nullptr, -1);
      EXPECT_EQ(look(d), sum + before) << "names not taken back";
    }
    run(d.path(), from, to, -1);
    EXPECT_EQ(look(d), sum + (trial % 2 ? xyz : abc)) << "names left";
  }
  EXPECT_GE(interrupted, 5) << "seed " << seed;
}

// On Windows a move opens the entry first, after every check: a target put
// in place at that moment (watched with fanotify, moved in unopened from
// an unwatched folder) must make the move refuse, never be replaced.
TEST(Race, WindowsTargetAppearingBeforeTheMoveIsNeverReplaced) {
  if (!windows_build()) GTEST_SKIP() << "Windows moves under Wine";
  Scratch d;
  d.sh(
      "mkdir stage && for f in x1 y1 y2 z1 w1 w2; do echo -n $f > $f.txt;"
      " done && mv z1.txt w1.txt w2.txt stage/");
  int fd = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY);
  if (fd < 0 ||
      fanotify_mark(fd, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD,
                    AT_FDCWD, d.path().c_str())) {
    GTEST_SKIP() << "fanotify is not available";
  }
  std::atomic<bool> done = false;
  std::thread watcher([&] {
    const std::map<std::string, std::string> target = {
        {"x1.txt", "z1.txt"}, {"y1.txt", "w1.txt"}, {"y2.txt", "w2.txt"}};
    char buffer[4096], link[4096];
    for (pollfd p = {fd, POLLIN, 0}; !done;) {
      ssize_t n = poll(&p, 1, 100) > 0 ? read(fd, buffer, sizeof buffer) : 0;
      auto* e = reinterpret_cast<fanotify_event_metadata*>(buffer);
      for (; FAN_EVENT_OK(e, n); e = FAN_EVENT_NEXT(e, n)) {
        std::string self = "/proc/self/fd/" + std::to_string(e->fd);
        ssize_t k = readlink(self.c_str(), link, sizeof link);
        std::string name = k > 0 ? std::string(link, k) : "";
        auto t = target.find(name.substr(name.rfind('/') + 1));
        if (t != target.end()) {
          rename((d.path() + "/stage/" + t->second).c_str(),
                 (d.path() + "/" + t->second).c_str());
        }
        fanotify_response answer = {e->fd, FAN_ALLOW};
        if (write(fd, &answer, sizeof answer) < 0) return;
        close(e->fd);
      }
    }
  });
  auto kavo = [&](const std::string& args) {
    return d.out(
        "LC_ALL=ja_JP.UTF-8 \"$KAVO_TEST_RUNNER\" \"$KAVO_TEST_BINARY\" " +
        args + " 2>&1 | tr -d '\\r'");
  };
  EXPECT_EQ(kavo("x z x1.txt"), "存在済:x1.txt≠z1.txt\n\n");
  EXPECT_EQ(kavo("y w 'y*.txt' /c"),
            "存在済:y1.txt≠w1.txt\n存在済:y2.txt≠w2.txt\n\n改名失敗:2個\n");
  EXPECT_EQ(
      d.out("for f in *.txt; do echo $f $(cat $f); done"),
      "w1.txt w1\nw2.txt w2\nx1.txt x1\ny1.txt y1\ny2.txt y2\nz1.txt z1\n");
  done = true;
  watcher.join();
  close(fd);
}

}  // namespace
}  // namespace kavo_test

// Runs the command under test as a user at a console would, for what a
// transcript cannot drive (keys, prompts, runs killed at random moments).

#ifndef KAVO_TESTS_TERMINAL_H_
#define KAVO_TESTS_TERMINAL_H_

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavo_test {

// The command under test: $KAVO_TEST_BINARY (kavo.exe, run by
// $KAVO_TEST_RUNNER, e.g. wine) or the built kavo.
inline bool windows_build() {
  const char* runner = getenv("KAVO_TEST_RUNNER");
  return runner && *runner;
}
inline std::string binary() {
  const char* chosen = getenv("KAVO_TEST_BINARY");
  return chosen && *chosen ? chosen : KAVO_BINARY;
}
inline long long now_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// A scratch directory, removed with everything in it when the object goes.
class Scratch {
 public:
  Scratch() {
    const char* base = getenv("TMPDIR");
    path_ = std::string(base && *base ? base : "/tmp") + "/kavo-XXXXXX";
    if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp");
  }
  ~Scratch() { out("cd / && chmod -R u+rwx " + path_ + "; rm -rf " + path_); }
  const std::string& path() const { return path_; }
  // Runs a shell command in the directory and returns what it printed; a
  // command that must succeed throws when it fails.
  std::string out(const std::string& command, bool must = false) const {
    std::string text;
    FILE* p =
        popen(("cd '" + path_ + "' && { " + command + "; }").c_str(), "r");
    for (int c; p && (c = fgetc(p)) != EOF;) text += static_cast<char>(c);
    if (!p || (pclose(p) != 0 && must)) throw std::runtime_error(command);
    return text;
  }
  void sh(const std::string& command) const { out(command, true); }

 private:
  std::string path_;
};

// One run in `dir` on a terminal of `rows` rows and 80 columns (echo and
// output processing off), Shift-JIS output in UTC on Linux. Standard error,
// and standard output when not `on_terminal`, go to pipes.
class Terminal {
 public:
  Terminal(const std::string& dir, std::vector<std::string> args, int rows = 10,
           bool on_terminal = true, const std::string& encoding = "CP932") {
    winsize size = {static_cast<unsigned short>(rows), 80, 0, 0};
    int slave, out[2], err[2];
    if (openpty(&fds_[0], &slave, nullptr, nullptr, &size) || pipe(out) ||
        pipe(err)) {
      throw std::runtime_error("openpty");
    }
    termios t;
    tcgetattr(slave, &t);
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL);
    t.c_oflag &= ~OPOST;
    tcsetattr(slave, TCSANOW, &t);
    args.insert(args.begin(), binary());
    if (windows_build()) args.insert(args.begin(), getenv("KAVO_TEST_RUNNER"));
    signal(SIGPIPE, SIG_IGN);
    if ((pid_ = fork()) == 0) {
      setsid();
      ioctl(slave, TIOCSCTTY, 0);
      dup2(slave, 0);
      dup2(on_terminal ? slave : out[1], 1);
      dup2(err[1], 2);
      closefrom(3);
      setenv("KAVO_ENCODING", encoding.c_str(), 1);
      setenv("TZ", "UTC", 1);
      if (windows_build()) setenv("LC_ALL", "ja_JP.UTF-8", 1);
      std::vector<char*> v;
      for (std::string& a : args) v.push_back(a.data());
      v.push_back(nullptr);
      if (chdir(dir.c_str()) == 0) execvp(v[0], v.data());
      _exit(127);
    }
    close(slave), close(out[1]), close(err[1]);
    fds_[1] = out[0], fds_[2] = err[0];
  }
  ~Terminal() {
    if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    for (int fd : fds_) {
      if (fd >= 0) close(fd);
    }
  }

  // Waits until `text` appears after the previous match; false when the
  // command ended or 10 s passed first.
  bool wait_for(const std::string& text) {
    for (long long end = now_ms() + 10000;;) {
      size_t at = screen.find(text, matched_);
      if (at != std::string::npos) {
        matched_ = at + text.size();
        return true;
      }
      if (now_ms() > end || !pump(100)) return false;
    }
  }
  // True when the command reads keys: the terminal left canonical mode.
  bool raw() {
    termios t;
    return tcgetattr(fds_[0], &t) == 0 && !(t.c_lflag & ICANON);
  }
  // Types `keys` once the command reads a key (under Wine, after a
  // moment), or at once.
  bool answer(const std::string& keys, bool when_read = true) {
    for (long long end = now_ms() + 10000;
         when_read && !windows_build() && !raw();) {
      if (now_ms() > end || !pump(1)) return false;
    }
    if (when_read && windows_build()) usleep(300000);
    return write(fds_[0], keys.data(), keys.size()) ==
           static_cast<ssize_t>(keys.size());
  }
  // Reads to the end; the exit code, -1 when it did not exit in 30 s.
  int finish() {
    long long end = now_ms() + 30000;
    while (now_ms() < end && pump(100)) {
    }
    int status = -1;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (now_ms() > end) kill(pid_, SIGKILL);
      usleep(10000);
    }
    pid_ = -1;
    return now_ms() <= end && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string screen, out, err;

 private:
  bool pump(int timeout_ms) {
    pollfd p[3];
    for (int k = 0; k < 3; ++k) p[k] = {fds_[k], POLLIN, 0};
    if (fds_[0] < 0 && fds_[1] < 0 && fds_[2] < 0) return false;
    if (poll(p, 3, timeout_ms) <= 0) return true;
    std::string* sinks[3] = {&screen, &out, &err};
    for (int k = 0; k < 3; ++k) {
      char buf[65536];
      ssize_t r = p[k].revents ? read(fds_[k], buf, sizeof buf) : -2;
      if (r > 0) sinks[k]->append(buf, r);
      if (r == 0 || (r == -1 && errno != EINTR)) {  // EIO: the terminal ended
        close(fds_[k]);
        fds_[k] = -1;
      }
    }
    return true;
  }

  pid_t pid_ = -1;
  int fds_[3] = {-1, -1, -1};  // terminal, stdout pipe, stderr pipe
  size_t matched_ = 0;
};

}  // namespace kavo_test

#endif  // KAVO_TESTS_TERMINAL_H_

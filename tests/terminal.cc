#include "tests/terminal.h"

#include <fcntl.h>
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

extern char** environ;

namespace kavo_test {
namespace {

std::string binary() {
  const char* chosen = getenv("KAVO_TEST_BINARY");
  return chosen && *chosen ? chosen : KAVO_BINARY;
}

long long now_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

}  // namespace

bool windows_build() {
  const char* runner = getenv("KAVO_TEST_RUNNER");
  return runner && *runner;
}

Scratch::Scratch() {
  const char* base = getenv("TMPDIR");
  std::string templ =
      std::string(base && *base ? base : "/tmp") + "/kavo-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp");
  path_ = templ;
}

Scratch::~Scratch() {
  sh("cd / && chmod -R u+rwx " + path_ + "; rm -rf " + path_);
}

void Scratch::sh(const std::string& command) const {
  if (system(("cd '" + path_ + "' && { " + command + "; }").c_str()) != 0) {
    throw std::runtime_error(command);
  }
}

std::string Scratch::out(const std::string& command) const {
  std::string text;
  FILE* p = popen(("cd '" + path_ + "' && { " + command + "; }").c_str(), "r");
  for (int c; p && (c = fgetc(p)) != EOF;) text += static_cast<char>(c);
  if (p) pclose(p);
  return text;
}

Terminal::Terminal(const std::string& dir, const std::vector<std::string>& args,
                   int rows, bool on_terminal, const std::string& encoding) {
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
  std::vector<std::string> argv = {binary()};
  if (windows_build()) argv.insert(argv.begin(), getenv("KAVO_TEST_RUNNER"));
  argv.insert(argv.end(), args.begin(), args.end());
  signal(SIGPIPE, SIG_IGN);
  pid_ = fork();
  if (pid_ == 0) {
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
    for (std::string& a : argv) v.push_back(a.data());
    v.push_back(nullptr);
    if (chdir(dir.c_str()) == 0) execvp(v[0], v.data());
    _exit(127);
  }
  close(slave);
  close(out[1]);
  close(err[1]);
  fds_[1] = out[0];
  fds_[2] = err[0];
}

Terminal::~Terminal() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : fds_) {
    if (fd >= 0) close(fd);
  }
}

bool Terminal::pump(int timeout_ms) {
  pollfd p[3];
  int n = 0;
  for (int fd : fds_) {
    if (fd >= 0) p[n++] = {fd, POLLIN, 0};
  }
  if (n == 0) return false;
  if (poll(p, n, timeout_ms) <= 0) return true;
  std::string* sinks[3] = {&screen, &out, &err};
  for (int i = 0; i < n; ++i) {
    if (!p[i].revents) continue;
    int k = p[i].fd == fds_[0] ? 0 : p[i].fd == fds_[1] ? 1 : 2;
    char buf[65536];
    ssize_t r = read(p[i].fd, buf, sizeof buf);
    if (r > 0) {
      sinks[k]->append(buf, r);
    } else if (r == 0 || errno != EINTR) {  // EIO: the terminal is gone
      close(fds_[k]);
      fds_[k] = -1;
    }
  }
  return true;
}

bool Terminal::wait_for(const std::string& text) {
  for (long long end = now_ms() + 10000;;) {
    size_t at = screen.find(text, matched_);
    if (at != std::string::npos) {
      matched_ = at + text.size();
      return true;
    }
    if (now_ms() > end || !pump(100)) return false;
  }
}

bool Terminal::answer(const std::string& keys, bool when_read) {
  // The command discards the keys typed before it reads one; under Wine
  // the terminal's mode does not show that moment.
  termios t;
  for (long long end = now_ms() + 10000;
       when_read && !windows_build() &&
       !(tcgetattr(fds_[0], &t) == 0 && !(t.c_lflag & ICANON));) {
    if (now_ms() > end || !pump(1)) return false;
  }
  if (when_read && windows_build()) usleep(300000);
  return write(fds_[0], keys.data(), keys.size()) ==
         static_cast<ssize_t>(keys.size());
}

int Terminal::finish() {
  long long end = now_ms() + 30000;
  while (now_ms() < end && pump(100)) {
  }
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (now_ms() > end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      status = -1;
      break;
    }
    usleep(10000);
  }
  pid_ = -1;
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kavo_test

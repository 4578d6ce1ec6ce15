#include "tests/pty_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "tests/harness.h"

namespace kavo_test {
namespace {

long long now_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// Echo and output processing off: the screen holds the command's bytes.
void configure_terminal(int fd) {
  termios t;
  if (tcgetattr(fd, &t) != 0) throw std::runtime_error("tcgetattr");
  t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL);
  t.c_oflag &= ~OPOST;
  if (tcsetattr(fd, TCSANOW, &t) != 0) throw std::runtime_error("tcsetattr");
}

// In the child: the terminal becomes the controlling terminal of a new
// session and its standard streams; then the command runs (`spec` as
// prepare_command has made it).
[[noreturn]] void exec_child(const PtySpec& spec, int slave, int out_pipe,
                             int err_pipe) {
  setsid();
  if (ioctl(slave, TIOCSCTTY, 0) != 0) _exit(126);
  dup2(slave, 0);
  dup2(spec.stdout_on_terminal ? slave : out_pipe, 1);
  dup2(err_pipe, 2);
  closefrom(3);
  if (!spec.directory.empty() && chdir(spec.directory.c_str()) != 0) {
    _exit(127);
  }
  exec_command(spec.binary, spec.args, spec.env);
}

void close_fd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

PtySession::PtySession(const PtySpec& spec) {
  winsize size = {};
  size.ws_row = static_cast<unsigned short>(spec.rows);
  size.ws_col = 80;
  int slave = -1;
  if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) {
    throw std::runtime_error("openpty");
  }
  configure_terminal(slave);
  int out_pipe[2] = {-1, -1};
  int err_pipe[2];
  if ((!spec.stdout_on_terminal && pipe(out_pipe) != 0) || pipe(err_pipe)) {
    throw std::runtime_error("pipe");
  }
  signal(SIGPIPE, SIG_IGN);
  // Prepared here: the Windows build's server starts outside the terminal.
  PtySpec command = spec;
  prepare_command(&command.binary, &command.args, &command.env);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) exec_child(command, slave, out_pipe[1], err_pipe[1]);
  close(slave);
  close_fd(&out_pipe[1]);
  close_fd(&err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
}

PtySession::~PtySession() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close_fd(&master_);
  close_fd(&out_fd_);
  close_fd(&err_fd_);
}

bool PtySession::pump(int timeout_ms) {
  pollfd fds[3];
  std::string* sinks[3];
  int* owners[3];
  int n = 0;
  for (auto [fd, sink] :
       {std::pair{&master_, &screen_}, std::pair{&out_fd_, &out_},
        std::pair{&err_fd_, &err_}}) {
    if (*fd < 0) continue;
    fds[n] = {*fd, POLLIN, 0};
    sinks[n] = sink;
    owners[n++] = fd;
  }
  if (n == 0) return false;
  if (poll(fds, n, timeout_ms < 0 ? 0 : timeout_ms) <= 0) return true;
  for (int i = 0; i < n; ++i) {
    if (fds[i].revents == 0) continue;
    char buf[65536];
    ssize_t r = read(fds[i].fd, buf, sizeof buf);
    if (r > 0) {
      sinks[i]->append(buf, r);
    } else if (r == 0 || errno != EINTR) {
      // The terminal answers EIO once the command and all its copies of
      // the terminal are gone.
      close_fd(owners[i]);
    }
  }
  return true;
}

bool PtySession::wait_for(const std::string& text, int timeout_ms) {
  long long deadline = now_ms() + timeout_ms;
  for (;;) {
    size_t at = screen_.find(text, matched_to_);
    if (at != std::string::npos) {
      matched_to_ = at + text.size();
      return true;
    }
    long long left = deadline - now_ms();
    if (left <= 0 || !pump(static_cast<int>(left))) return false;
  }
}

void PtySession::send(const std::string& keys) {
  size_t done = 0;
  while (done < keys.size() && master_ >= 0) {
    ssize_t w = write(master_, keys.data() + done, keys.size() - done);
    if (w < 0 && errno != EINTR) return;
    if (w > 0) done += w;
  }
}

bool PtySession::reading_key() const {
  termios t;
  return master_ >= 0 && tcgetattr(master_, &t) == 0 &&
         (t.c_lflag & ICANON) == 0;
}

bool PtySession::answer(const std::string& keys, int timeout_ms) {
  long long deadline = now_ms() + timeout_ms;
  while (!reading_key()) {
    if (now_ms() >= deadline || !pump(1)) return false;
  }
  send(keys);
  return true;
}

int PtySession::finish(int timeout_ms) {
  long long deadline = now_ms() + timeout_ms;
  while (now_ms() < deadline && pump(static_cast<int>(deadline - now_ms()))) {
  }
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid_, &status, WNOHANG)) == 0 && now_ms() < deadline) {
    usleep(10000);
  }
  if (done == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PtyResult run_in_pty(const PtySpec& spec, const std::vector<PtyStep>& steps) {
  PtyResult result;
  PtySession session(spec);
  for (const PtyStep& step : steps) {
    if (!step.wait_for.empty() && !session.wait_for(step.wait_for)) {
      result.all_steps_seen = false;
      break;
    }
    if (!step.is_answer) {
      session.send(step.keys);
    } else if (!session.answer(step.keys)) {
      result.all_steps_seen = false;
      break;
    }
  }
  result.exit_code = session.finish(result.all_steps_seen ? 30000 : 3000);
  result.screen = session.screen();
  result.out = session.out();
  result.err = session.err();
  return result;
}

}  // namespace kavo_test

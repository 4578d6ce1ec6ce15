#include "tests/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kavo_test {
namespace {

void make_dirs(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      mkdir(path.substr(0, i).c_str(), 0755);
    }
  }
}

void remove_tree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    chmod(path.c_str(), 0755);
    if (DIR* d = opendir(path.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") remove_tree(path + "/" + n);
      }
      closedir(d);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

void collect(const std::string& root, const std::string& rel,
             std::vector<std::string>* out) {
  DIR* d = opendir((root + "/" + rel).c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string r = rel.empty() ? n : rel + "/" + n;
    struct stat st;
    lstat((root + "/" + r).c_str(), &st);
    if (S_ISDIR(st.st_mode)) {
      out->push_back(r + "/");
      collect(root, r, out);
    } else {
      out->push_back(r);
    }
  }
  closedir(d);
}

// Reads both pipes until the child closes them or the deadline passes.
void drain(int out_fd, int err_fd, const std::string& input, int in_fd,
           int timeout_seconds, RunResult* result) {
  size_t written = 0;
  if (input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  time_t deadline = time(nullptr) + timeout_seconds;
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
    if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
    if (in_fd >= 0) fds[n++] = {in_fd, POLLOUT, 0};
    if (time(nullptr) > deadline) break;
    if (poll(fds, n, 1000) <= 0) continue;
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == in_fd) {
        ssize_t w = write(in_fd, input.data() + written, input.size() - written);
        if (w > 0) written += w;
        if (w < 0 || written == input.size()) {
          close(in_fd);
          in_fd = -1;
        }
        continue;
      }
      char buf[65536];
      ssize_t r = read(fds[i].fd, buf, sizeof buf);
      std::string* sink = fds[i].fd == out_fd ? &result->out : &result->err;
      if (r > 0) {
        sink->append(buf, r);
      } else {
        close(fds[i].fd);
        (fds[i].fd == out_fd ? out_fd : err_fd) = -1;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
  if (out_fd >= 0) close(out_fd);
  if (err_fd >= 0) close(err_fd);
}

}  // namespace

std::string kavo_binary() {
  const char* chosen = getenv("KAVO_TEST_BINARY");
  return chosen && *chosen ? chosen : KAVO_BINARY;
}

bool windows_build() {
  std::string binary = kavo_binary();
  return binary.size() > 4 && binary.substr(binary.size() - 4) == ".exe";
}

RunResult run_command(const RunSpec& spec) {
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (pipe(out_pipe) || pipe(err_pipe) || pipe(in_pipe)) {
    throw std::runtime_error("pipe");
  }
  std::string binary = spec.binary.empty() ? kavo_binary() : spec.binary;
  std::vector<std::string> env = spec.env;
  env.push_back("PATH=/usr/local/bin:/usr/bin:/bin");
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1],
                   err_pipe[0], err_pipe[1]}) {
      close(fd);
    }
    if (!spec.directory.empty() && chdir(spec.directory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& a : spec.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(binary.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  signal(SIGPIPE, SIG_IGN);
  RunResult result;
  drain(out_pipe[0], err_pipe[0], spec.stdin_text, in_pipe[1],
        spec.timeout_seconds, &result);
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == 0) {
    time_t deadline = time(nullptr) + spec.timeout_seconds;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (time(nullptr) > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
      }
      usleep(10000);
    }
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

RunResult run_kavo(const std::string& directory,
                   const std::vector<std::string>& args) {
  RunSpec spec;
  spec.directory = directory;
  spec.args = args;
  return run_command(spec);
}

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/kavo-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp");
  path_ = buf.data();
}

TempDir::~TempDir() { remove_tree(path_); }

std::string TempDir::at(const std::string& relative) const {
  return path_ + "/" + relative;
}

void TempDir::file(const std::string& relative, const std::string& content) {
  std::string full = at(relative);
  size_t slash = full.rfind('/');
  make_dirs(full.substr(0, slash));
  write_file(full, content);
}

void TempDir::dir(const std::string& relative) { make_dirs(at(relative)); }

std::vector<std::string> TempDir::tree() const {
  std::vector<std::string> out;
  collect(path_, "", &out);
  std::sort(out.begin(), out.end());
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace kavo_test

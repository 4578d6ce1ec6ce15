#include "tests/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
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
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kavo_test {
namespace {

void make_dirs(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
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

// Reads both pipes until the child closes them or the deadline passes.
void drain(int out_fd, int err_fd, int timeout_seconds, RunResult* result) {
  time_t deadline = time(nullptr) + timeout_seconds;
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[2];
    int n = 0;
    if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
    if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
    if (time(nullptr) > deadline) break;
    if (poll(fds, n, 1000) <= 0) continue;
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      char buf[65536];
      ssize_t r = read(fds[i].fd, buf, sizeof buf);
      if (r > 0) {
        (fds[i].fd == out_fd ? result->out : result->err).append(buf, r);
      } else {
        close(fds[i].fd);
        (fds[i].fd == out_fd ? out_fd : err_fd) = -1;
      }
    }
  }
  if (out_fd >= 0) close(out_fd);
  if (err_fd >= 0) close(err_fd);
}

// What Wine reads and writes for the Windows build: UTF-8 for the
// Shift-JIS text of the tests.
std::string to_wine(const std::string& sjis) {
  return windows_build() ? convert(sjis, "UTF-8", "CP932") : sjis;
}

std::string from_wine(const std::string& utf8) {
  return windows_build() ? convert(utf8, "CP932", "UTF-8") : utf8;
}

std::string crlf_to_lf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

bool has_variable(const std::vector<std::string>& env,
                  const std::string& name) {
  for (const std::string& e : env) {
    if (e.compare(0, name.size() + 1, name + "=") == 0) return true;
  }
  return false;
}

// The variables Wine needs from the test's own environment, and the
// Japanese locale (code page 932) unless the case chose a locale itself.
void add_wine_environment(std::vector<std::string>* env) {
  for (const char* name : {"HOME", "USER", "WINEPREFIX", "WINESERVER",
                           "WINELOADER", "WINEARCH", "XDG_RUNTIME_DIR"}) {
    const char* value = getenv(name);
    if (value && !has_variable(*env, name)) {
      env->push_back(std::string(name) + "=" + value);
    }
  }
  if (!has_variable(*env, "WINEDEBUG")) env->push_back("WINEDEBUG=-all");
  if (!has_variable(*env, "LANG") && !has_variable(*env, "LC_ALL")) {
    env->push_back("LANG=ja_JP.UTF-8");
  }
}

// realpath() of a path whose last components may not exist yet.
std::string resolved(const std::string& path) {
  char buffer[PATH_MAX];
  if (realpath(path.c_str(), buffer)) return buffer;
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return path;
  return resolved(path.substr(0, slash)) + path.substr(slash);
}

// The Windows path Wine gives a Linux path: the drive whose root holds it
// most closely, then the rest with '\' separators.
std::string wine_path(const std::string& linux_path) {
  const char* prefix = getenv("WINEPREFIX");
  const char* home = getenv("HOME");
  std::string devices =
      (prefix && *prefix ? std::string(prefix)
                         : std::string(home ? home : "") + "/.wine") +
      "/dosdevices/";
  std::string full = resolved(linux_path);
  char letter = 0;
  size_t root_length = 0;
  for (char drive = 'a'; drive <= 'z'; ++drive) {
    char buffer[PATH_MAX];
    std::string link = devices + drive + ":";
    if (!realpath(link.c_str(), buffer)) continue;
    std::string root = buffer;
    size_t length = root == "/" ? 0 : root.size();
    bool holds = full.compare(0, length, root, 0, length) == 0 &&
                 (full.size() == length || full[length] == '/');
    if (holds && (letter == 0 || length > root_length)) {
      letter = drive;
      root_length = length;
    }
  }
  std::string rest = full.substr(root_length);
  for (char& c : rest) {
    if (c == '/') c = '\\';
  }
  if (rest.empty()) rest = "\\";
  std::string out =
      std::string(1, static_cast<char>(letter - 'a' + 'A')) + ":" + rest;
  if (linux_path.size() > 1 && linux_path.back() == '/' && out.back() != '\\') {
    out += '\\';
  }
  return out;
}

// A started command: its process and the parent's ends of its standard
// input, output and error (-1 where they lead to /dev/null).
struct Child {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
  int err = -1;
};

// Runs `argv` with `env` and no pipes at all, and waits for it.
void run_quietly(const std::vector<std::string>& argv,
                 const std::vector<std::string>& env) {
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2}) dup2(null, fd);
    exec_command(argv[0], {argv.begin() + 1, argv.end()}, env);
  }
  if (pid > 0) waitpid(pid, nullptr, 0);
}

// Wine starts its server, and the session's services with it, on the first
// run when none is running; started from a run, they would keep that run's
// output pipes open long after it ended. So a persistent server and its
// services are started here first, without pipes, in the environment every
// run has (the server's socket lies under its $TMPDIR).
void start_wine_server(const std::vector<std::string>& env,
                       const std::string& runner) {
  static bool started = false;
  if (started) return;
  started = true;
  run_quietly({"wineserver", "-p"}, env);
  run_quietly({runner, "cmd", "/c", "exit"}, env);
}

}  // namespace

void prepare_command(std::string* binary, std::vector<std::string>* args,
                     std::vector<std::string>* env) {
  if (binary->empty()) *binary = kavo_binary();
  for (std::string& a : *args) a = to_wine(a);
  for (std::string& e : *env) e = to_wine(e);
  if (windows_build()) add_wine_environment(env);
  env->push_back("PATH=/usr/local/bin:/usr/bin:/bin");
  std::string runner = test_runner();
  if (!runner.empty()) {
    args->insert(args->begin(), *binary);
    *binary = runner;
    start_wine_server(*env, runner);
  }
}

namespace {

// Starts the command of `spec` (under the runner for the Windows build).
// Without `piped` its output goes to /dev/null.
Child spawn(const RunSpec& spec, bool piped) {
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (pipe(out_pipe) || pipe(err_pipe) || pipe(in_pipe)) {
    throw std::runtime_error("pipe");
  }
  std::string binary = spec.binary;
  std::vector<std::string> args = spec.args;
  std::vector<std::string> env = spec.env;
  prepare_command(&binary, &args, &env);
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(in_pipe[0], 0);
    dup2(piped ? out_pipe[1] : null, 1);
    dup2(piped ? err_pipe[1] : null, 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1],
                   err_pipe[0], err_pipe[1], null}) {
      close(fd);
    }
    if (!spec.directory.empty() && chdir(spec.directory.c_str()) != 0) {
      _exit(127);
    }
    exec_command(binary, args, env);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  Child child;
  child.pid = pid;
  child.in = in_pipe[1];
  if (piped) {
    child.out = out_pipe[0];
    child.err = err_pipe[0];
  } else {
    close(out_pipe[0]);
    close(err_pipe[0]);
  }
  return child;
}

// The wait status of `pid`; the process is killed once the time is up.
int wait_for_exit(pid_t pid, int timeout_seconds) {
  int status = 0;
  time_t deadline = time(nullptr) + timeout_seconds;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (time(nullptr) > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    usleep(10000);
  }
  return status;
}

}  // namespace

// `text` converted between two character sets; unchanged when it does not
// convert (bytes that are not text in `from`).
std::string convert(const std::string& text, const char* to, const char* from) {
  bool ascii = std::all_of(text.begin(), text.end(),
                           [](char c) { return (c & 0x80) == 0; });
  if (ascii) return text;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* op = out.data();
  size_t out_left = out.size();
  size_t r = iconv(cd, &in, &in_left, &op, &out_left);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return text;
  out.resize(out.size() - out_left);
  return out;
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + part.size())) {
    ++n;
  }
  return n;
}

[[noreturn]] void exec_command(const std::string& binary,
                               const std::vector<std::string>& args,
                               const std::vector<std::string>& env) {
  std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  // A name without '/' (the runner) is looked for on the test's PATH.
  execvpe(binary.c_str(), argv.data(), envp.data());
  _exit(127);
}

std::string copy_command(TempDir* dir, const std::string& relative) {
  dir->file(relative, read_file(kavo_binary()));
  std::string path = dir->at(relative);
  chmod(path.c_str(), 0755);
  return path;
}

std::string kavo_binary() {
  const char* chosen = getenv("KAVO_TEST_BINARY");
  return chosen && *chosen ? chosen : KAVO_BINARY;
}

bool windows_build() {
  std::string binary = kavo_binary();
  return binary.size() > 4 && binary.substr(binary.size() - 4) == ".exe";
}

std::string test_runner() {
  const char* runner = getenv("KAVO_TEST_RUNNER");
  return runner ? runner : "";
}

std::string program_path(const std::string& linux_path) {
  if (windows_build()) return wine_path(linux_path);
  std::string out = linux_path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

std::string argument_path(const std::string& linux_path) {
  return windows_build() ? wine_path(linux_path) : linux_path;
}

std::string executable_name(const std::string& base) {
  return windows_build() ? base + ".exe" : base;
}

RunResult run_command(const RunSpec& spec) {
  Child child = spawn(spec, true);
  signal(SIGPIPE, SIG_IGN);
  RunResult result;
  close(child.in);
  drain(child.out, child.err, spec.timeout_seconds, &result);
  int status = wait_for_exit(child.pid, spec.timeout_seconds);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (windows_build()) {
    result.out = crlf_to_lf(result.out);
    result.err = crlf_to_lf(result.err);
  }
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
  std::string templ =
      std::string(base && *base ? base : "/tmp") + "/kavo-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp");
  path_ = buf.data();
}

TempDir::~TempDir() { remove_tree(path_); }

std::string TempDir::at(const std::string& relative) const {
  return path_ + "/" + to_wine(relative);
}

void TempDir::file(const std::string& relative, const std::string& content) {
  std::string full = at(relative);
  size_t slash = full.rfind('/');
  make_dirs(full.substr(0, slash));
  write_file(full, content);
}

void TempDir::dir(const std::string& relative) { make_dirs(at(relative)); }

std::vector<std::string> TempDir::tree() const {
  namespace fs = std::filesystem;
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator
           it(path_, fs::directory_options::skip_permission_denied, ec),
       end;
       it != end; it.increment(ec)) {
    std::string entry = from_wine(it->path().string().substr(path_.size() + 1));
    bool dir = it->symlink_status(ec).type() == fs::file_type::directory;
    out.push_back(dir ? entry + "/" : entry);
  }
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

BackgroundRun::BackgroundRun(const RunSpec& spec) {
  Child child = spawn(spec, false);
  pid_ = child.pid;
  input_ = child.in;
  timeout_seconds_ = spec.timeout_seconds;
}

BackgroundRun::~BackgroundRun() { finish(); }

int BackgroundRun::finish() {
  if (input_ >= 0) {
    close(input_);
    input_ = -1;
  }
  if (pid_ > 0) {
    int status = wait_for_exit(pid_, timeout_seconds_);
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
  }
  return exit_code_;
}

bool held_open(const std::string& path) {
  char target[PATH_MAX];
  if (!realpath(path.c_str(), target)) return false;
  DIR* processes = opendir("/proc");
  if (!processes) return false;
  bool found = false;
  while (dirent* p = readdir(processes)) {
    if (found || p->d_name[0] < '0' || p->d_name[0] > '9') continue;
    std::string fds = std::string("/proc/") + p->d_name + "/fd";
    DIR* d = opendir(fds.c_str());
    if (!d) continue;
    while (dirent* f = readdir(d)) {
      char link[PATH_MAX];
      ssize_t n =
          readlink((fds + "/" + f->d_name).c_str(), link, sizeof link - 1);
      if (n > 0 && std::string(link, n) == target) found = true;
    }
    closedir(d);
  }
  closedir(processes);
  return found;
}

}  // namespace kavo_test

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string esc(unsigned char raw) { return escape_of(raw); }

// Runs `body` in a child process and returns its exit code.
int in_child(const std::function<int()>& body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `body` while a child process holds a lock on the file `path`: a
// POSIX record lock with `record_lock`, else flock.
void while_child_locks(const std::string& path, bool record_lock,
                       const std::function<void()>& body) {
  int ready[2];
  int done[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(done));
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(path.c_str(), O_RDWR);
    struct flock record = {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    if (record_lock) {
      fcntl(fd, F_SETLK, &record);
    } else {
      flock(fd, LOCK_EX);
    }
    char c = 1;
    write(ready[1], &c, 1);
    read(done[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  read(ready[0], &c, 1);
  body();
  write(done[1], &c, 1);
  waitpid(pid, nullptr, 0);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

// Each test runs in a fresh directory that is also the working directory,
// with UTF-8 as the external encoding.
class PlatformTest : public ::testing::Test {
 protected:
  // The layer keeps descriptors of the directories it used, by their paths,
  // and takes note of a new working directory when it next lists one.
  PlatformTest() : cwd_(dir_.native()) {
    set_external_encoding("UTF-8");
    directory_search_close(directory_search_open(""));
  }
  ~PlatformTest() override { set_external_encoding(""); }

  // Makes the directories (ending in '/') and the files, each file holding
  // its own name as its bytes.
  void make(std::initializer_list<std::string> names) {
    for (const std::string& name : names) {
      bool made =
          name.back() == '/' ? dir_.make_dir(name) : dir_.write(name, name);
      ASSERT_TRUE(made) << name;
    }
  }

  kavo_testing::ScratchDir dir_;
  kavo_testing::WorkingDirectory cwd_;
};

// ---- Attributes ------------------------------------------------------------

TEST_F(PlatformTest, AttributesComeFromTheModeAndTheName) {
  make({"f.txt", "ro.txt", ".hidden", "d/", "rod/"});
  chmod("ro.txt", 0444);
  chmod("rod", 0555);
  symlink("d", "link");
  struct Case {
    std::string path;
    uint32_t attributes;
  } cases[] = {
      {"f.txt", kAttrArchive},
      {"ro.txt", kAttrArchive | kAttrReadOnly},
      {".hidden", kAttrArchive | kAttrHidden},
      {"d", kAttrDirectory},
      {"d\\", kAttrDirectory},
      {"rod", kAttrDirectory | kAttrReadOnly},
      {"link", kAttrArchive},  // a link to a directory is no directory
      {"link\\", kAttrMissing},
      {"f.txt\\", kAttrMissing},
      {"missing", kAttrMissing},
      {"", kAttrDirectory},
      {"c:", kAttrDirectory},
      {"c:f.txt", kAttrArchive},
      {"c:" + dir_.internal("f.txt"), kAttrArchive},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.attributes, get_attributes(c.path)) << c.path;
  }
  EXPECT_TRUE(set_normal_attributes("ro.txt"));
  EXPECT_EQ(kAttrArchive, get_attributes("ro.txt"));
  EXPECT_FALSE(set_normal_attributes("missing"));
}

// ---- Moving, replacing, deleting ---------------------------------------

// move_entry, and the move for file systems without RENAME_NOREPLACE.
TEST_F(PlatformTest, MovesNeverReplace) {
  EXPECT_TRUE(move_reports_existing_target());
  for (bool fallback : {false, true}) {
    SCOPED_TRACE(fallback ? "fallback" : "renameat2");
    std::string top = fallback ? "fallback" : "renameat2";
    make({top + "/"});
    kavo_testing::WorkingDirectory inside(dir_.native(top));
    auto move = [fallback](const char* from, const char* to) {
      return fallback ? move_without_noreplace(from, to) : move_entry(from, to);
    };
    make({top + "/a", top + "/b", top + "/d/", top + "/e/"});
    EXPECT_EQ(MoveResult::kTargetExists, move("a", "b"));
    EXPECT_EQ(MoveResult::kTargetExists, move("a", "d"));
    EXPECT_EQ(MoveResult::kTargetExists, move("d", "a"));
    EXPECT_EQ(MoveResult::kTargetExists, move("d", "e"));
    EXPECT_EQ(top + "/a", dir_.read(top + "/a"));
    EXPECT_EQ(top + "/b", dir_.read(top + "/b"));
    EXPECT_EQ(MoveResult::kMoved, move("a", "c"));
    EXPECT_FALSE(dir_.exists(top + "/a"));
    EXPECT_EQ(top + "/a", dir_.read(top + "/c"));
    EXPECT_EQ(MoveResult::kMoved, move("d", "f"));
    EXPECT_TRUE(dir_.exists(top + "/f"));
    EXPECT_EQ(MoveResult::kFailed, move("missing", "x"));
  }
  EXPECT_EQ(MoveResult::kFailed, move_entry("renameat2\\c", "nodir\\x"));
}

TEST_F(PlatformTest, MoveKeepsForbiddenBytesOfLinuxNames) {
  make({"1:00.mp3", "a\\b.txt"});
  EXPECT_EQ(MoveResult::kMoved,
            move_entry("1" + esc(':') + "00.mp3", "1" + esc(':') + "01.mp3"));
  EXPECT_TRUE(dir_.exists("1:01.mp3"));
  EXPECT_EQ(MoveResult::kMoved,
            move_entry("a" + esc('\\') + "b.txt", "a" + esc('\\') + "c.txt"));
  EXPECT_TRUE(dir_.exists("a\\c.txt"));
  EXPECT_EQ(MoveResult::kMoved,
            move_entry("a" + esc('\\') + "c.txt", "日.txt"));
  EXPECT_TRUE(dir_.exists(u8(u8"日.txt")));
}

TEST_F(PlatformTest, ReplaceAndDeleteRefuseDirectoriesAndReadOnly) {
  make({"a", "b", "f", "ro", "d/"});
  chmod("ro", 0444);
  EXPECT_FALSE(replace_entry("a", "d"));
  EXPECT_FALSE(replace_entry("a", "ro"));
  EXPECT_FALSE(delete_entry("ro"));
  EXPECT_FALSE(delete_entry("d"));
  EXPECT_FALSE(delete_entry("missing"));
  EXPECT_EQ("ro", dir_.read("ro"));
  EXPECT_TRUE(dir_.exists("a"));
  EXPECT_TRUE(dir_.exists("d"));
  EXPECT_TRUE(replace_entry("a", "b"));
  EXPECT_EQ("a", dir_.read("b"));
  EXPECT_FALSE(dir_.exists("a"));
  EXPECT_FALSE(replace_entry("missing", "b"));
  EXPECT_EQ("a", dir_.read("b"));  // a failed replace leaves the target
  EXPECT_TRUE(delete_entry("f"));
  EXPECT_FALSE(dir_.exists("f"));
}

// ---- Directory search and entries ----------------------------------------

TEST_F(PlatformTest, DirectorySearchListsNamesWithoutFollowingLinks) {
  make({"sub/", "sub/f.txt", "sub/1:00.mp3", "sub/" + u8(u8"日本.txt"),
        "sub/bad\xFF", "sub/inner/", "f"});
  symlink("inner", "sub/link");
  symlink("sub", "link");
  DirectorySearch* search = directory_search_open("sub\\");
  ASSERT_NE(nullptr, search);
  std::set<std::pair<std::string, uint32_t>> seen;
  FindRecord record;
  while (directory_search_next(search, &record)) {
    EXPECT_FALSE(record.complete);
    EXPECT_TRUE(record.short_name.empty());
    seen.insert({record.name, record.attributes & kAttrDirectory});
  }
  directory_search_close(search);
  std::set<std::pair<std::string, uint32_t>> expected = {
      {".", kAttrDirectory},
      {"..", kAttrDirectory},
      {"f.txt", 0},
      {"1" + esc(':') + "00.mp3", 0},
      {"日本.txt", 0},
      {"bad" + esc(0xFF), 0},
      {"inner", kAttrDirectory},
      {"link", 0},
  };
  EXPECT_EQ(expected, seen);
  for (const char* refused : {"link", "link\\", "f", "missing"}) {
    EXPECT_EQ(nullptr, directory_search_open(refused)) << refused;
  }
  search = directory_search_open("");
  ASSERT_NE(nullptr, search);
  directory_search_close(search);
}

TEST_F(PlatformTest, FindAndCompleteEntries) {
  make({"sub/", "sub/a.txt"});
  struct timeval times[2] = {{1000000000, 0}, {1100000000, 0}};
  utimes("sub/a.txt", times);
  FindRecord record;
  ASSERT_TRUE(find_entry("sub\\a.txt", &record));
  EXPECT_EQ("a.txt", record.name);
  EXPECT_EQ(9u, record.size);
  EXPECT_EQ(1000000000, record.access_time);
  EXPECT_EQ(1100000000, record.write_time);
  EXPECT_NE(0, record.creation_time);
  EXPECT_EQ(kAttrArchive, record.attributes);
  EXPECT_TRUE(record.complete);
  EXPECT_FALSE(find_entry("sub\\A.TXT", &record));  // no case folding
  ASSERT_TRUE(find_entry("sub", &record));
  EXPECT_EQ("sub", record.name);
  EXPECT_EQ(0u, record.size);
  ASSERT_TRUE(find_entry("sub\\.", &record));
  EXPECT_EQ("sub", record.name);

  record = FindRecord();
  record.name = "listed";
  ASSERT_TRUE(complete_entry("sub\\a.txt", &record));
  EXPECT_EQ("listed", record.name);
  EXPECT_EQ(9u, record.size);
  EXPECT_TRUE(record.complete);
  EXPECT_FALSE(complete_entry("gone", &record));
  EXPECT_EQ(kAttrMissing, record.attributes);
}

TEST_F(PlatformTest, VolumeAvailability) {
  EXPECT_TRUE(volume_available(""));
  EXPECT_TRUE(volume_available("c:\\"));
  EXPECT_FALSE(volume_available("\\\\no-such-server\\share\\"));
}

// ---- Files and the log lock ------------------------------------------------

TEST_F(PlatformTest, TextFileWritesCrLfInTheExternalEncoding) {
  TextFile* file = text_file_open("log.txt", TextFileMode::kCreate);
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_write(file, "a\n", 2));
  std::string name = "日" + esc(':') + "\n";
  EXPECT_TRUE(text_file_write(file, name.data(), 1));  // a split character
  EXPECT_TRUE(text_file_write(file, name.data() + 1, name.size() - 1));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(u8(u8"a\r\n日:\r\n"), dir_.read("log.txt"));

  file = text_file_open("log.txt", TextFileMode::kUpdate);
  ASSERT_NE(nullptr, file);
  EXPECT_FALSE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_seek_end(file));
  EXPECT_TRUE(text_file_write(file, "b\n", 2));
  EXPECT_TRUE(text_file_close(file));
  file = text_file_open("log.txt", TextFileMode::kAppend);
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(text_file_write(file, "c", 1));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(u8(u8"a\r\n日:\r\nb\r\nc"), dir_.read("log.txt"));

  file = text_file_open("log.txt", TextFileMode::kCreateUpdate);
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(nullptr, text_file_open("missing", TextFileMode::kUpdate));
  make({"d/"});
  EXPECT_EQ(nullptr, text_file_open("d", TextFileMode::kAppend));
}

// A full disk: a write that failed while buffered is reported at close.
TEST_F(PlatformTest, WriteFailureIsReportedAtClose) {
  TextFile* file = text_file_open("\\dev\\full", TextFileMode::kCreate);
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(text_file_write(file, "small\n", 6));  // still buffered
  EXPECT_FALSE(text_file_close(file));
  file = text_file_open("\\dev\\full", TextFileMode::kAppend);
  ASSERT_NE(nullptr, file);
  text_file_write(file, "x", 1);
  EXPECT_FALSE(text_file_flush(file));
  EXPECT_FALSE(text_file_close(file));
}

// The open log is locked against other processes, and the run never moves,
// replaces or deletes it (Linux would let it lose its own log).
TEST_F(PlatformTest, OpenLogIsLockedAndNeverMoved) {
  make({"other.txt"});
  TextFile* log = text_file_open("run.log", TextFileMode::kCreate);
  ASSERT_NE(nullptr, log);
  std::string path = dir_.native("run.log");
  auto try_lock = [&path] {
    int fd = open(path.c_str(), O_RDONLY);
    return flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 1 : 0;
  };
  EXPECT_EQ(1, in_child(try_lock));
  EXPECT_FALSE(file_in_use_elsewhere("run.log"));  // this process's own
  EXPECT_TRUE(is_open_log_file("run.log"));
  EXPECT_TRUE(is_open_log_file("c:" + dir_.internal("run.log")));
  EXPECT_FALSE(is_open_log_file("other.txt"));
  EXPECT_EQ(MoveResult::kFailed, move_entry("run.log", "moved.log"));
  EXPECT_FALSE(replace_entry("other.txt", "run.log"));
  EXPECT_FALSE(replace_entry("run.log", "other.txt"));
  EXPECT_FALSE(delete_entry("run.log"));
  EXPECT_EQ("other.txt", dir_.read("other.txt"));
  EXPECT_TRUE(text_file_close(log));
  EXPECT_EQ(0, in_child(try_lock));
  EXPECT_FALSE(is_open_log_file("run.log"));
  EXPECT_EQ(MoveResult::kMoved, move_entry("run.log", "moved.log"));
}

// Another process's flock or record lock marks a file in use; a log held
// by another process is neither opened nor emptied.
TEST_F(PlatformTest, LocksOfOtherProcesses) {
  make({"held.log"});
  EXPECT_FALSE(file_in_use_elsewhere("held.log"));
  EXPECT_FALSE(file_in_use_elsewhere("missing.log"));
  for (bool record_lock : {false, true}) {
    while_child_locks(dir_.native("held.log"), record_lock,
                      [] { EXPECT_TRUE(file_in_use_elsewhere("held.log")); });
  }
  while_child_locks(dir_.native("held.log"), false, [] {
    EXPECT_EQ(nullptr, text_file_open("held.log", TextFileMode::kCreate));
  });
  EXPECT_EQ("held.log", dir_.read("held.log"));
  EXPECT_FALSE(file_in_use_elsewhere("held.log"));
}

TEST_F(PlatformTest, ReadFileBytes) {
  make({"d/"});
  dir_.write("f", std::string("a\0b\xFF", 4));
  std::string bytes;
  ASSERT_TRUE(read_file_bytes("f", &bytes));
  EXPECT_EQ(std::string("a\0b\xFF", 4), bytes);
  EXPECT_FALSE(read_file_bytes("d", &bytes));
  EXPECT_FALSE(read_file_bytes("missing", &bytes));
}

// ---- Command line and environment ----------------------------------------

TEST_F(PlatformTest, CommandArgumentsClassifyAndConvert) {
  make({"1:00.mp3", "a\\b.txt", "sub/", "sub/x:y"});
  std::string absolute = dir_.native("1:00.mp3");
  std::vector<std::string> args = {
      "kavo",         ":",       "new:",    "1:00.mp3", "a\\b.txt", "sub/*.txt",
      "c:\\x\\*.txt", "sub/x:y", "sub/q:*", "/d",       "-x",       "/var",
      "//",           absolute,  "/tmp/",   "--",       "/d",       "-y"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::vector<CommandArgument> out =
      command_arguments(static_cast<int>(argv.size()), argv.data(), '-');
  std::vector<std::pair<std::string, bool>> expected = {
      {"kavo", false},
      {":", false},  // the old string is read as a name pattern later
      {"new:", false},
      {"1" + esc(':') + "00.mp3", false},
      {"a" + esc('\\') + "b.txt", false},
      {"sub\\*.txt", false},
      {"c:\\x\\*.txt", false},
      {"sub\\x" + esc(':') + "y", false},
      {"sub\\q" + esc(':') + "*", false},
      {"/d", false},
      {"-x", false},
      {"/var", false},
      {"//", false},
      {dir_.internal("1") + esc(':') + "00.mp3", true},
      {"\\tmp\\", true},
      {"\\d", true},  // after "--", which gives no argument itself
      {"-y", true},
  };
  ASSERT_EQ(expected.size(), out.size());
  for (size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(expected[i], std::pair(out[i].text, out[i].file_only)) << i;
  }
}

TEST_F(PlatformTest, ProcessEnvironmentAndExecutable) {
  kavo_testing::set_environment("KavoTestVariable", u8(u8"日\x01").c_str());
  std::string value;
  ASSERT_TRUE(find_environment_variable("KAVOTESTVARIABLE", &value));
  EXPECT_EQ("日" + esc(1), value);
  kavo_testing::set_environment("KavoTestVariable", nullptr);
  EXPECT_FALSE(find_environment_variable("KAVOTESTVARIABLE", &value));

  std::string path = executable_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ('\\', path[0]);
  EXPECT_EQ(std::string::npos, path.find('/'));
  EXPECT_EQ("platform_tests", path.substr(path.rfind('\\') + 1));
}

// ---- Time -----------------------------------------------------------------

TEST_F(PlatformTest, TimeAndTicks) {
  kavo_testing::use_time_zone("JST-9");
  CalendarTime t = local_calendar_time(1113869103);  // 2005-04-19 00:05:03Z
  kavo_testing::use_time_zone("UTC");
  EXPECT_EQ(std::tuple(2005, 4, 19, 9, 5, 3, 2),  // a Tuesday
            std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second,
                       t.weekday));
  EXPECT_EQ(4, local_calendar_time(0).weekday);  // 1970-01-01, a Thursday
  EXPECT_EQ(0, local_calendar_time(0).hour);

  uint32_t start = tick_count_ms();
  usleep(50000);
  uint32_t elapsed = tick_count_ms() - start;
  EXPECT_GE(elapsed, 45u);
  EXPECT_LT(elapsed, 5000u);
  EXPECT_LE(current_time() - time(nullptr), 1);
}

// ---- Console ----------------------------------------------------------------

// Runs `body` in a child whose standard output and error both go into one
// pipe; returns what arrived.
std::string console_output(const std::function<void()>& body) {
  int out[2];
  if (pipe(out) != 0) return "";
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(out[1], 2);
    close(out[0]);
    close(out[1]);
    body();
    _exit(0);  // skips the exit flush: the body must flush what it wants
  }
  close(out[1]);
  std::string got;
  char buffer[4096];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) got.append(buffer, n);
  close(out[0]);
  waitpid(pid, nullptr, 0);
  return got;
}

// Without a terminal standard output is buffered (a write to standard error
// flushes it first, a split character still converts as one, the rest goes
// out at exit), the console has no rows and a key read answers All at once.
TEST_F(PlatformTest, ConsoleWithoutTerminal) {
  std::string got = console_output([] {
    std::string name = "日" + esc(0xFF) + "\n";
    console_write(Stream::kOut, name.data(), 1);
    console_write(Stream::kOut, name.data() + 1, name.size() - 1);
    console_write(Stream::kErr, "err\n", 4);
    setsid();  // no controlling terminal from here on
    std::string answers = std::to_string(console_rows()) + " " +
                          static_cast<char>(read_key()) + "\n";
    console_write(Stream::kOut, answers.data(), answers.size());
    console_flush();
  });
  EXPECT_EQ(u8(u8"日") + "\xFF\nerr\n0 A\n", got);
  got = console_output([] {
    console_write(Stream::kOut, "last\n", 5);
    exit(0);
  });
  EXPECT_EQ("last\n", got);
}

// Forks a child whose controlling terminal and standard output is a new
// pseudo terminal of 37 rows; the child exits with what `body` returns.
// Gives the child's pid and the terminal's master side.
pid_t fork_on_terminal(int* master, const std::function<int()>& body) {
  int slave;
  if (openpty(master, &slave, nullptr, nullptr, nullptr) != 0) return -1;
  winsize size = {};
  size.ws_row = 37;
  size.ws_col = 100;
  ioctl(*master, TIOCSWINSZ, &size);
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    dup2(slave, 1);
    _exit(body());
  }
  close(slave);
  return pid;
}

int exit_code(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child reads one key from its terminal; `typed_early` arrives before
// the call and must be discarded, `keys` arrive once the terminal is in raw
// mode. `*restored` tells whether the terminal's mode was put back.
int key_from_terminal(const std::string& typed_early, const std::string& keys,
                      bool* restored) {
  int go[2];
  if (pipe(go) != 0) return -2;
  int master;
  pid_t pid = fork_on_terminal(&master, [&go] {
    char c;
    read(go[0], &c, 1);
    return read_key();
  });
  if (pid < 0) return -2;
  write(master, typed_early.data(), typed_early.size());
  usleep(20000);
  write(go[1], "g", 1);
  termios mode;
  for (int wait = 0; wait < 500; ++wait) {  // until raw mode is set
    if (tcgetattr(master, &mode) == 0 && !(mode.c_lflag & ICANON)) break;
    usleep(10000);
  }
  write(master, keys.data(), keys.size());
  int key = exit_code(pid);
  *restored = tcgetattr(master, &mode) == 0 && (mode.c_lflag & ICANON) &&
              (mode.c_lflag & ECHO);
  for (int fd : {master, go[0], go[1]}) close(fd);
  return key;
}

TEST_F(PlatformTest, ReadKeyFromTerminal) {
  struct Case {
    std::string early;
    std::string keys;
    int key;
  } cases[] = {
      {"", "q", 'q'},
      {"Q", "c", 'c'},             // typed before the prompt: discarded
      {"", "\x1b[A", 0},           // a cursor key continues
      {"", "\x1b", 27},            // a lone Esc quits
      {"", "\x03", 27},            // so does Ctrl-C
      {"", "\xEF\xBE\x80", 0xC0},  // ﾀ
      {"", "\xEF\xBE\x81", 0xC1},  // ﾁ
      {"", u8(u8"日"), 0x93},      // a double-byte character: its lead
  };
  for (const Case& c : cases) {
    bool restored = false;
    EXPECT_EQ(c.key, key_from_terminal(c.early, c.keys, &restored))
        << testing::PrintToString(c.keys);
    EXPECT_TRUE(restored) << testing::PrintToString(c.keys);
  }
}

// On a terminal the console has its rows, and the prompt (a line left open)
// appears only once the terminal is in raw mode: a key typed as soon as it
// shows is taken, and Ctrl-C is a key.
TEST_F(PlatformTest, PromptShowsOnlyWhenTheTerminalIsReady) {
  int master;
  pid_t pid = fork_on_terminal(&master, [] {
    std::string text = std::to_string(console_rows()) + " rows\n(prompt)";
    console_write(Stream::kOut, text.data(), text.size());
    usleep(200000);  // as long as the pager's work before the key read
    return read_key();
  });
  ASSERT_GT(pid, 0);
  std::string screen;
  bool raw_when_shown = false;
  char buffer[256];
  while (screen.find("(prompt)") == std::string::npos) {
    pollfd p = {master, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) break;
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    screen.append(buffer, n);
    termios mode;
    raw_when_shown = tcgetattr(master, &mode) == 0 && !(mode.c_lflag & ICANON);
  }
  write(master, "\x03", 1);
  EXPECT_EQ(27, exit_code(pid));
  close(master);
  EXPECT_EQ("37 rows\r\n(prompt)", screen);
  EXPECT_TRUE(raw_when_shown);
}

}  // namespace
}  // namespace kavo

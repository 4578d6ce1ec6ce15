#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
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
#include <vector>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "platform/posix_text.h"

namespace kavo {
namespace {

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string esc(unsigned char raw) { return escape_of(raw); }

void write_bytes(const std::string& path, const std::string& content) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(static_cast<ssize_t>(content.size()),
            write(fd, content.data(), content.size()));
  close(fd);
}

std::string read_bytes(const std::string& path) {
  std::string out;
  EXPECT_TRUE(read_file_bytes(internal_path(path), &out)) << path;
  return out;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int remove_one(const char* path, const struct stat*, int, FTW*) {
  chmod(path, 0755);
  return remove(path);
}

// Runs `body` in a child process and returns its exit code.
int in_child(const std::function<int()>& body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each test runs in a fresh directory that is also the working directory,
// with UTF-8 as the external encoding.
class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_external_encoding("UTF-8");
    char templ[] = "/tmp/kavo-platform-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(templ));
    dir_ = templ;
    ASSERT_EQ(0, getcwd(saved_cwd_, sizeof saved_cwd_) ? 0 : -1);
    ASSERT_EQ(0, chdir(dir_.c_str()));
  }
  void TearDown() override {
    chdir(saved_cwd_);
    nftw(dir_.c_str(), remove_one, 16, FTW_DEPTH | FTW_PHYS);
    set_external_encoding("");
  }

  std::string dir_;
  char saved_cwd_[4096];
};

// ---- Attributes ------------------------------------------------------------

TEST_F(PlatformTest, AttributesComeFromTheModeAndTheName) {
  write_bytes("f.txt", "x");
  write_bytes("ro.txt", "x");
  chmod("ro.txt", 0444);
  write_bytes(".hidden", "x");
  mkdir("d", 0755);
  mkdir("rod", 0555);
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
      {"c:" + internal_path(dir_) + "\\f.txt", kAttrArchive},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.attributes, get_attributes(c.path)) << c.path;
  }
}

TEST_F(PlatformTest, SetNormalAttributesClearsReadOnly) {
  write_bytes("ro.txt", "x");
  chmod("ro.txt", 0444);
  EXPECT_TRUE(set_normal_attributes("ro.txt"));
  EXPECT_EQ(kAttrArchive, get_attributes("ro.txt"));
  EXPECT_FALSE(set_normal_attributes("missing"));
}

// ---- Moving, replacing, deleting ---------------------------------------

TEST_F(PlatformTest, MoveNeverReplaces) {
  write_bytes("a", "A");
  write_bytes("b", "B");
  mkdir("d", 0755);
  EXPECT_TRUE(move_reports_existing_target());
  EXPECT_EQ(MoveResult::kTargetExists, move_entry("a", "b"));
  EXPECT_EQ(MoveResult::kTargetExists, move_entry("a", "d"));
  EXPECT_EQ(MoveResult::kTargetExists, move_entry("d", "a"));
  EXPECT_EQ("A", read_bytes("a"));
  EXPECT_EQ("B", read_bytes("b"));
  EXPECT_EQ(MoveResult::kMoved, move_entry("a", "c"));
  EXPECT_EQ("A", read_bytes("c"));
  EXPECT_FALSE(exists("a"));
  EXPECT_EQ(MoveResult::kMoved, move_entry("d", "e"));
  EXPECT_TRUE(exists("e"));
  EXPECT_EQ(MoveResult::kFailed, move_entry("missing", "x"));
  EXPECT_EQ(MoveResult::kFailed, move_entry("c", "nodir\\x"));
}

TEST_F(PlatformTest, FallbackMoveNeverReplacesEither) {
  write_bytes("a", "A");
  write_bytes("b", "B");
  mkdir("d", 0755);
  mkdir("e", 0755);
  EXPECT_EQ(MoveResult::kTargetExists, move_without_noreplace("a", "b"));
  EXPECT_EQ(MoveResult::kTargetExists, move_without_noreplace("d", "e"));
  EXPECT_EQ(MoveResult::kTargetExists, move_without_noreplace("d", "a"));
  EXPECT_EQ("B", read_bytes("b"));
  EXPECT_EQ(MoveResult::kMoved, move_without_noreplace("a", "c"));
  EXPECT_FALSE(exists("a"));
  EXPECT_EQ("A", read_bytes("c"));
  EXPECT_EQ(MoveResult::kMoved, move_without_noreplace("d", "f"));
  EXPECT_TRUE(exists("f"));
  EXPECT_EQ(MoveResult::kFailed, move_without_noreplace("missing", "x"));
}

TEST_F(PlatformTest, MoveKeepsForbiddenBytesOfLinuxNames) {
  write_bytes("1:00.mp3", "m");
  write_bytes("a\\b.txt", "t");
  EXPECT_EQ(MoveResult::kMoved,
            move_entry("1" + esc(':') + "00.mp3", "1" + esc(':') + "01.mp3"));
  EXPECT_TRUE(exists("1:01.mp3"));
  EXPECT_EQ(MoveResult::kMoved,
            move_entry("a" + esc('\\') + "b.txt", "a" + esc('\\') + "c.txt"));
  EXPECT_TRUE(exists("a\\c.txt"));
  EXPECT_EQ(MoveResult::kMoved,
            move_entry("a" + esc('\\') + "c.txt", "日.txt"));
  EXPECT_TRUE(exists(u8(u8"日.txt")));
}

TEST_F(PlatformTest, ReplaceIsOneStepAndRefusesDirectoriesAndReadOnly) {
  write_bytes("a", "A");
  write_bytes("b", "B");
  write_bytes("ro", "R");
  chmod("ro", 0444);
  mkdir("d", 0755);
  EXPECT_FALSE(replace_entry("a", "d"));
  EXPECT_FALSE(replace_entry("a", "ro"));
  EXPECT_EQ("R", read_bytes("ro"));
  EXPECT_TRUE(exists("a"));
  EXPECT_TRUE(replace_entry("a", "b"));
  EXPECT_EQ("A", read_bytes("b"));
  EXPECT_FALSE(exists("a"));
  EXPECT_FALSE(replace_entry("missing", "b"));
  EXPECT_EQ("A", read_bytes("b"));  // a failed replace leaves the target
}

TEST_F(PlatformTest, DeleteRefusesDirectoriesAndReadOnly) {
  write_bytes("f", "x");
  write_bytes("ro", "x");
  chmod("ro", 0444);
  mkdir("d", 0755);
  EXPECT_FALSE(delete_entry("ro"));
  EXPECT_FALSE(delete_entry("d"));
  EXPECT_FALSE(delete_entry("missing"));
  EXPECT_TRUE(exists("ro"));
  EXPECT_TRUE(delete_entry("f"));
  EXPECT_FALSE(exists("f"));
}

// ---- Directory search and entries ----------------------------------------

TEST_F(PlatformTest, DirectorySearchListsNamesWithoutFollowingLinks) {
  mkdir("sub", 0755);
  write_bytes("sub/f.txt", "x");
  write_bytes("sub/1:00.mp3", "x");
  write_bytes(std::string("sub/") + u8(u8"日本.txt"), "x");
  write_bytes("sub/bad\xFF", "x");
  mkdir("sub/inner", 0755);
  symlink("inner", "sub/link");
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
}

TEST_F(PlatformTest, DirectorySearchRefusesLinksFilesAndMissing) {
  mkdir("d", 0755);
  symlink("d", "link");
  write_bytes("f", "x");
  EXPECT_EQ(nullptr, directory_search_open("link"));
  EXPECT_EQ(nullptr, directory_search_open("link\\"));
  EXPECT_EQ(nullptr, directory_search_open("f"));
  EXPECT_EQ(nullptr, directory_search_open("missing"));
  DirectorySearch* search = directory_search_open("");
  ASSERT_NE(nullptr, search);
  directory_search_close(search);
}

TEST_F(PlatformTest, FindEntryIsExactAndComplete) {
  mkdir("sub", 0755);
  write_bytes("sub/a.txt", "12345");
  struct timeval times[2] = {{1000000000, 0}, {1100000000, 0}};
  utimes("sub/a.txt", times);
  FindRecord record;
  ASSERT_TRUE(find_entry("sub\\a.txt", &record));
  EXPECT_EQ("a.txt", record.name);
  EXPECT_EQ(5u, record.size);
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
}

TEST_F(PlatformTest, CompleteEntryKeepsTheName) {
  write_bytes("a", "xy");
  FindRecord record;
  record.name = "listed";
  ASSERT_TRUE(complete_entry("a", &record));
  EXPECT_EQ("listed", record.name);
  EXPECT_EQ(2u, record.size);
  EXPECT_TRUE(record.complete);
  EXPECT_FALSE(complete_entry("gone", &record));
  EXPECT_EQ(kAttrMissing, record.attributes);
}

TEST_F(PlatformTest, VolumeAvailability) {
  EXPECT_TRUE(volume_available(""));
  EXPECT_TRUE(volume_available("c:\\"));
  EXPECT_FALSE(volume_available("\\\\no-such-server\\share\\"));
}

// ---- Text files and the log lock ------------------------------------------

TEST_F(PlatformTest, TextFileWritesCrLfInTheExternalEncoding) {
  TextFile* file = text_file_open("log.txt", TextFileMode::kCreate);
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_write(file, "a\n", 2));
  std::string name = "日" + esc(':') + "\n";
  EXPECT_TRUE(text_file_write(file, name.data(), 1));  // a split character
  EXPECT_TRUE(text_file_write(file, name.data() + 1, name.size() - 1));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(u8(u8"a\r\n日:\r\n"), read_bytes(dir_ + "/log.txt"));

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
  EXPECT_EQ(u8(u8"a\r\n日:\r\nb\r\nc"), read_bytes(dir_ + "/log.txt"));

  file = text_file_open("log.txt", TextFileMode::kCreateUpdate);
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(nullptr, text_file_open("missing", TextFileMode::kUpdate));
  mkdir("d", 0755);
  EXPECT_EQ(nullptr, text_file_open("d", TextFileMode::kAppend));
}

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

TEST_F(PlatformTest, OpenLogIsLockedAgainstOtherProcesses) {
  TextFile* log = text_file_open("run.log", TextFileMode::kCreate);
  ASSERT_NE(nullptr, log);
  std::string path = dir_ + "/run.log";
  auto try_lock = [&path] {
    int fd = open(path.c_str(), O_RDONLY);
    return flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 1 : 0;
  };
  EXPECT_EQ(1, in_child(try_lock));
  EXPECT_FALSE(file_in_use_elsewhere("run.log"));  // this process's own
  EXPECT_TRUE(is_open_log_file("run.log"));
  EXPECT_TRUE(is_open_log_file("c:" + internal_path(dir_) + "\\run.log"));
  EXPECT_FALSE(is_open_log_file("other.log"));
  EXPECT_TRUE(text_file_close(log));
  EXPECT_EQ(0, in_child(try_lock));
  EXPECT_FALSE(is_open_log_file("run.log"));
}

// A child takes a lock of the given kind and waits; the parent asks.
bool in_use_while_child_locks(const std::string& path, bool posix_lock) {
  int ready[2];
  int done[2];
  if (pipe(ready) != 0 || pipe(done) != 0) return false;
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(path.c_str(), O_RDWR);
    if (posix_lock) {
      struct flock record = {};
      record.l_type = F_WRLCK;
      record.l_whence = SEEK_SET;
      fcntl(fd, F_SETLK, &record);
    } else {
      flock(fd, LOCK_EX);
    }
    char c = 1;
    write(ready[1], &c, 1);
    read(done[0], &c, 1);
    _exit(0);
  }
  char c;
  read(ready[0], &c, 1);
  bool in_use = file_in_use_elsewhere(internal_path(path));
  write(done[1], &c, 1);
  waitpid(pid, nullptr, 0);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
  return in_use;
}

TEST_F(PlatformTest, LockedFileIsNeitherOpenedNorTruncated) {
  write_bytes("held.log", "old");
  int ready[2];
  int done[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(done));
  std::string path = dir_ + "/held.log";
  pid_t pid = fork();
  if (pid == 0) {
    flock(open(path.c_str(), O_RDONLY), LOCK_EX);
    char c = 1;
    write(ready[1], &c, 1);
    read(done[0], &c, 1);
    _exit(0);
  }
  char c;
  read(ready[0], &c, 1);
  EXPECT_EQ(nullptr, text_file_open("held.log", TextFileMode::kCreate));
  write(done[1], &c, 1);
  waitpid(pid, nullptr, 0);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
  EXPECT_EQ("old", read_bytes(path));
}

TEST_F(PlatformTest, FileInUseElsewhereSeesFlockAndRecordLocks) {
  write_bytes("held.log", "x");
  EXPECT_FALSE(file_in_use_elsewhere("held.log"));
  EXPECT_FALSE(file_in_use_elsewhere("missing.log"));
  EXPECT_TRUE(in_use_while_child_locks(dir_ + "/held.log", false));
  EXPECT_TRUE(in_use_while_child_locks(dir_ + "/held.log", true));
  EXPECT_FALSE(file_in_use_elsewhere("held.log"));
}

TEST_F(PlatformTest, OpenLogIsNeverMovedOrReplaced) {
  write_bytes("other.txt", "o");
  TextFile* log = text_file_open("run.txt", TextFileMode::kCreate);
  ASSERT_NE(nullptr, log);
  EXPECT_EQ(MoveResult::kFailed, move_entry("run.txt", "moved.txt"));
  EXPECT_FALSE(replace_entry("other.txt", "run.txt"));
  EXPECT_FALSE(replace_entry("run.txt", "other.txt"));
  EXPECT_FALSE(delete_entry("run.txt"));
  EXPECT_TRUE(exists("run.txt"));
  EXPECT_EQ("o", read_bytes(dir_ + "/other.txt"));
  EXPECT_TRUE(text_file_close(log));
  EXPECT_EQ(MoveResult::kMoved, move_entry("run.txt", "moved.txt"));
}

TEST_F(PlatformTest, ReadFileBytes) {
  write_bytes("f", std::string("a\0b\xFF", 4));
  mkdir("d", 0755);
  std::string bytes;
  ASSERT_TRUE(read_file_bytes("f", &bytes));
  EXPECT_EQ(std::string("a\0b\xFF", 4), bytes);
  EXPECT_FALSE(read_file_bytes("d", &bytes));
  EXPECT_FALSE(read_file_bytes("missing", &bytes));
}

// ---- Command line and environment ----------------------------------------

TEST_F(PlatformTest, CommandArgumentsClassifyAndConvert) {
  write_bytes("1:00.mp3", "x");
  write_bytes("a\\b.txt", "x");
  mkdir("sub", 0755);
  write_bytes("sub/x:y", "x");
  std::string absolute = dir_ + "/1:00.mp3";
  std::vector<std::string> args = {
      "kavo",         ":",       "new:",    "1:00.mp3", "a\\b.txt", "sub/*.txt",
      "c:\\x\\*.txt", "sub/x:y", "sub/q:*", "/d",       "-x",       "/var",
      "//",           absolute,  "/tmp/",   "--",       "/d",       "-y"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::vector<CommandArgument> out =
      command_arguments(static_cast<int>(argv.size()), argv.data(), '-');
  std::string root = internal_path(dir_);
  std::vector<std::pair<std::string, bool>> expected = {
      {"kavo", false},
      {esc(':'), false},
      {"new:", false},
      {"1" + esc(':') + "00.mp3", false},
      {"a" + esc('\\') + "b.txt", false},
      {"sub\\*.txt", false},
      {"c:\\x\\*.txt", false},
      {"sub\\x" + esc(':') + "y", false},
      {"sub\\q:*", false},
      {"/d", false},
      {"-x", false},
      {"/var", false},
      {"//", false},
      {root + "\\1" + esc(':') + "00.mp3", true},
      {"\\tmp\\", true},
      {"\\d", true},
      {"-y", true},
  };
  ASSERT_EQ(expected.size(), out.size());
  for (size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(expected[i].first, out[i].text) << i;
    EXPECT_EQ(expected[i].second, out[i].file_only) << i;
  }
}

TEST_F(PlatformTest, EnvironmentLookupIgnoresCaseAndConverts) {
  setenv("KavoTestVariable", u8(u8"日\x01").c_str(), 1);
  std::string value;
  ASSERT_TRUE(find_environment_variable("KAVOTESTVARIABLE", &value));
  EXPECT_EQ("日" + esc(1), value);
  unsetenv("KavoTestVariable");
  EXPECT_FALSE(find_environment_variable("KAVOTESTVARIABLE", &value));
}

TEST_F(PlatformTest, ExecutablePathIsInternal) {
  std::string path = executable_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ('\\', path[0]);
  EXPECT_EQ(std::string::npos, path.find('/'));
  EXPECT_EQ("platform_tests", path.substr(path.rfind('\\') + 1));
}

// ---- Time -----------------------------------------------------------------

TEST_F(PlatformTest, LocalCalendarTimeHonoursTheZone) {
  const char* saved = getenv("TZ");
  std::string keep = saved ? saved : "";
  setenv("TZ", "JST-9", 1);
  tzset();
  CalendarTime t = local_calendar_time(1113869103);  // 2005-04-19 00:05:03Z
  EXPECT_EQ(2005, t.year);
  EXPECT_EQ(4, t.month);
  EXPECT_EQ(19, t.day);
  EXPECT_EQ(9, t.hour);
  EXPECT_EQ(5, t.minute);
  EXPECT_EQ(3, t.second);
  EXPECT_EQ(2, t.weekday);  // Tuesday
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(4, local_calendar_time(0).weekday);  // 1970-01-01, a Thursday
  EXPECT_EQ(0, local_calendar_time(0).hour);
  if (saved) {
    setenv("TZ", keep.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST_F(PlatformTest, TickCountAdvancesInMilliseconds) {
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

TEST_F(PlatformTest, ConsoleWriteConvertsAndOrdersStreams) {
  std::string got = console_output([] {
    std::string name = "日" + esc(0xFF) + "\n";
    console_write(Stream::kOut, name.data(), 1);  // a split character
    console_write(Stream::kOut, name.data() + 1, name.size() - 1);
    console_write(Stream::kErr, "err\n", 4);  // flushes standard output
    console_write(Stream::kOut, "end\n", 4);
    console_flush();
  });
  EXPECT_EQ(u8(u8"日") + "\xFF\nerr\nend\n", got);
}

TEST_F(PlatformTest, ConsoleOutputIsFlushedAtExit) {
  std::string got = console_output([] {
    console_write(Stream::kOut, "last\n", 5);
    exit(0);
  });
  EXPECT_EQ("last\n", got);
}

TEST_F(PlatformTest, ConsoleRowsIsZeroWithoutTerminal) {
  std::string got = console_output([] {
    std::string rows = std::to_string(console_rows());
    console_write(Stream::kOut, rows.data(), rows.size());
    console_flush();
  });
  EXPECT_EQ("0", got);
}

TEST_F(PlatformTest, ConsoleRowsOfATerminal) {
  int master, slave;
  ASSERT_EQ(0, openpty(&master, &slave, nullptr, nullptr, nullptr));
  winsize size = {};
  size.ws_row = 37;
  size.ws_col = 100;
  ASSERT_EQ(0, ioctl(master, TIOCSWINSZ, &size));
  int rows = in_child([slave] {
    dup2(slave, 1);
    return console_rows();
  });
  EXPECT_EQ(37, rows);
  close(master);
  close(slave);
}

TEST_F(PlatformTest, ReadKeyWithoutTerminalAnswersAllAtOnce) {
  int key = in_child([] {
    setsid();  // no controlling terminal from here on
    return read_key();
  });
  EXPECT_EQ('A', key);
}

// A child with a pseudo terminal as its controlling terminal reads one key;
// `typed_early` arrives before the call and must be discarded, `keys`
// arrive once the terminal is in raw mode.
int key_from_terminal(const std::string& typed_early, const std::string& keys,
                      bool* restored) {
  int master, slave;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return -2;
  int go[2];
  if (pipe(go) != 0) return -2;
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    char c;
    read(go[0], &c, 1);
    _exit(read_key());
  }
  close(slave);
  if (!typed_early.empty())
    write(master, typed_early.data(), typed_early.size());
  usleep(20000);
  write(go[1], "g", 1);
  termios mode;
  for (int wait = 0; wait < 500; ++wait) {  // until raw mode is set
    if (tcgetattr(master, &mode) == 0 && !(mode.c_lflag & ICANON)) break;
    usleep(10000);
  }
  write(master, keys.data(), keys.size());
  int status = 0;
  waitpid(pid, &status, 0);
  *restored = tcgetattr(master, &mode) == 0 && (mode.c_lflag & ICANON) &&
              (mode.c_lflag & ECHO);
  close(master);
  close(go[0]);
  close(go[1]);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

// The prompt (a line left open) appears only once the terminal is in raw
// mode: a key typed as soon as it shows is taken, and Ctrl-C is a key.
TEST_F(PlatformTest, PromptShowsOnlyWhenTheTerminalIsReady) {
  int master, slave;
  ASSERT_EQ(0, openpty(&master, &slave, nullptr, nullptr, nullptr));
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    dup2(slave, 1);
    console_write(Stream::kOut, "line\n(prompt)", 13);
    usleep(200000);  // as long as the pager's work before the key read
    _exit(read_key());
  }
  close(slave);
  std::string screen;
  bool raw_when_shown = false;
  char buffer[256];
  while (screen.find("(prompt)") == std::string::npos) {
    pollfd p = {master, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) break;
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    screen.append(buffer, n);
    if (screen.find("(prompt)") != std::string::npos) {
      termios mode;
      raw_when_shown =
          tcgetattr(master, &mode) == 0 && !(mode.c_lflag & ICANON);
    }
  }
  write(master, "\x03", 1);
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  EXPECT_EQ("line\r\n(prompt)", screen);
  EXPECT_TRUE(raw_when_shown);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(27, WEXITSTATUS(status));
}

}  // namespace
}  // namespace kavo

// The contract of the platform operations, which posix.cc and win32.cc both
// pass (the Windows build runs it under Wine, in code page 932). Rules of
// one layer alone sit at the end, apart.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix_internal.h"
#include "platform/posix_text.h"
#endif

namespace kavo {
namespace {

class PlatformTest : public ::testing::Test {
 protected:
  // Internal path of `name` in the scratch directory.
  std::string at(const std::string& name) const { return dir_.internal(name); }
  void make_read_only(const std::string& name) {
    std::filesystem::permissions(dir_.native(name),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
  }
  std::string content(const std::string& name) {
    std::string bytes;
    return read_file_bytes(at(name), &bytes) ? bytes : "<missing>";
  }

  kavo_testing::ScratchDir dir_;
};

TEST_F(PlatformTest, AttributesAndTheirReset) {
  ASSERT_TRUE(dir_.write("a.txt") && dir_.make_dir("d"));
  EXPECT_EQ(get_attributes(at("missing")), kAttrMissing);
  EXPECT_NE(get_attributes(at("d")) & kAttrDirectory, 0u);
  EXPECT_EQ(get_attributes(at("a.txt")) & (kAttrDirectory | kAttrReadOnly), 0u);
  make_read_only("a.txt");
  EXPECT_NE(get_attributes(at("a.txt")) & kAttrReadOnly, 0u);
  EXPECT_TRUE(set_normal_attributes(at("a.txt")));
  EXPECT_EQ(get_attributes(at("a.txt")) & kAttrReadOnly, 0u);
  EXPECT_FALSE(set_normal_attributes(at("missing")));
}

// A move never replaces: a taken name, file or directory, is reported.
TEST_F(PlatformTest, MovesNeverReplace) {
  using Move = std::function<MoveResult(const char*, const char*)>;
  Move move = [this](const char* from, const char* to) {
    return move_entry(at(from), at(to));
  };
  std::vector<Move> moves = {move};
#ifndef _WIN32
  // Where the file system lacks RENAME_NOREPLACE.
  moves.push_back([this](const char* from, const char* to) {
    return move_without_noreplace(dir_.native(from).c_str(),
                                  dir_.native(to).c_str());
  });
#endif
  EXPECT_TRUE(move_reports_existing_target());
  for (const auto& mover : moves) {
    ASSERT_TRUE(dir_.write("a", "A") && dir_.write("b", "B"));
    ASSERT_TRUE(dir_.make_dir("d") && dir_.make_dir("e"));
    EXPECT_EQ(mover("a", "b"), MoveResult::kTargetExists);
    EXPECT_EQ(mover("a", "d"), MoveResult::kTargetExists);
    EXPECT_EQ(mover("d", "a"), MoveResult::kTargetExists);
    EXPECT_EQ(mover("d", "e"), MoveResult::kTargetExists);
    EXPECT_EQ(content("a") + content("b"), "AB");
    EXPECT_EQ(mover("a", "c"), MoveResult::kMoved);
    EXPECT_EQ(content("a") + content("c"), "<missing>A");
    EXPECT_EQ(mover("d", "f"), MoveResult::kMoved);
    EXPECT_NE(get_attributes(at("f")) & kAttrDirectory, 0u);
    EXPECT_EQ(mover("missing", "x"), MoveResult::kFailed);
    std::filesystem::remove_all(dir_.native("c"));
    std::filesystem::remove_all(dir_.native("e"));
    std::filesystem::remove_all(dir_.native("f"));
  }
  EXPECT_EQ(move("b", "nodir\\b"), MoveResult::kFailed);
}

TEST_F(PlatformTest, ReplaceAndDeleteRefuseReadOnlyEntriesAndDirectories) {
  ASSERT_TRUE(dir_.write("a", "A") && dir_.write("b", "B"));
  ASSERT_TRUE(dir_.write("ro", "R") && dir_.make_dir("d"));
  make_read_only("ro");
  EXPECT_FALSE(replace_entry(at("a"), at("ro")));
  EXPECT_FALSE(replace_entry(at("a"), at("d")));
  EXPECT_FALSE(delete_entry(at("ro")));
  EXPECT_FALSE(delete_entry(at("d")));
  EXPECT_FALSE(delete_entry(at("missing")));
  EXPECT_EQ(content("a") + content("ro"), "AR");
  EXPECT_NE(get_attributes(at("d")) & kAttrDirectory, 0u);
  EXPECT_TRUE(replace_entry(at("a"), at("b")));
  EXPECT_EQ(content("a") + content("b"), "<missing>A");
  EXPECT_FALSE(replace_entry(at("missing"), at("b")));
  EXPECT_EQ(content("b"), "A");  // a failed replace leaves the target
  EXPECT_TRUE(replace_entry(at("b"), at("new")));
  EXPECT_TRUE(delete_entry(at("new")));
  EXPECT_EQ(get_attributes(at("new")), kAttrMissing);
  set_normal_attributes(at("ro"));
}

TEST_F(PlatformTest, DirectorySearchAndEntries) {
  ASSERT_TRUE(dir_.write("b.txt", "bb") && dir_.write("a.txt"));
  ASSERT_TRUE(dir_.make_dir("sub"));
  DirectorySearch* search = directory_search_open(dir_.internal() + "\\");
  ASSERT_NE(search, nullptr);
  std::vector<std::string> names;
  FindRecord record;
  while (directory_search_next(search, &record)) {
    names.push_back(record.name);
    EXPECT_EQ(record.name == "sub" || record.name == "." || record.name == "..",
              (record.attributes & kAttrDirectory) != 0)
        << record.name;
  }
  directory_search_close(search);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{".", "..", "a.txt", "b.txt", "sub"}));
  EXPECT_EQ(directory_search_open(at("missing")), nullptr);
  EXPECT_EQ(directory_search_open(at("a.txt")), nullptr);

  ASSERT_TRUE(find_entry(at("b.txt"), &record));
  EXPECT_EQ(record.name, "b.txt");
  EXPECT_EQ(record.size, 2u);
  EXPECT_TRUE(record.complete);
  EXPECT_LT(std::abs(record.write_time - current_time()), 100);
  ASSERT_TRUE(find_entry(at("sub"), &record));
  EXPECT_EQ(record.name, "sub");
  EXPECT_NE(record.attributes & kAttrDirectory, 0u);
  EXPECT_FALSE(find_entry(at("b.txt") + "\\", &record));  // not a directory
  EXPECT_FALSE(find_entry(at("missing"), &record));
  record = FindRecord();
  record.name = "listed";
  ASSERT_TRUE(complete_entry(at("b.txt"), &record));
  EXPECT_EQ(record.name, "listed");
  EXPECT_EQ(record.size, 2u);
  EXPECT_TRUE(record.complete);
  EXPECT_FALSE(complete_entry(at("gone"), &record));
  EXPECT_EQ(record.attributes, kAttrMissing);
}

// Text files store CR LF; other files are read byte for byte.
TEST_F(PlatformTest, FilesTextAndBinary) {
  TextFile* file = text_file_open(at("log.txt"), TextFileMode::kCreate);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_write(file, "a\nb\n", 4));
  EXPECT_FALSE(file_in_use_elsewhere(at("log.txt")));  // this process's own
  EXPECT_TRUE(text_file_close(file));
  file = text_file_open(at("log.txt"), TextFileMode::kUpdate);
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_seek_end(file));
  EXPECT_TRUE(text_file_write(file, "c\n", 2));
  EXPECT_TRUE(text_file_close(file));
  file = text_file_open(at("log.txt"), TextFileMode::kAppend);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_write(file, "d", 1));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(content("log.txt"), "a\r\nb\r\nc\r\nd");
  file = text_file_open(at("log.txt"), TextFileMode::kCreateUpdate);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(text_file_open(at("missing"), TextFileMode::kUpdate), nullptr);
  EXPECT_EQ(text_file_open(dir_.internal(), TextFileMode::kAppend), nullptr);
  EXPECT_FALSE(file_in_use_elsewhere(at("missing")));

  const std::string binary("/d\r\n\x1a\0\xFF", 7);
  ASSERT_TRUE(dir_.write("cfg", binary));
  std::string bytes;
  ASSERT_TRUE(read_file_bytes(at("cfg"), &bytes));
  EXPECT_EQ(bytes, binary);
  EXPECT_FALSE(read_file_bytes(dir_.internal(), &bytes));
  EXPECT_FALSE(read_file_bytes(at("missing"), &bytes));
}

TEST(PlatformProcessTest, EnvironmentArgumentsExecutableVolumes) {
  kavo_testing::set_environment("KavoTestVariable", "a value");
  std::string value;
  ASSERT_TRUE(find_environment_variable("KAVOTESTVARIABLE", &value));
  EXPECT_EQ(value, "a value");
  kavo_testing::set_environment("KavoTestVariable", nullptr);
  EXPECT_FALSE(find_environment_variable("KAVOTESTVARIABLE", &value));

  // '/' separates directories in file arguments only.
  std::string args[] = {"kavo", "a/b", "c/d", "sub/*.txt", "/lhx/y", "-d/e"};
  const char* expected[] = {"kavo",       "a/b",    "c/d",
                            "sub\\*.txt", "/lhx/y", "-d/e"};
  char* argv[6];
  for (int i = 0; i < 6; ++i) argv[i] = args[i].data();
  std::vector<CommandArgument> out = command_arguments(6, argv, '-');
  ASSERT_EQ(out.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(out[i].text, expected[i]) << i;
    EXPECT_FALSE(out[i].file_only) << i;
  }

  FindRecord record;
  ASSERT_TRUE(find_entry(executable_path(), &record));
  EXPECT_EQ(record.name.rfind("platform_tests", 0), 0u) << record.name;
  EXPECT_TRUE(volume_available(""));
  EXPECT_TRUE(volume_available("c:\\"));
  EXPECT_FALSE(volume_available("\\\\no-such-server\\share\\"));
}

// Local time with TZ=UTC, as the tests run.
TEST(PlatformTimeTest, CalendarTimeAndTicks) {
  kavo_testing::use_time_zone("UTC");
  const struct {
    int64_t seconds;
    CalendarTime expected;
  } cases[] = {
      {1113901507, {2005, 4, 19, 9, 5, 7, 2}},
      {0, {1970, 1, 1, 0, 0, 0, 4}},
      {-1, {1969, 12, 31, 23, 59, 59, 3}},
      {951782400, {2000, 2, 29, 0, 0, 0, 2}},
  };
  for (const auto& c : cases) {
    CalendarTime t = local_calendar_time(c.seconds);
    const CalendarTime& e = c.expected;
    EXPECT_EQ(
        std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second, t.weekday),
        std::tie(e.year, e.month, e.day, e.hour, e.minute, e.second, e.weekday))
        << c.seconds;
  }
  EXPECT_LE(std::abs(current_time() - static_cast<int64_t>(time(nullptr))), 1);
  uint32_t first = tick_count_ms();
  std::clock_t start = std::clock();  // busy: processor time is time here
  while (std::clock() - start < CLOCKS_PER_SEC * 30 / 1000) {
  }
  uint32_t elapsed = tick_count_ms() - first;
  EXPECT_GE(elapsed, 25u);
  EXPECT_LT(elapsed, 5000u);
}

#ifndef _WIN32
// Linux: a file argument that exists as written, or whose directory part
// does, keeps those bytes as name bytes; after "--" everything is a file.
TEST_F(PlatformTest, LinuxFileArguments) {
  ASSERT_TRUE(dir_.write("1:00.mp3") && dir_.make_dir("a:b"));
  std::string args[] = {"kavo",
                        ":",
                        "x",
                        dir_.native("1:00.mp3"),
                        dir_.native("a:b") + "/*.txt",
                        "/tmp/",
                        "--",
                        "/d"};
  const std::string e = escape_of(':');
  const std::pair<std::string, bool> expected[] = {
      {"kavo", false},
      {e, false},
      {"x", false},
      {dir_.internal("1") + e + "00.mp3", true},
      {dir_.internal("a") + e + "b\\*.txt", true},
      {"\\tmp\\", true},
      {"\\d", true}};
  char* argv[8];
  for (int i = 0; i < 8; ++i) argv[i] = args[i].data();
  std::vector<CommandArgument> out = command_arguments(8, argv, '/');
  ASSERT_EQ(out.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(std::pair(out[i].text, out[i].file_only), expected[i]) << i;
  }
}

// Linux: the open log is locked against other processes and never moved,
// replaced or deleted by the run; a record lock of another process marks a
// file in use too.
TEST_F(PlatformTest, LinuxLogLocks) {
  ASSERT_TRUE(dir_.write("other.txt", "o"));
  TextFile* log = text_file_open(at("run.log"), TextFileMode::kCreate);
  ASSERT_NE(log, nullptr);
  auto child = [](const std::string& path, bool hold) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      int fd = open(path.c_str(), O_RDWR);
      if (!hold) _exit(flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
      struct flock record = {};
      record.l_type = F_WRLCK;
      fcntl(fd, F_SETLK, &record);
      sleep(60);  // until killed
      _exit(0);
    }
    return pid;
  };
  auto exit_code = [](pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WEXITSTATUS(status);
  };
  EXPECT_EQ(exit_code(child(dir_.native("run.log"), false)), 1);
  EXPECT_TRUE(is_open_log_file(at("run.log")));
  EXPECT_EQ(move_entry(at("run.log"), at("moved.log")), MoveResult::kFailed);
  EXPECT_FALSE(replace_entry(at("other.txt"), at("run.log")));
  EXPECT_FALSE(replace_entry(at("run.log"), at("other.txt")));
  EXPECT_FALSE(delete_entry(at("run.log")));
  EXPECT_TRUE(text_file_close(log));
  EXPECT_EQ(exit_code(child(dir_.native("run.log"), false)), 0);
  EXPECT_EQ(move_entry(at("run.log"), at("moved.log")), MoveResult::kMoved);

  pid_t holder = child(dir_.native("other.txt"), true);
  bool in_use = false;
  for (int wait = 0; wait < 500 && !in_use; ++wait) {
    in_use = file_in_use_elsewhere(at("other.txt"));
    if (!in_use) usleep(10000);
  }
  EXPECT_TRUE(in_use);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_FALSE(file_in_use_elsewhere(at("other.txt")));
}
#endif

}  // namespace
}  // namespace kavo

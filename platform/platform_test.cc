// The contract of the platform operations that the transcripts cannot
// reach, which the Linux layer (posix_*.cc) and win32.cc both pass (the
// Windows build runs it under Wine, in code page 932). Rules of the Linux
// layer alone are marked so.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
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

namespace fs = std::filesystem;

class PlatformTest : public ::testing::Test {
 protected:
  // Internal path of `name` in the scratch directory.
  std::string at(const std::string& name) const { return dir_.internal(name); }
  std::string content(const std::string& name) {
    std::string bytes;
    return read_file_bytes(at(name), &bytes) ? bytes : "-";
  }
  bool is_directory(const std::string& name) {
    uint32_t attributes = get_attributes(at(name));
    return attributes != kAttrMissing && (attributes & kAttrDirectory) != 0;
  }

  kavo_testing::ScratchDir dir_;
};

// A move never replaces a taken name, file or directory.
TEST_F(PlatformTest, MovesNeverReplace) {
  std::vector<std::function<MoveResult(const char*, const char*)>> moves = {
      [this](const char* from, const char* to) {
        return move_entry(at(from), at(to));
      }};
#ifndef _WIN32  // where the file system lacks RENAME_NOREPLACE
  moves.push_back([this](const char* from, const char* to) {
    return move_without_noreplace(dir_.native(from).c_str(),
                                  dir_.native(to).c_str());
  });
#endif
  EXPECT_TRUE(move_reports_existing_target());
  for (const auto& move : moves) {
    ASSERT_TRUE(dir_.write("a", "A") && dir_.write("b", "B"));
    ASSERT_TRUE(dir_.make_dir("d") && dir_.make_dir("e"));
    const char* cases[][3] = {{"a", "b", "E"},       {"a", "d", "E"},
                              {"d", "a", "E"},       {"d", "e", "E"},
                              {"a", "c", "M"},       {"d", "f", "M"},
                              {"missing", "x", "F"}, {"b", "nodir/b", "F"}};
    for (const auto& c : cases) {
      MoveResult want = c[2][0] == 'E'   ? MoveResult::kTargetExists
                        : c[2][0] == 'M' ? MoveResult::kMoved
                                         : MoveResult::kFailed;
      EXPECT_EQ(move(c[0], c[1]), want) << c[0] << " " << c[1];
    }
    EXPECT_EQ(content("a") + content("b") + content("c"), "-BA");
    EXPECT_TRUE(is_directory("f") && !is_directory("d"));
    for (const char* name : {"b", "c", "e", "f"}) {
      fs::remove_all(dir_.native(name));
    }
  }
}

// '/' separates directories in file arguments only (from the fourth on);
// a server share that does not answer is no volume. (Environment names
// that ignore case and the executable's name show in the transcripts.)
TEST(PlatformProcessTest, ArgumentsAndVolumes) {
  std::string args[] = {"kavo", "a/b", "c/d", "sub/*.txt", "/lhx/y", "-d/e"};
  const char* expected[] = {"kavo",       "a/b",    "c/d",
                            "sub\\*.txt", "/lhx/y", "-d/e"};
  char* argv[6];
  for (int i = 0; i < 6; ++i) argv[i] = args[i].data();
  std::vector<CommandArgument> out = command_arguments(6, argv, '-');
  ASSERT_EQ(out.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(std::pair(out[i].text, out[i].file_only),
              std::pair(std::string(expected[i]), false));
  }
  EXPECT_TRUE(volume_available("") && volume_available("c:\\"));
  EXPECT_FALSE(volume_available("\\\\no-such-server\\share\\"));
}

#ifndef _WIN32
// Linux: a file argument that exists as written, or whose directory part
// does, keeps those bytes as name bytes; after "--" everything is a file.
TEST_F(PlatformTest, LinuxFileArguments) {
  ASSERT_TRUE(dir_.write("1:00.mp3") && dir_.make_dir("a:b\\c"));
  std::string args[] = {"kavo",  ":",
                        "x",     dir_.native("1:00.mp3"),
                        "/tmp/", dir_.native("a:b\\c") + "/*.txt",
                        "--",    "/d"};
  const std::string e = escape_of(':');
  const std::pair<std::string, bool> expected[] = {
      {"kavo", false},
      {":", false},
      {"x", false},
      {dir_.internal("1") + e + "00.mp3", true},
      {"\\tmp\\", true},
      {dir_.internal("a") + e + "b" + escape_of('\\') + "c\\*.txt", true},
      {"\\d", true}};
  char* argv[8];
  for (int i = 0; i < 8; ++i) argv[i] = args[i].data();
  std::vector<CommandArgument> out = command_arguments(8, argv, '/');
  ASSERT_EQ(out.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(std::pair(out[i].text, out[i].file_only), expected[i]) << i;
  }
}

// Linux: while its log is open the run holds a lock on it, which another
// process's lock attempt meets; another process's record lock marks a file
// in use for the run.
TEST_F(PlatformTest, LinuxOpenLogIsLocked) {
  const std::string path = dir_.native("run.log");
  auto in_child = [](const std::function<int()>& body) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
  };
  auto lockable = [&] {
    int status = 0;
    waitpid(in_child([&] {
              return flock(open(path.c_str(), O_RDONLY), LOCK_EX | LOCK_NB);
            }),
            &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  TextFile* log = text_file_open(at("run.log"), TextFileMode::kCreate);
  ASSERT_NE(log, nullptr);
  EXPECT_FALSE(lockable());
  EXPECT_TRUE(text_file_close(log));
  EXPECT_TRUE(lockable());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t holder = in_child([&] {
    struct flock record = {};
    record.l_type = F_WRLCK;
    fcntl(open(path.c_str(), O_RDWR), F_SETLK, &record);
    if (write(ready[1], "x", 1) == 1) pause();  // until killed
    return 0;
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_TRUE(file_in_use_elsewhere(at("run.log")));
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  close(ready[0]), close(ready[1]);
  EXPECT_FALSE(file_in_use_elsewhere(at("run.log")));
}
#endif

}  // namespace
}  // namespace kavo

// The contract of the platform operations that the transcripts cannot
// reach, which the Linux layer (posix_*.cc) and win32.cc both pass (the
// Windows build runs it under Wine, in code page 932). Rules of the Linux
// layer alone are marked so.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
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

// The trash of a test's own: on Linux its home trash lies in the scratch
// folder; the Windows build's test runs give Wine's Recycle Bin a folder of
// the build (cmake/mingw-w64.cmake).
class TrashTest : public PlatformTest {
 protected:
  void SetUp() override {
#ifndef _WIN32
    kavo_testing::set_environment("XDG_DATA_HOME", dir_.native("data").c_str());
#endif
  }
};

// A trashed file comes back only to a free name, once.
TEST_F(TrashTest, ReserveMoveRestore) {
  ASSERT_TRUE(dir_.write("a b.txt", "old") && dir_.make_dir("d"));
  std::string ticket;
  EXPECT_FALSE(trash_reserve(at("missing"), &ticket));
  EXPECT_FALSE(trash_reserve(at("d"), &ticket));
  ASSERT_TRUE(trash_reserve(at("a b.txt"), &ticket));
  EXPECT_EQ(ticket.find_first_of("\r\n"), std::string::npos) << ticket;
  ASSERT_TRUE(trash_move(at("a b.txt"), ticket));
  EXPECT_EQ(get_attributes(at("a b.txt")), kAttrMissing);
  ASSERT_TRUE(dir_.write("a b.txt", "new"));
  EXPECT_EQ(trash_restore(ticket, at("a b.txt")), MoveResult::kTargetExists);
  EXPECT_EQ(content("a b.txt"), "new");
  ASSERT_TRUE(delete_entry(at("a b.txt")));
  EXPECT_EQ(trash_restore(ticket, at("a b.txt")), MoveResult::kMoved);
  EXPECT_EQ(content("a b.txt"), "old");
  EXPECT_EQ(trash_restore(ticket, at("c")), MoveResult::kFailed);
}

#ifndef _WIN32
// Linux: the record names the original path and the local time of the
// reservation; a name taken in the trash gets a number; a released
// reservation leaves no record and moves nothing.
TEST_F(TrashTest, LinuxRecordsAndRelease) {
  ASSERT_TRUE(dir_.write("x%y z.txt", "X"));
  std::string first;
  std::string second;
  int64_t before = current_time();
  ASSERT_TRUE(trash_reserve(at("x%y z.txt"), &first));
  int64_t after = current_time();
  ASSERT_TRUE(trash_reserve(at("x%y z.txt"), &second));
  EXPECT_EQ(second, first + ".2");
  std::string record;
  ASSERT_TRUE(read_file_bytes(
      dir_.internal("data/Trash/info/x%y z.txt.trashinfo"), &record));
  std::string prefix =
      "[Trash Info]\nPath=" + dir_.native() + "/x%25y%20z.txt\nDeletionDate=";
  ASSERT_EQ(record.substr(0, prefix.size()), prefix);
  bool dated = false;
  for (int64_t t = before; t <= after; ++t) {
    CalendarTime c = local_calendar_time(t);
    char date[64];
    snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d\n", c.year,
             c.month, c.day, c.hour, c.minute, c.second);
    dated = dated || record.substr(prefix.size()) == date;
  }
  EXPECT_TRUE(dated) << record;
  trash_release(second);
  trash_release(first);
  EXPECT_TRUE(fs::is_empty(dir_.native("data/Trash/info")));
  EXPECT_FALSE(trash_move(at("x%y z.txt"), first));
  EXPECT_EQ(content("x%y z.txt"), "X");
}

// Linux: a file on another mount than the home trash goes to the trash at
// the top of that mount: .Trash/$uid below a sticky .Trash that is no link,
// else .Trash-$uid, made for the user alone; nowhere when neither can be.
TEST_F(TrashTest, LinuxTopDirectoryTrashes) {
  if (unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    GTEST_SKIP() << "no mount namespace of the test's own";
  }
  const std::string uid = std::to_string(getuid());
  auto sticky = [](const std::string& path) {
    fs::create_directory(path);
    fs::permissions(path, fs::perms::all | fs::perms::sticky_bit);
  };
  // What the top directory holds first; where the file goes ("": nowhere).
  const std::pair<std::function<void(const std::string&)>, std::string> rows[] =
      {
          {[](const std::string&) {}, ".Trash-" + uid},
          {[&](const std::string& top) { sticky(top + "/.Trash"); },
           ".Trash/" + uid},
          {[](const std::string& top) {
             fs::create_directory(top + "/.Trash");
           },
           ".Trash-" + uid},
          {[&](const std::string& top) {
             sticky(top + "/elsewhere");
             fs::create_directory_symlink("elsewhere", top + "/.Trash");
           },
           ".Trash-" + uid},
          {[&](const std::string& top) {
             std::ofstream(top + "/.Trash-" + uid).put(0);
           },
           ""},
      };
  int row = 0;
  for (const auto& [setup, trash] : rows) {
    // A mount of its own for each row: the layer keeps the directories it
    // reached open.
    const std::string vol = "vol" + std::to_string(row++);
    const std::string top = dir_.native(vol);
    ASSERT_TRUE(dir_.make_dir(vol));
    ASSERT_EQ(mount("kavo-test", top.c_str(), "tmpfs", 0, nullptr), 0);
    setup(top);
    ASSERT_TRUE(dir_.make_dir(vol + "/sub") && dir_.write(vol + "/sub/f", "F"));
    std::string ticket;
    EXPECT_EQ(trash_reserve(at(vol + "/sub/f"), &ticket), !trash.empty());
    if (!trash.empty()) {
      EXPECT_EQ(ticket, top + "/" + trash + "/files/f");
      EXPECT_EQ(fs::status(top + "/" + trash).permissions(),
                fs::perms::owner_all);
      std::string record;
      ASSERT_TRUE(read_file_bytes(at(vol + "/" + trash + "/info/f.trashinfo"),
                                  &record));
      EXPECT_EQ(record.substr(0, 27), "[Trash Info]\nPath=sub/f\nDel");
      EXPECT_TRUE(trash_move(at(vol + "/sub/f"), ticket));
      EXPECT_EQ(
          content(vol + "/sub/f") + content(vol + "/" + trash + "/files/f"),
          "-F");
      EXPECT_EQ(trash_restore(ticket, at(vol + "/sub/f")), MoveResult::kMoved);
      EXPECT_EQ(content(vol + "/sub/f"), "F");
    }
    EXPECT_EQ(umount2(top.c_str(), MNT_DETACH), 0);
  }
}

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

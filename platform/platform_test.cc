// The contract of the platform operations that the transcripts cannot
// reach, which the Linux layer (posix_*.cc) and win32.cc both pass (the
// Windows build runs it under Wine, in code page 932). Rules of the Linux
// layer alone are marked so.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
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

// The trash of a test's own: on Linux its home trash lies in the scratch
// folder; the Windows build's test runs give Wine's Recycle Bin a folder of
// the build (cmake/mingw-w64.cmake).
class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest() {
    kavo_testing::set_environment("XDG_DATA_HOME", dir_.native("data").c_str());
  }
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

// An entry is found after another entry of its directory's parent,
// whatever byte of the rest of its path the separator is.
TEST_F(PlatformTest, EntriesAfterAnotherOfTheirParent) {
  ASSERT_TRUE(dir_.write("top"));
  for (size_t length = 1; length < 16; ++length) {
    const std::string dir(length, 'd');
    ASSERT_TRUE(dir_.make_dir(dir) && dir_.write(dir + "/x"));
    ASSERT_NE(get_attributes(at("top")), kAttrMissing);
    EXPECT_NE(get_attributes(at(dir + "/x")), kAttrMissing) << length;
  }
}

// A directory that left behind the program's back takes nothing of it to
// the entry that gets its name next.
TEST_F(PlatformTest, NameOfADirectoryThatLeft) {
  ASSERT_TRUE(dir_.make_dir("t") && dir_.write("t/x") && dir_.write("file"));
  ASSERT_NE(get_attributes(at("t/x")), kAttrMissing);
  fs::rename(dir_.native("t"), dir_.native("u"));
  ASSERT_EQ(move_entry(at("file"), at("t")), MoveResult::kMoved);
  EXPECT_EQ(get_attributes(at("t/x")), kAttrMissing);
}

// A path through ".." reaches its entries after a move made through it.
TEST_F(PlatformTest, MoveThroughParentStep) {
  ASSERT_TRUE(dir_.make_dir("a") && dir_.make_dir("b") && dir_.write("b/x") &&
              dir_.write("b/z"));
  ASSERT_EQ(move_entry(at("a/../b/x"), at("a/../b/y")), MoveResult::kMoved);
  EXPECT_NE(get_attributes(at("a/../b/z")), kAttrMissing);
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

// A trashed file comes back only to a free name, once; neither a directory
// nor a missing file is trashed.
TEST_F(PlatformTest, TrashReserveMoveRestore) {
  ASSERT_TRUE(dir_.write("a b", "old") && dir_.make_dir("d"));
  std::string ticket;
  EXPECT_FALSE(trash_reserve(at("c"), &ticket) ||
               trash_reserve(at("d"), &ticket));
  ASSERT_TRUE(trash_reserve(at("a b"), &ticket));
  ASSERT_TRUE(trash_move(at("a b"), ticket) && dir_.write("a b", "new"));
  EXPECT_EQ(trash_restore(ticket, at("a b")), MoveResult::kTargetExists);
  ASSERT_TRUE(content("a b") == "new" && delete_entry(at("a b")));
  EXPECT_EQ(trash_restore(ticket, at("a b")), MoveResult::kMoved);
  EXPECT_EQ(content("a b"), "old");
  EXPECT_EQ(trash_restore(ticket, at("c")), MoveResult::kFailed);
}

#ifndef _WIN32
// Linux: a file goes to the home trash where that lies on its mount, else
// to the top of its mount: .Trash/$uid below a sticky .Trash that is no
// link, else .Trash-$uid, made for the user alone; nowhere when neither can
// be. The record holds the path (relative to the top there) and the local
// time; a name taken in the trash gets a number; a released reservation
// leaves no record; a ticket is one line.
TEST_F(PlatformTest, LinuxWhereTrashedFilesGo) {
  if (unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    GTEST_SKIP() << "no mount namespace of the test's own";
  }
  kavo_testing::set_environment("TZ", "JST-9");  // local time is not UTC
  auto stamp = [](time_t t) {
    char text[32];
    struct tm local;
    strftime(text, sizeof text, "%FT%T\n", localtime_r(&t, &local));
    return std::string(text);
  };
  // What takes the place of .Trash (the sticky directory s, the plain p, a
  // link to s) or of .Trash-$uid; the trash the file goes to. A mount of its
  // own for each row: the layer keeps the directories it reached open.
  const std::string uid = std::to_string(getuid()), name = "x%y\nz";
  const std::pair<std::string, std::string> rows[] = {
      {"home", "data/Trash"}, {"", ".Trash-" + uid},     {"s", ".Trash/" + uid},
      {"p", ".Trash-" + uid}, {"link", ".Trash-" + uid}, {"file", ""}};
  int row = 0;
  for (const auto& [what, trash] : rows) {
    const std::string vol = "vol" + std::to_string(row++),
                      top = dir_.native(vol), file = vol + "/sub/" + name,
                      in = vol + "/" + trash;
    const std::string data = (what == "home" ? top : dir_.native()) + "/data";
    kavo_testing::set_environment("XDG_DATA_HOME", data.c_str());
    ASSERT_TRUE(dir_.make_dir(vol));
    ASSERT_EQ(mount("kavo-test", top.c_str(), "tmpfs", 0, nullptr), 0);
    ASSERT_TRUE(dir_.make_dir(vol + "/s") && dir_.make_dir(vol + "/p") &&
                dir_.make_dir(vol + "/sub") && dir_.write(file, "F"));
    fs::permissions(top + "/s", fs::perms::all | fs::perms::sticky_bit);
    if (what.size() == 1) fs::rename(top + "/" + what, top + "/.Trash");
    if (what == "link") fs::create_directory_symlink("s", top + "/.Trash");
    if (what == "file") dir_.write(vol + "/.Trash-" + uid);
    std::string ticket, second, record;
    time_t before = time(nullptr);
    EXPECT_EQ(trash_reserve(at(file), &ticket), !trash.empty()) << what;
    time_t after = time(nullptr);
    if (!trash.empty()) {
      ASSERT_TRUE(trash_reserve(at(file), &second));
      EXPECT_EQ(std::pair(second, ticket.find('\n')),
                std::pair(ticket + ".2", std::string::npos));
      trash_release(second);
      EXPECT_FALSE(trash_move(at(file), second));
      EXPECT_EQ(fs::status(dir_.native(in)).permissions(),
                fs::perms::owner_all);
      ASSERT_TRUE(
          read_file_bytes(at(in + "/info/" + name + ".trashinfo"), &record));
      std::string head =
          "[Trash Info]\nPath=" + (what == "home" ? top + "/" : "") +
          "sub/x%25y%0Az\nDeletionDate=";
      EXPECT_TRUE(record == head + stamp(before) ||
                  record == head + stamp(after))
          << record;
      EXPECT_TRUE(trash_move(at(file), ticket) &&
                  content(in + "/files/" + name) == "F");
      EXPECT_EQ(trash_restore(ticket, at(file)), MoveResult::kMoved);
      EXPECT_TRUE(content(file) == "F" &&
                  fs::is_empty(dir_.native(in + "/info")));
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

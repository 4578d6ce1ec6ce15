// The log held by another process, and writes that fail (/dev/full).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "output/log_file.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

TEST(LogFilePosixTest, FileLockedByAnotherProcessIsInUse) {
  kavo_testing::ScratchDir dir;
  dir.write("run.log", "kept\r\n");
  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  pid_t child = fork();
  if (child == 0) {
    flock(open(dir.native("run.log").c_str(), O_RDONLY), LOCK_EX);
    // Held until the test ends it (at most a minute).
    if (write(ready[1], "x", 1) == 1) sleep(60);
    _exit(1);
  }
  char c;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  for (int mode : {1, 2}) {
    bool in_use = false;
    EXPECT_EQ(nullptr, log_open(&in_use, dir.internal("run.log"), mode,
                                {"\\k", "a", "b"}, "kavo", "1.37"));
    EXPECT_TRUE(in_use) << "mode " << mode;
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ("kept\r\n", dir.read("run.log"));
}

TEST(LogFilePosixTest, CloseReportsAnyFailedWrite) {
  for (bool flush : {true, false}) {
    bool in_use = true;
    TextFile* log = log_open(&in_use, kavo_testing::internal_form("/dev/full"),
                             1, {"\\k", "a", "b"}, "kavo", "1.37");
    ASSERT_NE(nullptr, log);
    EXPECT_NE(0, log_close(log, 0, 0, "kavo", flush)) << "flush " << flush;
  }
}

}  // namespace
}  // namespace kavo

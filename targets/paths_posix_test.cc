// A directory argument of the largest length the path buffer takes: only
// Linux finds a directory through so long a path (Windows' ANSI calls stop
// at 260 bytes).

#include <gtest/gtest.h>

#include <string>

#include "driver/options.h"
#include "driver/run_context.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/test_support.h"
#include "targets/paths.h"

namespace kavo {
namespace {

TEST(PathsOnDiskPosixTest, DirectoryNeedsRoomForItsSeparator) {
  kavo_testing::ScratchDir tree;
  ASSERT_TRUE(tree.make_dir("d"));
  std::string directory = tree.internal("d");
  while (kPathBufferSize - 1 - directory.size() > 3) directory += "\\.";
  directory += kPathBufferSize - 1 - directory.size() == 2 ? "\\." : "\\\\.";
  ASSERT_EQ(directory.size(), kPathBufferSize - 1);
  RunOptions options;
  FilterSet filters;
  RunContext run;
  run.options = &options;
  run.filters = &filters;
  kavo_testing::CapturedOutput captured(tree);
  int code = 0;
  try {
    resolve_target_argument(directory, &run);
  } catch (const ProcessExit& exit) {
    code = exit.code;
  }
  EXPECT_EQ(code, 1);
  EXPECT_EQ(captured.err(),
            "\n\a処理停止:パス名が長すぎます:" + directory + "\n");
}

}  // namespace
}  // namespace kavo

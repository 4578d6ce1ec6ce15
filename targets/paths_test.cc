#include "targets/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// 0x95 0x5C is one kanji whose trail byte has the value of '\'.
const std::string kKanji = "\x95\x5c";

TEST(PathsTest, PartsOfAPath) {
  const struct {
    std::string path;
    std::string directory;  // directory_part
    std::string name;       // strip_directory
    const char* last_dir;   // last_dir_component; null when there is none
  } cases[] = {
      {"c:\\a\\b\\f.txt", "c:\\a\\b\\", "f.txt", "b"},
      {"\\f.txt", "\\", "f.txt", ""},
      {"f.txt", "", "f.txt", nullptr},
      {"c:b.txt", "c:", "c:b.txt", nullptr},
      {"a\\", "a\\", "", "a"},
      {"d" + kKanji + "\\f", "d" + kKanji + "\\", "f", "d\x95\x5c"},
      {"d" + kKanji + "f", "", "d" + kKanji + "f", nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(directory_part(c.path), c.directory) << c.path;
    EXPECT_EQ(strip_directory(c.path), c.name) << c.path;
    std::string last = "old";
    EXPECT_EQ(last_dir_component(c.path, &last), c.last_dir != nullptr)
        << c.path;
    EXPECT_EQ(last, c.last_dir != nullptr ? c.last_dir : "") << c.path;
  }
  const std::pair<std::string, size_t> starts[] = {
      {"c:b.txt", 2},
      {"a/b\\c", 4},
      {"a\\b/c", 4},
      {"\\\\server", 8},
      {"\\\\server\\share", 14},
      {"a\\" + kKanji, 2},
      {kKanji, 0},
  };
  for (const auto& [path, start] : starts) {
    EXPECT_EQ(name_start(path), start) << path;
  }
  EXPECT_EQ(join_path("c:", "n"), "c:n");
  EXPECT_EQ(join_path(kKanji, "n"), kKanji + "\\n");
  EXPECT_TRUE(is_path_under("c:\\x\\y", "c:\\x"));
  EXPECT_FALSE(is_path_under("c:\\xy", "c:\\x"));
  EXPECT_FALSE(is_path_under(kKanji + "a", kKanji));
  EXPECT_TRUE(looks_like_short_name("ABCDEF~1.TXT"));
  EXPECT_FALSE(looks_like_short_name("ABCDEFG~1.TXT") ||
               looks_like_short_name("ABCDEF~1.TXTX"));
}

// A directory argument with its final separator is still a directory.
TEST(PathsTest, ProbesTargets) {
  kavo_testing::ScratchDir tree;
  ASSERT_TRUE(tree.make_dir("d") && tree.write("f.txt"));
  EXPECT_EQ(probe_target(tree.internal("d") + "\\"), kTargetDirectory);
  EXPECT_EQ(probe_target(tree.internal("f.txt")), kTargetFile);
  EXPECT_EQ(probe_target(tree.internal("missing")), kTargetMissing);
}

}  // namespace
}  // namespace kavo

#include "targets/paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/options.h"
#include "driver/run_context.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// 0x95 0x5C is one kanji whose trail byte has the value of '\'.
const std::string kKanji = "\x95\x5c";

TEST(PathsTest, NameStart) {
  const std::pair<std::string, size_t> cases[] = {
      {"c:\\a\\b.txt", 5},
      {"b.txt", 0},
      {"c:b.txt", 2},
      {"a/b\\c", 4},
      {"a\\b/c", 4},
      {"\\\\server", 8},
      {"\\\\server\\share", 14},
      {"\\\\server\\share\\x", 15},
      {"a\\" + kKanji, 2},
      {kKanji, 0},
      {"", 0},
  };
  for (const auto& [path, start] : cases) {
    EXPECT_EQ(name_start(path), start) << path;
  }
}

TEST(PathsTest, DirectoryAndNameOfAPath) {
  struct Case {
    std::string path;
    std::string directory;  // directory_part
    std::string name;       // strip_directory
    const char* last_dir;   // last_dir_component; null when there is none
  };
  const Case cases[] = {
      {"c:\\a\\b\\f.txt", "c:\\a\\b\\", "f.txt", "b"},
      {"c:b\\f.txt", "c:b\\", "f.txt", "b"},
      {"\\f.txt", "\\", "f.txt", ""},
      {"f.txt", "", "f.txt", nullptr},
      {"c:b.txt", "c:", "c:b.txt", nullptr},
      {"a\\", "a\\", "", "a"},
      {"d" + kKanji + "\\f", "d" + kKanji + "\\", "f", "d\x95\x5c"},
      {"d" + kKanji + "f", "", "d" + kKanji + "f", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(directory_part(c.path), c.directory) << c.path;
    EXPECT_EQ(strip_directory(c.path), c.name) << c.path;
    std::string last = "old";
    EXPECT_EQ(last_dir_component(c.path, &last), c.last_dir != nullptr)
        << c.path;
    EXPECT_EQ(last, c.last_dir != nullptr ? c.last_dir : "") << c.path;
  }
  EXPECT_EQ(join_path("", "n"), "n");
  EXPECT_EQ(join_path("c:", "n"), "c:n");
  EXPECT_EQ(join_path("c:\\", "n"), "c:\\n");
  EXPECT_EQ(join_path("d", "n"), "d\\n");
  EXPECT_EQ(join_path(kKanji, "n"), kKanji + "\\n");
}

TEST(PathsTest, LooksLikeShortName) {
  for (const char* name : {"PROGRA~1", "ABCDEF~1.TXT", "A~1.H"}) {
    EXPECT_TRUE(looks_like_short_name(name)) << name;
  }
  for (const char* name :
       {"ABCDEFG~1", "A~1.HTML", "ABCDEFG~1.TXT", "PROGRAM1"}) {
    EXPECT_FALSE(looks_like_short_name(name)) << name;
  }
}

TEST(PathsTest, IsPathUnder) {
  struct Case {
    std::string stored;
    std::vector<std::string> under;
    std::vector<std::string> not_under;
  };
  const Case cases[] = {
      {"", {""}, {"a"}},
      {"a", {}, {""}},
      {"c:\\x", {"c:\\x", "c:\\x\\y"}, {"c:\\xy", "c:\\", "C:\\x"}},
      {kKanji, {kKanji + "\\a"}, {kKanji + "a", "\x95\x5d"}},
  };
  for (const Case& c : cases) {
    for (const std::string& path : c.under) {
      EXPECT_TRUE(is_path_under(path, c.stored)) << path << " / " << c.stored;
    }
    for (const std::string& path : c.not_under) {
      EXPECT_FALSE(is_path_under(path, c.stored)) << path << " / " << c.stored;
    }
  }
}

// Feeds the arguments in order; the answers and the common directory.
std::vector<bool> common_answers(const std::vector<std::string>& arguments,
                                 std::string* common = nullptr) {
  std::string stored;
  std::vector<bool> answers;
  for (const std::string& argument : arguments) {
    answers.push_back(check_common_directory(argument, &stored));
  }
  if (common != nullptr) *common = stored;
  return answers;
}

TEST(PathsTest, CommonDirectoryOfPlainArguments) {
  using V = std::vector<bool>;
  std::string common;
  EXPECT_EQ(common_answers({"c:\\x\\a.txt", "c:\\x\\b.txt"}, &common),
            V({true, true}));
  EXPECT_EQ(common, "c:\\x\\");
  EXPECT_EQ(common_answers({"a.txt", "b.txt"}, &common), V({true, true}));
  EXPECT_EQ(common, ".");
  // Two arguments in the same directory share it.
  EXPECT_EQ(common_answers({"x\\a.txt", "x\\b.txt", "x\\*.doc"}),
            V({true, true, true}));
  EXPECT_EQ(common_answers({"x\\a.txt", "y\\b.txt"}), V({true, false}));
  EXPECT_EQ(common_answers({"x\\a.txt", "x\\sub\\b.txt"}), V({true, false}));
  EXPECT_EQ(common_answers({"x\\a.txt", "xy\\b.txt"}), V({true, false}));
  EXPECT_EQ(common_answers({"c:a.txt", "C:b.txt"}), V({true, true}));
  EXPECT_EQ(common_answers({"c:a.txt", "d:b.txt"}), V({true, false}));
  EXPECT_EQ(common_answers({"\\\\srv\\share", "\\\\srv\\share\\a.txt"}),
            V({true, true}));
}

// The path with a drive letter in front, unless it has one already.
std::string with_drive(const std::string& path) {
  return path.size() > 1 && path[1] == ':' ? path : "c:" + path;
}

// A scratch directory (holding the directory d and the file f.txt) and a
// run to resolve file arguments with.
class PathsOnDiskTest : public ::testing::Test {
 protected:
  PathsOnDiskTest() {
    run_.options = &options_;
    run_.filters = &filters_;
    EXPECT_TRUE(tree_.make_dir("d"));
    EXPECT_TRUE(tree_.write("f.txt"));
  }
  void resolve(const std::string& argument) {
    run_.name_pattern = "stale";
    resolve_target_argument(argument, &run_);
  }
  // The stop line with which resolving `argument` ends the run; empty when
  // it does not.
  std::string stop_line_of(const std::string& argument) {
    kavo_testing::CapturedOutput captured(tree_);
    bool ended = false;
    try {
      resolve(argument);
    } catch (const ProcessExit& exit) {
      ended = exit.code == 1;
    }
    std::string err = captured.err();
    return ended ? err : "";
  }
  static std::string stop(const std::string& message) {
    return "\n\a処理停止:" + message + "\n";
  }

  kavo_testing::ScratchDir tree_;
  RunOptions options_;
  FilterSet filters_;
  RunContext run_;
};

TEST_F(PathsOnDiskTest, QueryProbeAndStoredName) {
  EXPECT_EQ(query_attributes(tree_.internal("missing")), kAttrMissing);
  EXPECT_NE(query_attributes(tree_.internal("d")) & kAttrDirectory, 0u);
  uint32_t file = query_attributes(tree_.internal("f.txt"));
  EXPECT_NE(file, kAttrMissing);
  EXPECT_EQ(file & kAttrDirectory, 0u);

  EXPECT_EQ(probe_target(tree_.internal("missing")), kTargetMissing);
  EXPECT_EQ(probe_target(tree_.internal("d")), kTargetDirectory);
  EXPECT_EQ(probe_target(tree_.internal("d") + "\\"), kTargetDirectory);
  EXPECT_EQ(probe_target(tree_.internal("f.txt")), kTargetFile);
  EXPECT_EQ(probe_target(with_drive(tree_.internal("f.txt"))), kTargetFile);

  std::string disk;
  EXPECT_FALSE(on_disk_path("", &disk));
  EXPECT_FALSE(on_disk_path(tree_.internal("missing"), &disk));
  ASSERT_TRUE(on_disk_path(tree_.internal("f.txt"), &disk));
  EXPECT_EQ(disk, tree_.internal("f.txt"));
}

TEST_F(PathsOnDiskTest, CommonDirectoryOfDirectoryArguments) {
  ASSERT_TRUE(tree_.make_dir("d/sub"));
  std::string common;
  EXPECT_EQ(common_answers({tree_.internal("d"), tree_.internal("d\\a.txt"),
                            tree_.internal("d\\sub"), tree_.internal()},
                           &common),
            std::vector<bool>({true, true, true, false}));
  EXPECT_EQ(common, tree_.internal("d"));
}

TEST_F(PathsOnDiskTest, ResolvesArguments) {
  // Named through the program's own move: the scratch directory's calls
  // take no Shift-JIS names on Windows.
  const std::string kanji = tree_.internal() + "\\d" + kKanji;
  ASSERT_TRUE(tree_.make_dir("k"));
  ASSERT_EQ(move_entry(tree_.internal("k"), kanji), MoveResult::kMoved);
  const std::string d = tree_.internal("d");
  const std::string f = tree_.internal("f.txt");
  const std::optional<std::string> marker = kDirectoryMarker;
  const std::optional<std::string> everything;
  struct Case {
    std::string argument;
    std::string path;
    std::optional<std::string> pattern;
    bool recurse = false;
    bool short_name = false;
  };
  const Case cases[] = {
      {"*.txt", "", "*.txt"},
      {"*", "", everything},
      {"*.*", "", everything},
      {"c:*.txt", "c:", "*.txt"},
      {"sub\\a?.txt", "sub\\", "a?.txt"},
      {d, d + "\\", marker},
      {d + "\\", d + "\\", marker},
      {d, d + "\\", everything, true},
      {with_drive(d), with_drive(d) + "\\", marker},
      {"c:\\", "c:\\", marker},
      // The drive letter alone names the working directory.
      {"c:", "c:", marker},
      {"\\\\server\\share", "\\\\server\\share\\", marker},
      // The trail byte 0x5C of the directory's last character is no '\'.
      {kanji, kanji + "\\", marker},
      // A file named without wildcards; with /d it is matched in every
      // subdirectory.
      {f, tree_.internal() + "\\", "f.txt"},
      {f, tree_.internal() + "\\", "f.txt", true},
      {"x\\ABCDEF~1.TXT", "x\\", "ABCDEF~1.TXT", false, true},
      {"PROGRA~1", "", "PROGRA~1", false, true},
  };
  for (const Case& c : cases) {
    options_.recurse_subdirs = c.recurse;
    resolve(c.argument);
    EXPECT_EQ(run_.path, c.path) << c.argument;
    EXPECT_EQ(run_.dir_length, c.path.size()) << c.argument;
    EXPECT_EQ(run_.name_pattern, c.pattern) << c.argument;
    EXPECT_EQ(run_.pattern_is_short_name, c.short_name) << c.argument;
  }
}

TEST_F(PathsOnDiskTest, ArgumentsThatEndTheRun) {
  EXPECT_EQ(stop_line_of("\\\\server"),
            stop("複写元\"\\\\server\"に共有名がありません。"));
  std::string fits(kPathBufferSize - 1, 'a');
  resolve(fits);
  EXPECT_EQ(run_.name_pattern, fits);
  std::string too_long(kPathBufferSize, 'a');
  EXPECT_EQ(stop_line_of(too_long), stop("パス名が長すぎます:" + too_long));
  // /d /fa: a name without wildcards must be a directory.
  options_.recurse_subdirs = true;
  options_.select_dirs = true;
  const std::string f = tree_.internal("f.txt");
  EXPECT_EQ(stop_line_of(f),
            stop("複写元ディレクトリ\"" + f + "\"がありません。"));
  resolve(tree_.internal("*.txt"));
  EXPECT_EQ(run_.name_pattern, "*.txt");
}

}  // namespace
}  // namespace kavo

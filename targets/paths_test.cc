#include "targets/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "driver/options.h"
#include "driver/run_context.h"
#include "filters/filters.h"
#include "output/channels.h"
#include "platform/platform.h"

namespace kavo {
namespace {

// A temporary directory, named both as Linux sees it and in the program's
// internal form ('\' separators).
class TempTree {
 public:
  TempTree() {
    char name[] = "/tmp/kavo-paths-XXXXXX";
    external_ = mkdtemp(name);
    internal_ = external_;
    for (char& c : internal_) {
      if (c == '/') c = '\\';
    }
  }
  ~TempTree() {
    std::string command = "rm -rf '" + external_ + "'";
    EXPECT_EQ(0, std::system(command.c_str()));
  }
  void dir(const std::string& name) {
    ASSERT_EQ(0, mkdir((external_ + "/" + name).c_str(), 0755));
  }
  void file(const std::string& name) {
    FILE* f = fopen((external_ + "/" + name).c_str(), "w");
    ASSERT_NE(nullptr, f);
    fclose(f);
  }
  // The internal path of `relative` ('\' separated) inside the tree.
  std::string at(const std::string& relative) const {
    return internal_ + "\\" + relative;
  }
  const std::string& internal() const { return internal_; }

 private:
  std::string external_;
  std::string internal_;
};

TEST(PathsTest, NameStart) {
  struct Case {
    const char* path;
    size_t start;
  } cases[] = {
      {"c:\\a\\b.txt", 5},
      {"b.txt", 0},
      {"c:b.txt", 2},
      {"a/b\\c", 4},
      {"a\\b/c", 4},
      {"\\\\server", 8},
      {"\\\\server\\share", 14},
      {"\\\\server\\share\\x", 15},
      {"a\\\x95\x5c", 2},  // the trail byte 0x5C is no separator
      {"\x95\x5c", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.start, name_start(c.path)) << c.path;
  }
}

TEST(PathsTest, LastDirComponent) {
  struct Case {
    const char* path;
    bool found;
    const char* name;
  } cases[] = {
      {"c:\\a\\b\\f.txt", true, "b"},
      {"c:b\\f.txt", true, "b"},
      {"b\\f.txt", true, "b"},
      {"\\f.txt", true, ""},
      {"f.txt", false, ""},
      {"d\x95\x5c\\f", true, "d\x95\x5c"},
      {"d\x95\x5c"
       "f",
       false, ""},
  };
  for (const Case& c : cases) {
    std::string name = "old";
    EXPECT_EQ(c.found, last_dir_component(c.path, &name)) << c.path;
    EXPECT_EQ(c.name, name) << c.path;
  }
}

TEST(PathsTest, LooksLikeShortName) {
  EXPECT_TRUE(looks_like_short_name("PROGRA~1"));
  EXPECT_TRUE(looks_like_short_name("ABCDEF~1.TXT"));
  EXPECT_TRUE(looks_like_short_name("A~1.H"));
  EXPECT_FALSE(looks_like_short_name("ABCDEFG~1"));
  EXPECT_FALSE(looks_like_short_name("A~1.HTML"));
  EXPECT_FALSE(looks_like_short_name("ABCDEFG~1.TXT"));
  EXPECT_FALSE(looks_like_short_name("PROGRAM1"));
}

TEST(PathsTest, IsPathUnder) {
  struct Case {
    const char* path;
    const char* stored;
    bool under;
  } cases[] = {
      {"", "", true},
      {"a", "", false},
      {"", "a", false},
      {"c:\\x", "c:\\x", true},
      {"c:\\x\\y", "c:\\x", true},
      {"c:\\xy", "c:\\x", false},
      {"c:\\", "c:\\x", false},
      {"C:\\x", "c:\\x", false},
      {"\x95\x5c\\a", "\x95\x5c", true},
      {"\x95\x5c"
       "a",
       "\x95\x5c", false},
      {"\x95\x5d", "\x95\x5c", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.under, is_path_under(c.path, c.stored))
        << c.path << " / " << c.stored;
  }
}

TEST(PathsTest, StripDirectoryAndDirectoryPart) {
  EXPECT_EQ("b.txt", strip_directory("c:\\a\\b.txt"));
  EXPECT_EQ("b.txt", strip_directory("b.txt"));
  EXPECT_EQ("a\x95\x5c", strip_directory("a\x95\x5c"));
  EXPECT_EQ("", strip_directory("a\\"));

  EXPECT_EQ("c:\\a\\", directory_part("c:\\a\\b.txt"));
  EXPECT_EQ("c:", directory_part("c:b.txt"));
  EXPECT_EQ("", directory_part("b.txt"));
  EXPECT_EQ("", directory_part("x\x95\x5cy"));
}

TEST(PathsTest, JoinPath) {
  EXPECT_EQ("n", join_path("", "n"));
  EXPECT_EQ("c:n", join_path("c:", "n"));
  EXPECT_EQ("c:\\n", join_path("c:\\", "n"));
  EXPECT_EQ("d\\n", join_path("d", "n"));
  EXPECT_EQ("\x95\x5c\\n", join_path("\x95\x5c", "n"));
}

// Feeds the arguments in order and collects the answers.
std::vector<bool> common_answers(const std::vector<std::string>& arguments) {
  std::string common;
  std::vector<bool> answers;
  for (const std::string& argument : arguments) {
    answers.push_back(check_common_directory(argument, &common));
  }
  return answers;
}

TEST(PathsTest, CommonDirectoryOfPlainArguments) {
  using V = std::vector<bool>;
  EXPECT_EQ(V({true, true}), common_answers({"a.txt", "b.txt"}));
  // Two arguments in the same directory share it.
  EXPECT_EQ(V({true, true, true}),
            common_answers({"x\\a.txt", "x\\b.txt", "x\\*.doc"}));
  EXPECT_EQ(V({true, false}), common_answers({"x\\a.txt", "y\\b.txt"}));
  EXPECT_EQ(V({true, false}), common_answers({"x\\a.txt", "x\\sub\\b.txt"}));
  EXPECT_EQ(V({true, false}), common_answers({"x\\a.txt", "xy\\b.txt"}));
  EXPECT_EQ(V({true, true}), common_answers({"c:a.txt", "C:b.txt"}));
  EXPECT_EQ(V({true, false}), common_answers({"c:a.txt", "d:b.txt"}));
  EXPECT_EQ(V({true, true}),
            common_answers({"\\\\srv\\share", "\\\\srv\\share\\a.txt"}));
}

TEST(PathsTest, CommonDirectoryStoresTheDirectoryPart) {
  std::string common;
  EXPECT_TRUE(check_common_directory("c:\\x\\a.txt", &common));
  EXPECT_EQ("c:\\x\\", common);
  EXPECT_TRUE(check_common_directory("c:\\x\\b.txt", &common));
  EXPECT_EQ("c:\\x\\", common);
  common.clear();
  EXPECT_TRUE(check_common_directory("a.txt", &common));
  EXPECT_EQ(".", common);
}

TEST(PathsTest, CommonDirectoryOfDirectoryArguments) {
  TempTree tree;
  tree.dir("d");
  tree.dir("d/sub");
  std::string common;
  EXPECT_TRUE(check_common_directory(tree.at("d"), &common));
  EXPECT_EQ(tree.at("d"), common);
  EXPECT_TRUE(check_common_directory(tree.at("d\\a.txt"), &common));
  EXPECT_TRUE(check_common_directory(tree.at("d\\sub"), &common));
  EXPECT_FALSE(check_common_directory(tree.internal(), &common));
}

TEST(PathsTest, QueryAttributesAndProbe) {
  TempTree tree;
  tree.dir("d");
  tree.file("f.txt");
  EXPECT_EQ(kAttrMissing, query_attributes(tree.at("missing")));
  EXPECT_NE(0u, query_attributes(tree.at("d")) & kAttrDirectory);
  uint32_t file = query_attributes(tree.at("f.txt"));
  EXPECT_NE(kAttrMissing, file);
  EXPECT_EQ(0u, file & kAttrDirectory);

  EXPECT_EQ(kTargetMissing, probe_target(tree.at("missing")));
  EXPECT_EQ(kTargetDirectory, probe_target(tree.at("d")));
  EXPECT_EQ(kTargetDirectory, probe_target(tree.at("d\\")));
  EXPECT_EQ(kTargetFile, probe_target(tree.at("f.txt")));
  EXPECT_EQ(kTargetFile, probe_target("c:" + tree.at("f.txt")));
}

TEST(PathsTest, OnDiskPath) {
  TempTree tree;
  tree.file("Name.txt");
  std::string disk;
  EXPECT_FALSE(on_disk_path("", &disk));
  EXPECT_FALSE(on_disk_path(tree.at("missing"), &disk));
  ASSERT_TRUE(on_disk_path(tree.at("Name.txt"), &disk));
  EXPECT_EQ(tree.at("Name.txt"), disk);
}

class ResolveTest : public ::testing::Test {
 protected:
  ResolveTest() {
    run_.options = &options_;
    run_.filters = &filters_;
  }
  void resolve(const std::string& argument) {
    run_.name_pattern = "stale";
    resolve_target_argument(argument, &run_);
  }
  // The stop line with which resolving `argument` ends the run; empty when
  // it does not.
  std::string stop_line_of(const std::string& argument) {
    testing::internal::CaptureStderr();
    bool ended = false;
    try {
      resolve(argument);
    } catch (const ProcessExit& exit) {
      ended = exit.code == 1;
    }
    std::string err = testing::internal::GetCapturedStderr();
    return ended ? err : "";
  }
  static std::string stop(const std::string& message) {
    return "\n\a処理停止:" + message + "\n";
  }

  RunOptions options_;
  FilterSet filters_;
  RunContext run_;
  TempTree tree_;
};

TEST_F(ResolveTest, PatternsInTheWorkingDirectory) {
  resolve("*.txt");
  EXPECT_EQ("", run_.path);
  EXPECT_EQ(0u, run_.dir_length);
  EXPECT_EQ("*.txt", run_.name_pattern.value_or("none"));
  resolve("*");
  EXPECT_FALSE(run_.name_pattern.has_value());
  resolve("*.*");
  EXPECT_FALSE(run_.name_pattern.has_value());
  resolve("c:*.txt");
  EXPECT_EQ("c:", run_.path);
  EXPECT_EQ(2u, run_.dir_length);
  EXPECT_EQ("*.txt", run_.name_pattern.value_or("none"));
  resolve("sub\\a?.txt");
  EXPECT_EQ("sub\\", run_.path);
  EXPECT_EQ(4u, run_.dir_length);
  EXPECT_EQ("a?.txt", run_.name_pattern.value_or("none"));
}

TEST_F(ResolveTest, DirectoryArguments) {
  tree_.dir("d");
  resolve(tree_.at("d"));
  EXPECT_EQ(tree_.at("d\\"), run_.path);
  EXPECT_EQ(run_.path.size(), run_.dir_length);
  EXPECT_EQ(kDirectoryMarker, run_.name_pattern.value_or("none"));
  resolve(tree_.at("d\\"));
  EXPECT_EQ(tree_.at("d\\"), run_.path);

  options_.recurse_subdirs = true;
  resolve(tree_.at("d"));
  EXPECT_EQ(tree_.at("d\\"), run_.path);
  EXPECT_FALSE(run_.name_pattern.has_value());
}

TEST_F(ResolveTest, DriveLetterForms) {
  tree_.dir("d");
  resolve("c:" + tree_.at("d"));
  EXPECT_EQ("c:" + tree_.at("d\\"), run_.path);
  EXPECT_EQ(run_.path.size(), run_.dir_length);
  resolve("c:\\");
  EXPECT_EQ("c:\\", run_.path);
  EXPECT_EQ(3u, run_.dir_length);
  // The drive letter alone names the working directory.
  resolve("c:");
  EXPECT_EQ("c:", run_.path);
  EXPECT_EQ(2u, run_.dir_length);
  EXPECT_EQ(kDirectoryMarker, run_.name_pattern.value_or("none"));
}

TEST_F(ResolveTest, NetworkPaths) {
  resolve("\\\\server\\share");
  EXPECT_EQ("\\\\server\\share\\", run_.path);
  EXPECT_EQ(kDirectoryMarker, run_.name_pattern.value_or("none"));
  EXPECT_EQ(stop("複写元\"\\\\server\"に共有名がありません。"),
            stop_line_of("\\\\server"));
}

TEST_F(ResolveTest, DirectoryEndingInTrailByte5C) {
  // "d表": 表 is 0x95 0x5C, whose second byte must not count as a '\'.
  tree_.dir("d\x95\x5c");
  resolve(tree_.at("d\x95\x5c"));
  EXPECT_EQ(tree_.at("d\x95\x5c\\"), run_.path);
  EXPECT_EQ(kDirectoryMarker, run_.name_pattern.value_or("none"));
}

TEST_F(ResolveTest, ExistingFileNamedWithoutWildcards) {
  tree_.file("f.txt");
  resolve(tree_.at("f.txt"));
  EXPECT_EQ(tree_.internal() + "\\", run_.path);
  EXPECT_EQ("f.txt", run_.name_pattern.value_or("none"));

  options_.recurse_subdirs = true;
  resolve(tree_.at("f.txt"));  // /d /ff: matched in every subdirectory
  EXPECT_EQ("f.txt", run_.name_pattern.value_or("none"));

  options_.select_dirs = true;  // /d /fa: must be a directory
  EXPECT_EQ(
      stop("複写元ディレクトリ\"" + tree_.at("f.txt") + "\"がありません。"),
      stop_line_of(tree_.at("f.txt")));
  resolve(tree_.at("*.txt"));
  EXPECT_EQ("*.txt", run_.name_pattern.value_or("none"));
}

TEST_F(ResolveTest, ShortNamePatterns) {
  resolve("PROGRA~1");
  EXPECT_TRUE(run_.pattern_is_short_name);
  resolve("x\\ABCDEF~1.TXT");
  EXPECT_TRUE(run_.pattern_is_short_name);
  resolve("ABCDEFG~1");
  EXPECT_FALSE(run_.pattern_is_short_name);
  resolve("*");
  EXPECT_FALSE(run_.pattern_is_short_name);
}

TEST_F(ResolveTest, ArgumentLongerThanThePathBuffer) {
  std::string fits(kPathBufferSize - 1, 'a');
  resolve(fits);
  EXPECT_EQ(fits, run_.name_pattern.value_or("none"));
  std::string too_long(kPathBufferSize, 'a');
  EXPECT_EQ(stop("パス名が長すぎます:" + too_long), stop_line_of(too_long));
  // A directory needs one more byte for its separator.
  tree_.dir("d");
  std::string directory = tree_.at("d");
  while (kPathBufferSize - 1 - directory.size() > 3) directory += "\\.";
  directory += kPathBufferSize - 1 - directory.size() == 2 ? "\\." : "\\\\.";
  ASSERT_EQ(kPathBufferSize - 1, directory.size());
  EXPECT_EQ(stop("パス名が長すぎます:" + directory), stop_line_of(directory));
}

}  // namespace
}  // namespace kavo

#include "names/name_part.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/options.h"

namespace kavo {
namespace {

constexpr const char* kUnchanged = nullptr;

struct Case {
  const char* path;
  const char* old_string;
  const char* new_string;
  int name_part;
  bool head;
  bool tail;
  const char* expected;  // kUnchanged: no replacement
};

void check_cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " '" + c.old_string + "' -> '" +
                 c.new_string + "' part " + std::to_string(c.name_part));
    RunOptions options;
    options.name_part = c.name_part;
    options.anchor_head = c.head;
    options.anchor_tail = c.tail;
    std::string new_path = "untouched";
    bool replaced = compute_new_path(c.path, c.old_string, c.new_string,
                                     options, &new_path);
    if (c.expected == kUnchanged) {
      EXPECT_FALSE(replaced) << new_path;
    } else {
      ASSERT_TRUE(replaced);
      EXPECT_EQ(new_path, c.expected);
    }
  }
}

TEST(NamePartTest, SplitAtLastOrFirstPeriod) {
  check_cases({
      {"a.b.c", "b", "X", kBodyRight, false, false, "a.X.c"},
      {"a.b.c", "c", "X", kBodyRight, false, false, kUnchanged},
      {"a.b.c", "b", "X", kBodyLeft, false, false, kUnchanged},
      {"a.b.c", "a", "X", kBodyLeft, false, false, "X.b.c"},
      {"a.b.c", "b", "X", kExtensionLeft, false, false, "a.X.c"},
      {"a.b.c", "b", "X", kExtensionRight, false, false, kUnchanged},
      {"a.b.c", "c", "X", kExtensionRight, false, false, "a.b.X"},
      {"a.b.c", ".", "-", kWholeName, false, false, "a-b.c"},
      {"a.b.c", "a.b.c", "z", kWholeName, false, false, "z"},
  });
}

TEST(NamePartTest, OnlyTheNameTakesPart) {
  const char* path = "C:\\my.dir\\a.txt";
  check_cases({
      {path, "a", "X", kBodyRight, false, false, "C:\\my.dir\\X.txt"},
      {path, "a", "X", kBodyLeft, false, false, "C:\\my.dir\\X.txt"},
      {path, "txt", "doc", kExtensionRight, false, false, "C:\\my.dir\\a.doc"},
      {path, "txt", "doc", kExtensionLeft, false, false, "C:\\my.dir\\a.doc"},
      {path, "my", "X", kWholeName, false, false, kUnchanged},
      {path, "*", "b.c", kWholeName, false, false, "C:\\my.dir\\b.c"},
      {"C:a.txt", "a", "b", kBodyRight, false, false, "C:b.txt"},
      {"C:Ca", "C", "X", kWholeName, false, false, "C:Xa"},
      {"\\\\srv\\share\\f.x", "f", "g", kBodyRight, false, false,
       "\\\\srv\\share\\g.x"},
  });
}

// 表 is 0x95 0x5C: its trail byte must not be taken for a separator.
TEST(NamePartTest, DoubleByteNames) {
  check_cases({
      {"a.表", "表", "x", kExtensionRight, false, false, "a.x"},
      {"d\\a.表", "表", "x", kExtensionRight, false, false, "d\\a.x"},
      {"dir\\表", "表", "x", kWholeName, false, false, "dir\\x"},
      {"d\\表.txt", "?", "x", kBodyRight, false, false, kUnchanged},
      {"d\\表.txt", "??", "x", kBodyRight, false, false, "d\\x.txt"},
      {"d\\表.txt", "*", "x", kBodyRight, false, false, "d\\x.txt"},
      // A path that ends in a lone lead byte has no trustworthy name.
      {"dir\\a\x81", "a", "b", kWholeName, false, false, kUnchanged},
  });
}

TEST(NamePartTest, EmptyBodyAndExtension) {
  check_cases({
      {".profile", "p", "x", kBodyRight, false, false, kUnchanged},
      {".profile", "p", "x", kExtensionRight, false, false, ".xrofile"},
      {".profile", "*", "x", kBodyRight, false, false, "x.profile"},
      {"readme", "ME", "x", kExtensionRight, false, false, kUnchanged},
      {"abc.", "c.", "d", kBodyRight, false, false, "abd"},
  });
}

TEST(NamePartTest, EmptyOldString) {
  check_cases({
      {"readme", "", "x", kExtensionRight, false, false, "readme.x"},
      {"read.me", "", "x", kExtensionRight, false, false, kUnchanged},
      {"readme", "", "x", kExtensionRight, true, true, "readme.x"},
      {"abc.", "", "x", kExtensionRight, false, false, "abc..x"},
      {"a.b.c", "", "x", kExtensionLeft, false, false, kUnchanged},
      {"read.me", "", "x", kExtensionRight, false, true, "read.mex"},
      {"readme", "", "x", kExtensionRight, false, true, "readme.x"},
      {"read.me", "", "x", kExtensionRight, true, false, "read.xme"},
      {"read.me", "", "x", kBodyRight, true, false, "xread.me"},
      {"read.me", "", "x", kBodyRight, false, true, "readx.me"},
      {"a.b.c", "", "x", kBodyLeft, false, true, "ax.b.c"},
      {"a.b", "", "x", kWholeName, false, true, "a.bx"},
      {"a.b", "", "x", kWholeName, false, false, kUnchanged},
      {"a.b", "", "x", kBodyRight, true, true, kUnchanged},
  });
}

TEST(NamePartTest, AnchorsAndFolding) {
  check_cases({
      {"abc.txt.txt", ".txt", ".doc", kWholeName, false, true, "abc.txt.doc"},
      {"abc.txt.txt", ".txt", ".doc", kWholeName, false, false, "abc.doc.txt"},
      {"aXa.x", "a", "b", kBodyRight, true, false, "bXa.x"},
      {"aXa.x", "a", "b", kBodyRight, false, true, "aXb.x"},
      {"aXa.x", "a", "b", kBodyRight, true, true, kUnchanged},
  });
  RunOptions options;
  options.old_case_fold = true;
  std::string new_path;
  ASSERT_TRUE(compute_new_path("d\\ABC.txt", "b", "x", options, &new_path));
  EXPECT_EQ(new_path, "d\\AxC.txt");
  options.old_case_fold = false;
  EXPECT_FALSE(compute_new_path("d\\ABC.txt", "b", "x", options, &new_path));
}

TEST(NamePartTest, SameNameStillCountsAsReplaced) {
  check_cases({{"d\\a.txt", "a", "a", kBodyRight, false, false, "d\\a.txt"}});
}

TEST(NamePartTest, NamePartStaysBelowTheLimit) {
  std::string body(250, 'a');
  std::string path = "dir\\" + body + ".txt";
  RunOptions options;
  std::string new_path;
  ASSERT_TRUE(
      compute_new_path(path, "a", std::string(10, 'b'), options, &new_path));
  EXPECT_EQ(new_path,
            "dir\\" + std::string(10, 'b') + std::string(249, 'a') + ".txt");
  EXPECT_FALSE(
      compute_new_path(path, "a", std::string(11, 'b'), options, &new_path));

  options.anchor_head = true;
  EXPECT_TRUE(
      compute_new_path(path, "", std::string(9, 'x'), options, &new_path));
  EXPECT_FALSE(
      compute_new_path(path, "", std::string(10, 'x'), options, &new_path));

  options = RunOptions();
  options.name_part = kExtensionRight;
  EXPECT_TRUE(compute_new_path("dir\\readme", "", std::string(259, 'x'),
                               options, &new_path));
  EXPECT_FALSE(compute_new_path("dir\\readme", "", std::string(260, 'x'),
                                options, &new_path));
}

}  // namespace
}  // namespace kavo

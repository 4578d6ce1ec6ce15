#include "names/name_part.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/options.h"

namespace kavo {
namespace {

// Option bits of a case.
constexpr int kHead = 1;
constexpr int kTail = 2;
constexpr int kFold = 4;

struct Case {
  std::string path;
  std::string old_string;
  std::string new_string;
  int name_part;
  int options;
  std::optional<std::string> expected;  // kUnchanged: no replacement
};

const std::nullopt_t kUnchanged = std::nullopt;

void check_cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " '" + c.old_string + "' -> '" + c.new_string +
                 "' part " + std::to_string(c.name_part) + " options " +
                 std::to_string(c.options));
    RunOptions options;
    options.name_part = c.name_part;
    options.anchor_head = (c.options & kHead) != 0;
    options.anchor_tail = (c.options & kTail) != 0;
    options.old_case_fold = (c.options & kFold) != 0;
    std::string new_path = "untouched";
    bool replaced = compute_new_path(c.path, c.old_string, c.new_string,
                                     options, &new_path);
    EXPECT_EQ(replaced ? std::optional(new_path) : std::nullopt, c.expected);
  }
}

TEST(NamePartTest, SplitAtLastOrFirstPeriod) {
  check_cases({
      {"a.b.c", "b", "X", kBodyRight, 0, "a.X.c"},
      {"a.b.c", "c", "X", kBodyRight, 0, kUnchanged},
      {"a.b.c", "b", "X", kBodyLeft, 0, kUnchanged},
      {"a.b.c", "b", "X", kExtensionLeft, 0, "a.X.c"},
      {"a.b.c", "b", "X", kExtensionRight, 0, kUnchanged},
      {"a.b.c", "c", "X", kExtensionRight, 0, "a.b.X"},
      {"a.b.c", ".", "-", kWholeName, 0, "a-b.c"},
      {".profile", "p", "x", kBodyRight, 0, kUnchanged},
      {".profile", "p", "x", kExtensionRight, 0, ".xrofile"},
      {".profile", "*", "x", kBodyRight, 0, "x.profile"},
      {"readme", "ME", "x", kExtensionRight, 0, kUnchanged},
      {"abc.", "c.", "d", kBodyRight, 0, "abd"},  // a final period is body
      {"d\\a.txt", "a", "a", kBodyRight, 0, "d\\a.txt"},  // same name again
  });
}

// 表 is 0x95 0x5C: its trail byte must not be taken for a separator.
TEST(NamePartTest, OnlyTheNameTakesPart) {
  const std::string path = "C:\\my.dir\\a.txt";
  check_cases({
      {path, "a", "X", kBodyRight, 0, "C:\\my.dir\\X.txt"},
      {path, "txt", "doc", kExtensionLeft, 0, "C:\\my.dir\\a.doc"},
      {path, "my", "X", kWholeName, 0, kUnchanged},
      {path, "*", "b.c", kWholeName, 0, "C:\\my.dir\\b.c"},
      {"C:a.txt", "a", "b", kBodyRight, 0, "C:b.txt"},
      {"C:Ca", "C", "X", kWholeName, 0, "C:Xa"},
      {"\\\\srv\\share\\f.x", "f", "g", kBodyRight, 0, "\\\\srv\\share\\g.x"},
      {"a.表", "表", "x", kExtensionRight, 0, "a.x"},
      {"dir\\表", "表", "x", kWholeName, 0, "dir\\x"},
      {"d\\表.txt", "??", "x", kBodyRight, 0, "d\\x.txt"},
      // A path that ends in a lone lead byte has no trustworthy name.
      {"dir\\a\x81", "a", "b", kWholeName, 0, kUnchanged},
  });
}

TEST(NamePartTest, AnchorsFoldingAndTheEmptyOldString) {
  check_cases({
      {"abc.txt.txt", ".txt", ".doc", kWholeName, kTail, "abc.txt.doc"},
      {"aXa.x", "a", "b", kBodyRight, kHead, "bXa.x"},
      {"aXa.x", "a", "b", kBodyRight, kHead | kTail, kUnchanged},
      {"d\\ABC.txt", "b", "x", kBodyRight, kFold, "d\\AxC.txt"},
      {"d\\ABC.txt", "b", "x", kBodyRight, 0, kUnchanged},
      // Without an old string: one anchor inserts or appends; neither or
      // both make up a missing extension.
      {"read.me", "", "x", kBodyRight, kHead, "xread.me"},
      {"read.me", "", "x", kBodyRight, kTail, "readx.me"},
      {"read.me", "", "x", kExtensionRight, kTail, "read.mex"},
      {"a.b.c", "", "x", kBodyLeft, kTail, "ax.b.c"},
      {"readme", "", "x", kExtensionRight, kTail, "readme.x"},
      {"a.b", "", "x", kWholeName, kTail, "a.bx"},
      {"readme", "", "x", kExtensionRight, 0, "readme.x"},
      {"readme", "", "x", kExtensionRight, kHead | kTail, "readme.x"},
      {"abc.", "", "x", kExtensionRight, 0, "abc..x"},
      {"read.me", "", "x", kExtensionRight, 0, kUnchanged},
      {"a.b.c", "", "x", kExtensionLeft, 0, kUnchanged},
      {"a.b", "", "x", kWholeName, 0, kUnchanged},
      {"a.b", "", "x", kBodyRight, kHead | kTail, kUnchanged},
      // A made-up extension must stay below 260 bytes too.
      {"d\\readme", "", std::string(259, 'x'), kExtensionRight, 0,
       "d\\readme." + std::string(259, 'x')},
      {"d\\readme", "", std::string(260, 'x'), kExtensionRight, 0, kUnchanged},
      {"d\\" + std::string(250, 'a'), "a", std::string(11, 'b'), kBodyRight, 0,
       kUnchanged},
  });
}

}  // namespace
}  // namespace kavo

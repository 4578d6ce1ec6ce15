#include "names/name_part.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kavo {
namespace {

constexpr int kHead = 1;
constexpr int kTail = 2;
constexpr int kFold = 4;
const std::nullopt_t kUnchanged = std::nullopt;

// Only the chosen part of the name (never the directory) changes: bodies
// and extensions split at the last period (Right) or the first (Left); a
// final period belongs to the body. Without an old string one anchor
// inserts or appends, neither or both make up a missing extension.
TEST(NamePartTest, NewPaths) {
  const std::string dir = "C:\\my.dir\\";
  const struct {
    std::string path;
    std::string old_string;
    std::string new_string;
    NamePart name_part;
    int options;
    std::optional<std::string> expected;
  } cases[] = {
      {"a.b.c", "b", "X", kBodyRight, 0, "a.X.c"},
      {"a.b.c", "b", "X", kBodyLeft, 0, kUnchanged},
      {"a.b.c", "b", "X", kExtensionLeft, 0, "a.X.c"},
      {"a.b.c", "c", "X", kExtensionRight, 0, "a.b.X"},
      {".profile", "*", "x", kBodyRight, 0, "x.profile"},
      {"abc.", "c.", "d", kBodyRight, 0, "abd"},
      {"d\\a.txt", "a", "a", kBodyRight, 0, "d\\a.txt"},  // same name again
      {dir + "a.txt", "my", "X", kWholeName, 0, kUnchanged},
      {dir + "a.txt", "*", "b.c", kWholeName, 0, dir + "b.c"},
      {"\\\\srv\\share\\f.x", "f", "g", kBodyRight, 0, "\\\\srv\\share\\g.x"},
      {"a.表", "表", "x", kExtensionRight, 0, "a.x"},
      {"d\\表.txt", "??", "x", kBodyRight, 0, "d\\x.txt"},
      {"dir\\a\x81", "a", "b", kWholeName, 0, kUnchanged},  // lone lead
      {"abc.txt.txt", ".txt", ".doc", kWholeName, kTail, "abc.txt.doc"},
      {"aXa.x", "a", "b", kBodyRight, kHead | kTail, kUnchanged},
      {"d\\ABC.txt", "b", "x", kBodyRight, kFold, "d\\AxC.txt"},
      {"read.me", "", "x", kExtensionRight, kTail, "read.mex"},
      {"a.b.c", "", "x", kBodyLeft, kTail, "ax.b.c"},
      {"readme", "", "x", kExtensionRight, kHead | kTail, "readme.x"},
      {"abc.", "", "x", kExtensionRight, 0, "abc..x"},
      {"read.me", "", "x", kExtensionRight, 0, kUnchanged},
      {"a.b", "", "x", kBodyRight, kHead | kTail, kUnchanged},
      // A made-up extension must stay below 260 bytes too.
      {"d\\r", "", std::string(259, 'x'), kExtensionRight, 0,
       "d\\r." + std::string(259, 'x')},
      {"d\\r", "", std::string(260, 'x'), kExtensionRight, 0, kUnchanged},
  };
  for (const auto& c : cases) {
    NameChange change;
    change.part = c.name_part;
    change.match.head = (c.options & kHead) != 0;
    change.match.tail = (c.options & kTail) != 0;
    change.match.fold = (c.options & kFold) != 0;
    std::string new_path = "untouched";
    bool replaced =
        compute_new_path(c.path, c.old_string, c.new_string, change, &new_path);
    EXPECT_EQ(replaced ? std::optional(new_path) : std::nullopt, c.expected)
        << c.path << " '" << c.old_string << "' part " << c.name_part
        << " options " << c.options;
  }
}

}  // namespace
}  // namespace kavo

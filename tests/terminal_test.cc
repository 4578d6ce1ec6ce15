// Paging keys and prompts on a terminal (a pseudo-terminal, or the Wine
// console on one), and trees changed while a run waits at its prompt.

#include "tests/terminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kavo_test {
namespace {

const std::string kPrompt = "(Continue,/All/Quit)";
const std::string kErrorPrompt =
    "エラー発生。続いてエラー情報を表示します" + kPrompt;
const std::string kStop = "\n\a処理停止:メモリー不足で改名できません。\n";

// A prompt as the screen shows it once answered: erased by spaces.
std::string answered(const std::string& prompt) {
  return prompt + "\r" + std::string(prompt.size(), ' ') + "\r";
}

// Files a01.txt to aNN.txt, and the result lines of those from..to.
void make_files(const Scratch& d, int count) {
  d.sh("for i in $(seq 1 " + std::to_string(count) +
       "); do touch $(printf a%02d.txt $i); done");
}
std::string lines(int from, int to, const char* end = "\n") {
  std::string text;
  char line[64];
  for (int i = from; i <= to; ++i) {
    snprintf(line, sizeof line, "a%02d.txt→b%02d.txt%s", i, i, end);
    text += line;
  }
  return text;
}
std::string totals(int n) { return "\n改名成功:" + std::to_string(n) + "個\n"; }
int renamed(const Scratch& d) { return std::stoi(d.out("ls | grep -c ^b")); }

// 10 rows page 8 lines (one counted at the start), then 9 a page, prompts
// at least half a second apart. Space, Enter, C and a cursor key (an
// escape sequence) continue; All (A, a, ﾁ) runs through, Quit (q, Q, Esc,
// Ctrl-C, ﾀ) ends at once with exit code 1 and no totals. UTF-8 keys are
// converted; a key typed before the prompt reads one is discarded. With
// standard output redirected nothing is paged. The Wine console takes C,
// Shift+A (sent with Shift first), q and Q.
TEST(Terminal, PagingKeys) {
  const struct {
    std::vector<std::string> keys;  // the last one A(ll) or Q(uit) unless 40
    char last;                      // 'c': 40 files, all continued
    std::string encoding = "CP932", early = "";
    bool wine = false, on_terminal = true;
  } cases[] = {
      {{" ", "\r", "C", "\x1b[B"}, 'c'},
      {{"A"}, 'a'},
      {{"a"}, 'a'},
      {{"\xC1"}, 'a'},
      {{"\xEF\xBE\x81"}, 'a', "UTF-8"},
      {{"A"}, 'a', "CP932", "q"},
      {{"c", "A"}, 'a', "CP932", "", true},
      {{"q"}, 'q', "CP932", "", true},
      {{"Q"}, 'q', "CP932", "", true},
      {{"\x1b"}, 'q'},
      {{"\xC0"}, 'q'},
      {{"\x03"}, 'q'},
      {{"\xEF\xBE\x80"}, 'q', "UTF-8"},
      {{}, 'a', "CP932", "", true, false},
  };
  for (const auto& c : cases) {
    if (windows_build() && !c.wine) continue;
    SCOPED_TRACE(testing::PrintToString(c.keys) + c.early);
    Scratch d;
    const int files = c.last == 'c' ? 40 : 30;
    make_files(d, files);
    long long mark = now_ms();
    Terminal t(d.path(), {"a", "b", "/p", "a*.txt"}, 10, c.on_terminal,
               c.encoding);
    if (!c.early.empty()) {
      ASSERT_TRUE(t.wait_for(lines(1, 1)));
      t.answer(c.early, false);
    }
    std::string screen = lines(1, 8);
    int shown = 8;
    for (const std::string& key : c.keys) {
      ASSERT_TRUE(t.wait_for(kPrompt)) << t.screen;
      EXPECT_GE(now_ms() - mark, 450);
      ASSERT_TRUE(t.answer(key));
      mark = now_ms();
      screen += answered(kPrompt);
      int to = key == c.keys.back() && c.last != 'c' ? files : shown + 9;
      if (c.last != 'q') screen += lines(shown + 1, std::min(to, files));
      shown = std::min(to, files);
    }
    if (c.last != 'q') shown = files, screen += totals(files);
    EXPECT_EQ(t.finish(), c.last == 'q' ? 1 : 0);
    EXPECT_EQ(renamed(d), c.last == 'q' ? 8 : files);
    if (windows_build()) continue;
    EXPECT_EQ(t.err, "");
    if (c.encoding != "CP932") continue;
    EXPECT_EQ(c.on_terminal ? t.screen : t.out,
              c.on_terminal ? screen : lines(1, 30) + totals(30));
  }
}

// The prompt is shown only once the terminal is raw: with output stopped
// (Ctrl-S) as the page's interval runs, the prompt cannot be written
// before the mode is set, and Ctrl-Q lets it through.
TEST(Terminal, PromptOnlyOnceTheTerminalIsRaw) {
  if (windows_build()) GTEST_SKIP() << "a Linux terminal";
  Scratch d;
  make_files(d, 30);
  Terminal t(d.path(), {"a", "b", "/p", "a*.txt"});
  ASSERT_TRUE(t.wait_for(lines(1, 8)));
  ASSERT_TRUE(t.answer("\x13", false));
  usleep(1000000);
  EXPECT_TRUE(t.raw());
  ASSERT_TRUE(t.answer("\x11", false));
  ASSERT_TRUE(t.wait_for(kPrompt));
  ASSERT_TRUE(t.answer("A"));
  EXPECT_EQ(t.finish(), 0);
  EXPECT_EQ(renamed(d), 30);
}

// In date mode a new string without '/' stops at the first entry. On 4
// rows the stop line does not fit, so the error prompt comes first (Quit
// there ends before the error is shown); on 3 rows the stop line fills the
// next page and a last prompt follows it after Continue, not after All.
TEST(Terminal, ErrorPromptPrecedesAFatalErrorThatDoesNotFit) {
  if (windows_build()) GTEST_SKIP() << "a Linux terminal";
  const struct {
    int rows;
    std::string keys, screen, err;
  } cases[] = {{4, " ", answered(kErrorPrompt), kStop},
               {4, "q", answered(kErrorPrompt), ""},
               {3, "  ", answered(kErrorPrompt) + answered(kPrompt), kStop},
               {3, "A", answered(kErrorPrompt), kStop},
               {10, "", "", kStop}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    Scratch d;
    make_files(d, 3);
    Terminal t(d.path(), {"a", "b", "/p", "/date", "a*.txt"}, c.rows);
    for (char key : c.keys) {
      ASSERT_TRUE(t.wait_for(kPrompt));
      ASSERT_TRUE(t.answer(std::string(1, key)));
    }
    EXPECT_EQ(t.finish(), 1);
    EXPECT_EQ(t.screen + "|" + t.err, c.screen + "|" + c.err);
    EXPECT_EQ(renamed(d), 0);
  }
}

// While a prompt waits the log is closed: another program can lock it, and
// it holds everything printed so far; Quit leaves it so. Paged, a log line
// that cannot be written stops the run at once, not at the log's close.
TEST(Terminal, LogWhileThePromptWaits) {
  if (windows_build()) GTEST_SKIP() << "a Linux terminal";
  for (const std::string key : {"q", "A"}) {
    Scratch d;
    make_files(d, 30);
    Terminal t(d.path(), {"a", "b", "/p", "/logrun.txt", "a*.txt"});
    ASSERT_TRUE(t.wait_for(kPrompt));
    std::string at_prompt = d.out("cat run.txt");
    EXPECT_EQ(d.out("flock -n run.txt echo free"), "free\n");
    ASSERT_TRUE(t.answer(key));
    EXPECT_EQ(t.finish(), key == "q" ? 1 : 0);
    const std::string body = " a b /p /logrun.txt a*.txt\r\n\r\n";
    EXPECT_EQ(at_prompt.substr(at_prompt.find(body)),
              body + lines(1, 8, "\r\n"));
    std::string log = d.out("cat run.txt");
    size_t rest = log.find(lines(9, 30, "\r\n") + "\r\n改名成功:30個\r\n");
    EXPECT_EQ(log.substr(0, key == "q" ? std::string::npos : rest), at_prompt);
  }
  Scratch d;
  make_files(d, 3);
  d.sh("ln -s /dev/full full.txt");
  Terminal t(d.path(), {"a", "b", "/p", "/logfull.txt", "a*.txt"});
  EXPECT_EQ(t.finish(), 1);
  EXPECT_EQ(t.screen + t.err,
            lines(1, 1) +
                "\n\a処理停止:ログ・ファイル\"full.txt\"の出力"
                "に異常を検出しました。\n");
  EXPECT_EQ(renamed(d), 1);
}

// The usage text stops at each of its 22 page breaks (the pages' lines
// below): C goes on, A prints the rest without stops, Q ends at once.
TEST(Terminal, UsageTextPages) {
  const int pages[] = {21, 14, 20, 10, 15, 18, 10, 16, 12, 24, 8, 12,
                       10, 10, 15, 10, 9,  24, 12, 8,  13, 13, 15};
  for (const std::string& keys : {std::string(22, 'c'), std::string("a"),
                                  std::string(" A"), std::string("cq")}) {
    if (windows_build() && keys != "cq") continue;
    Scratch d;
    Terminal t(d.path(), {"a", "b"}, 40);
    std::string expected;
    for (size_t page = 0; page < keys.size(); ++page) {
      ASSERT_TRUE(t.wait_for((windows_build() ? "" : "\n") + kPrompt));
      ASSERT_TRUE(t.answer(keys.substr(page, 1)));
      expected += std::to_string(pages[page]) + " ";
    }
    EXPECT_EQ(t.finish(), 1);
    if (windows_build()) continue;
    std::string got;
    const std::string prompt = answered(kPrompt);
    for (size_t at = 0, end;
         (end = t.screen.find(prompt, at)) != std::string::npos;
         at = end + prompt.size()) {
      got +=
          std::to_string(std::count(&t.screen[at], &t.screen[end], '\n')) + " ";
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(std::count(t.screen.begin(), t.screen.end(), '\n'),
              keys.back() == 'q' ? pages[0] + pages[1] : 319);
  }
}

// Held at the first prompt, the tree changes: the directory being walked
// and the one listed next become links to an outside directory of the same
// names (the walk goes on in the directory it had listed, and the link is
// renamed as a link, never entered); a listed directory is taken away and
// another turned into a FIFO (never opened: that would wait for ever);
// files listed but removed are passed over without a line or a count,
// whether each is looked up first (a size filter) or not.
TEST(Terminal, TreeChangedAtThePrompt) {
  if (windows_build()) GTEST_SKIP() << "a Linux terminal";
  const std::string files = "for i in $(seq 10 29); do touch ";
  struct Case {
    std::string tree;
    std::vector<std::string> args;
    std::string change, after, expected;
    int total;
  };
  std::vector<Case> cases = {
      {"mkdir -p outside w/ABC_a w/ABC_b; " + files +
           "outside/ABC_$i.txt w/ABC_a/ABC_$i.txt w/ABC_b/ABC_$i.txt; done",
       {"*", "/d"},
       "cd w && for x in a b; do mv ABC_$x moved_$x;"
       " ln -s ../outside ABC_$x; done",
       "ls outside | grep -c ABC; ls w/moved_a | grep -c XYZ;"
       " ls w/moved_b | grep -c ABC; readlink w/XYZ_b",
       "20\n20\n20\n../outside\n",
       0},
      {"mkdir -p w/ABC_a w/ABC_b w/ABC_c w/ABC_d; " + files +
           "w/ABC_a/ABC_$i.txt; done; for x in b c d; do for i in 1 2 3; do"
           " touch w/ABC_$x/ABC_$i.txt; done; done",
       {"*", "/d"},
       "mv w/ABC_b gone_b && mv w/ABC_c gone_c && mkfifo w/ABC_c",
       "ls w/ABC_a w/ABC_d | grep -c XYZ; ls gone_b | grep -c ABC;"
       " test -p w/XYZ_c && echo fifo",
       "23\n3\nfifo\n",
       24},
      {"mkdir w; " + files + "w/ABC_$i.txt w/ABC_1$i.txt; done",
       {"*.txt"},
       "rm w/ABC_*",
       "ls w | grep -c XYZ",
       "8\n",
       8},
  };
  cases.push_back(cases.back());  // each file looked up first
  cases.back().args.push_back("/ls0-");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change + " " + testing::PrintToString(c.args));
    Scratch d;
    d.sh(c.tree);
    std::vector<std::string> args = {"ABC", "XYZ", "/p"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Terminal t(d.path() + "/w", args);
    ASSERT_TRUE(t.wait_for(kPrompt));
    d.sh(c.change);
    ASSERT_TRUE(t.answer("A"));
    EXPECT_EQ(t.finish(), 0);
    EXPECT_EQ(d.out(c.after), c.expected);
    EXPECT_EQ(t.screen.find("outside"), std::string::npos);
    EXPECT_EQ(t.screen.find("改名不能"), std::string::npos);
    if (c.total) {
      EXPECT_NE(t.screen.find(totals(c.total)), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace kavo_test

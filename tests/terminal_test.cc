// Paging keys and prompts on a terminal (a Linux pseudo-terminal, or the
// Wine console kavo.exe gets on one), and trees changed while a run waits
// at its prompt.

#include "tests/terminal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
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
  d.sh("for i in $(seq -w 1 " + std::to_string(count) +
       " | sed 's/^0*//'); do"
       " touch $(printf a%02d.txt $i); done");
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

long long now_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

class Linux : public ::testing::Test {
  void SetUp() override {
    if (windows_build()) GTEST_SKIP() << "a Linux terminal";
  }
};

// 10 rows page 8 lines (one counted at the start), then 9 a page. Space,
// Enter, C and a cursor key (an escape sequence) continue, and prompts keep
// half a second apart even when the page fills at once.
TEST_F(Linux, ContinueKeysTurnThePageAfterTheInterval) {
  Scratch d;
  make_files(d, 40);
  long long mark = now_ms();
  Terminal t(d.path(), {"a", "b", "/p", "a*.txt"});
  for (const char* key : {" ", "\r", "C", "\x1b[B"}) {
    ASSERT_TRUE(t.wait_for(kPrompt)) << t.screen;
    EXPECT_GE(now_ms() - mark, 450) << key;
    ASSERT_TRUE(t.answer(key));
    mark = now_ms();
  }
  EXPECT_EQ(t.finish(), 0);
  std::string page = answered(kPrompt);
  EXPECT_EQ(t.screen, lines(1, 8) + page + lines(9, 17) + page + lines(18, 26) +
                          page + lines(27, 35) + page + lines(36, 40) +
                          totals(40));
  EXPECT_EQ(renamed(d), 40);
}

// All (A, a, ﾁ) runs through without a further prompt; Quit (q, Q, Esc,
// Ctrl-C, ﾀ) ends at once with exit code 1 and no totals. UTF-8 keys are
// converted; a key typed while the first page prints is discarded.
TEST_F(Linux, AllAndQuitKeys) {
  const struct {
    const char* early;
    std::string key, encoding;
    bool all;
  } cases[] = {{"", "A", "CP932", true},
               {"", "a", "CP932", true},
               {"", "\xC1", "CP932", true},
               {"", "\xEF\xBE\x81", "UTF-8", true},
               {"q", "A", "CP932", true},
               {"", "q", "CP932", false},
               {"", "Q", "CP932", false},
               {"", "\x1b", "CP932", false},
               {"", "\xC0", "CP932", false},
               {"", "\x03", "CP932", false},
               {"", "\xEF\xBE\x80", "UTF-8", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.key));
    Scratch d;
    make_files(d, 30);
    Terminal t(d.path(), {"a", "b", "/p", "a*.txt"}, 10, true, c.encoding);
    if (*c.early) {
      ASSERT_TRUE(t.wait_for(lines(1, 1)));
      t.answer(c.early, false);
    }
    ASSERT_TRUE(t.wait_for(kPrompt));
    ASSERT_TRUE(t.answer(c.key));
    EXPECT_EQ(t.finish(), c.all ? 0 : 1);
    std::string screen = lines(1, 8) + answered(kPrompt);
    if (c.all) screen += lines(9, 30) + totals(30);
    if (c.encoding == "CP932") {
      EXPECT_EQ(t.screen, screen);
    }
    EXPECT_EQ(t.err, "");
    EXPECT_EQ(renamed(d), c.all ? 30 : 8);
  }
}

// In date mode a new string without '/' stops at the first entry. On 4
// rows the stop line does not fit, so the error prompt comes first (Quit
// there ends before the error is shown); on 3 rows the stop line fills the
// next page and a last prompt follows it after Continue, not after All.
TEST_F(Linux, ErrorPromptPrecedesAFatalErrorThatDoesNotFit) {
  const struct {
    int rows;
    std::vector<std::string> keys;
    std::string screen, err;
  } cases[] = {
      {4, {" "}, answered(kErrorPrompt), kStop},
      {4, {"q"}, answered(kErrorPrompt), ""},
      {3, {" ", " "}, answered(kErrorPrompt) + answered(kPrompt), kStop},
      {3, {"A"}, answered(kErrorPrompt), kStop},
      {10, {}, "", kStop}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    Scratch d;
    make_files(d, 3);
    Terminal t(d.path(), {"a", "b", "/p", "/date", "a*.txt"}, c.rows);
    for (const std::string& key : c.keys) {
      ASSERT_TRUE(t.wait_for(kPrompt));
      ASSERT_TRUE(t.answer(key));
    }
    EXPECT_EQ(t.finish(), 1);
    EXPECT_EQ(t.screen, c.screen);
    EXPECT_EQ(t.err, c.err);
    EXPECT_EQ(renamed(d), 0);
  }
}

// While a prompt waits the log is closed: another program can lock it, and
// it holds everything printed so far. Quit leaves it so.
TEST_F(Linux, PagedLogIsCompleteAndFreeWhileThePromptWaits) {
  for (const std::string key : {"q", "A"}) {
    Scratch d;
    make_files(d, 30);
    Terminal t(d.path(), {"a", "b", "/p", "/logrun.txt", "a*.txt"});
    ASSERT_TRUE(t.wait_for(kPrompt));
    std::string at_prompt = d.out("cat run.txt");
    EXPECT_EQ(d.out("flock -n run.txt echo free"), "free\n");
    ASSERT_TRUE(t.answer(key));
    EXPECT_EQ(t.finish(), key == "q" ? 1 : 0);
    EXPECT_NE(at_prompt.find(" a b /p /logrun.txt a*.txt\r\n\r\n" +
                             lines(1, 8, "\r\n")),
              std::string::npos);
    EXPECT_EQ(at_prompt.size() - at_prompt.rfind(lines(8, 8, "\r\n")),
              lines(8, 8).size() + 1);
    std::string log = d.out("cat run.txt");
    if (key == "q") {
      EXPECT_EQ(log, at_prompt);
    } else {
      EXPECT_NE(log.find(lines(9, 30, "\r\n") + "\r\n改名成功:30個\r\n"),
                std::string::npos);
    }
  }
}

// Paged, a log line that cannot be written stops the run at once (not at
// the log's close): no rename after the first line.
TEST_F(Linux, FailedLogWriteStopsAPagedRun) {
  Scratch d;
  make_files(d, 3);
  d.sh("ln -s /dev/full full.txt");
  Terminal t(d.path(), {"a", "b", "/p", "/logfull.txt", "a*.txt"});
  EXPECT_EQ(t.finish(), 1);
  EXPECT_EQ(
      t.err,
      "\n\a処理停止:ログ・ファイル\"full.txt\"の出力に異常を検出しました。\n");
  EXPECT_EQ(t.screen, lines(1, 1));
  EXPECT_EQ(renamed(d), 1);
}

// The usage text stops at each of its 22 page breaks (the pages' lines
// below): C goes on, A prints the rest without stops, Q ends at once.
TEST_F(Linux, UsageTextPages) {
  const int pages[] = {21, 14, 20, 10, 15, 18, 10, 16, 12, 24, 8, 12,
                       10, 10, 15, 10, 9,  24, 12, 8,  13, 13, 15};
  for (const std::string& keys : {std::string(22, 'c'), std::string("q"),
                                  std::string("a"), std::string(" A")}) {
    Scratch d;
    Terminal t(d.path(), {"a", "b"}, 40);
    std::string expected;
    for (size_t page = 0; page < keys.size(); ++page) {
      ASSERT_TRUE(t.wait_for("\n" + kPrompt));
      ASSERT_TRUE(t.answer(keys.substr(page, 1)));
      expected += std::to_string(pages[page]) + " ";
    }
    EXPECT_EQ(t.finish(), 1);
    std::string got;
    size_t at = 0;
    for (size_t end;
         (end = t.screen.find(answered(kPrompt), at)) != std::string::npos;
         at = end + answered(kPrompt).size()) {
      got +=
          std::to_string(std::count(&t.screen[at], &t.screen[end], '\n')) + " ";
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(std::count(t.screen.begin(), t.screen.end(), '\n'),
              keys == "q" ? 21 : 319);
  }
}

// Output redirected: nothing to page, however small the window.
TEST(Terminal, RedirectedOutputIsNeverPaged) {
  Scratch d;
  make_files(d, 30);
  Terminal t(d.path(), {"a", "b", "/p", "a*.txt"}, 10, false);
  EXPECT_EQ(t.finish(), 0);
  EXPECT_EQ(t.screen, "");
  if (!windows_build()) {
    EXPECT_EQ(t.out, lines(1, 30) + totals(30));
  }
  EXPECT_EQ(renamed(d), 30);
}

// On the Wine console: C shows the next page, Shift+A (the console sends
// Shift first) ends the paging, q or Q quits; the usage text pages too.
TEST(Terminal, WineConsoleKeys) {
  if (!windows_build()) GTEST_SKIP() << "the Windows console";
  for (const std::string keys : {"cA", "q", "Q"}) {
    Scratch d;
    make_files(d, 30);
    Terminal t(d.path(), {"a", "b", "/p", "a*.txt"});
    for (char key : keys) {
      ASSERT_TRUE(t.wait_for(kPrompt)) << t.screen;
      ASSERT_TRUE(t.answer(std::string(1, key)));
    }
    EXPECT_EQ(t.finish(), keys == "cA" ? 0 : 1) << t.screen;
    EXPECT_EQ(renamed(d), keys == "cA" ? 30 : 8);
  }
  Scratch d;
  Terminal usage(d.path(), {});
  for (const char* key : {"c", "q"}) {
    ASSERT_TRUE(usage.wait_for(kPrompt));
    ASSERT_TRUE(usage.answer(key));
  }
  EXPECT_EQ(usage.finish(), 1);
}

// ---- Trees changed while the run waits at its first prompt -------------

// The directory being walked and the one listed next become links to an
// outside directory of the same names: the walk goes on in the directory
// it had listed, and the link is renamed as a link, never entered.
TEST_F(Linux, DirectorySwappedForALinkIsNeverFollowed) {
  Scratch d;
  d.sh(
      "mkdir -p outside work/ABC_a work/ABC_b; for i in $(seq 10 29); do"
      " touch outside/ABC_$i.txt work/ABC_a/ABC_$i.txt work/ABC_b/ABC_$i.txt;"
      " done");
  Terminal t(d.path() + "/work", {"ABC", "XYZ", "*", "/d", "/p"});
  ASSERT_TRUE(t.wait_for(kPrompt));
  d.sh(
      "cd work && for x in a b; do mv ABC_$x moved_$x;"
      " ln -s ../outside ABC_$x; done");
  ASSERT_TRUE(t.answer("A"));
  EXPECT_EQ(t.finish(), 0);
  EXPECT_EQ(d.out("ls outside | grep -c ABC; ls work/moved_a | grep -c XYZ;"
                  " ls work/moved_b | grep -c ABC; readlink work/XYZ_b"),
            "20\n20\n20\n../outside\n");
  EXPECT_NE(t.screen.find("ABC_b→XYZ_b"), std::string::npos);
  EXPECT_EQ(t.screen.find("outside"), std::string::npos);
}

// Directories listed but not entered yet: one taken away, one turned into
// a FIFO (which must never be opened: that would wait for ever); files
// listed but removed are passed over without a line or a count, whether
// each is looked up first (a size filter) or not.
TEST_F(Linux, EntriesTakenAwayAreHandled) {
  Scratch d;
  d.sh(
      "mkdir -p w/ABC_a w/ABC_b w/ABC_c w/ABC_d; for i in $(seq 10 29); do"
      " touch w/ABC_a/ABC_$i.txt; done; for x in b c d; do for i in 1 2 3; do"
      " touch w/ABC_$x/ABC_$i.txt; done; done");
  Terminal t(d.path() + "/w", {"ABC", "XYZ", "*", "/d", "/p"});
  ASSERT_TRUE(t.wait_for(kPrompt));
  d.sh("mv w/ABC_b gone_b && mv w/ABC_c gone_c && mkfifo w/ABC_c");
  ASSERT_TRUE(t.answer("A"));
  EXPECT_EQ(t.finish(), 0);
  EXPECT_EQ(d.out("ls w/ABC_a w/ABC_d | grep -c XYZ; ls gone_b | grep -c ABC;"
                  " test -p w/XYZ_c && echo fifo"),
            "23\n3\nfifo\n");
  EXPECT_NE(t.screen.find("改名成功:24個"), std::string::npos);
  for (const std::string filter : {"", "/ls0-"}) {
    Scratch f;
    f.sh("for i in $(seq 10 39); do touch ABC_$i.txt; done");
    std::vector<std::string> args = {"ABC", "XYZ", "*.txt", "/p"};
    if (!filter.empty()) args.push_back(filter);
    Terminal t(f.path(), args);
    ASSERT_TRUE(t.wait_for(kPrompt));
    f.sh("rm ABC_*");
    ASSERT_TRUE(t.answer("A"));
    EXPECT_EQ(t.finish(), 0);
    EXPECT_EQ(t.screen.find("改名不能"), std::string::npos) << filter;
    EXPECT_NE(t.screen.find("改名成功:8個"), std::string::npos) << filter;
  }
}

}  // namespace
}  // namespace kavo_test

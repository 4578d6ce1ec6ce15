// End-to-end tests of the screen pager (on a pseudo-terminal) and of the
// log file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/harness.h"
#include "tests/pty_harness.h"

namespace kavo_test {
namespace {

const std::string kPrompt = "(Continue,/All/Quit)";
const std::string kErrorPrompt =
    "エラー発生。続いてエラー情報を表示します(Continue,/All/Quit)";
const std::string kStopDateText =
    "\n\a処理停止:メモリー不足で改名できません。\n";
const std::string kRule(79, '-');

// A prompt as the screen shows it once it has been answered: the prompt,
// then a carriage return, as many spaces as it has bytes and another one.
std::string answered(const std::string& prompt) {
  return prompt + "\r" + std::string(prompt.size(), ' ') + "\r";
}

// "a07.txt" for ('a', 7).
std::string name(char letter, int i) {
  char text[16];
  snprintf(text, sizeof text, "%c%02d.txt", letter, i);
  return text;
}

// Files a01.txt ... aNN.txt.
void make_files(TempDir* dir, int count) {
  for (int i = 1; i <= count; ++i) dir->file(name('a', i));
}

// The result lines of files `from` to `to`, with `newline` at their end.
std::string result_lines(int from, int to, const std::string& newline = "\n") {
  std::string lines;
  for (int i = from; i <= to; ++i) {
    lines += name('a', i) + "→" + name('b', i) + newline;
  }
  return lines;
}

std::string totals(int renamed) {
  return "\n改名成功:" + std::to_string(renamed) + "個\n";
}

// The names in the directory once the first `renamed` files are renamed.
std::vector<std::string> names_after(int renamed, int count) {
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i)
    names.push_back(name(i <= renamed ? 'b' : 'a', i));
  std::sort(names.begin(), names.end());
  return names;
}

PtySpec paged_run(const TempDir& dir, const std::vector<std::string>& extra) {
  PtySpec spec;
  spec.directory = dir.path();
  spec.args = {"a", "b", "/p"};
  spec.args.insert(spec.args.end(), extra.begin(), extra.end());
  spec.args.push_back("a*.txt");
  return spec;
}

long long now_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// ---- Paging on a terminal ------------------------------------------------

// A window of 10 rows pages 8 lines; the run counts one line before its
// first output, so the first prompt follows the 8th result line and each
// later one 9 lines further on.
TEST(OutputPagerTest, ContinueKeysTurnThePageAfterTheInterval) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  TempDir dir;
  make_files(&dir, 40);
  long long started = now_ms();
  PtySession run(paged_run(dir, {}));
  ASSERT_TRUE(run.wait_for(kPrompt));
  EXPECT_GE(now_ms() - started, 500);
  // Space, Enter, C and a cursor key (an escape sequence) all continue.
  const std::string keys[] = {" ", "\r", "C", "\x1b[B"};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(run.answer(keys[i])) << i;
    long long answered_at = now_ms();
    if (i == 3) break;
    ASSERT_TRUE(run.wait_for(kPrompt)) << run.screen();
    // Prompts keep their distance even when the page fills at once.
    EXPECT_GE(now_ms() - answered_at, 450) << "after key " << i;
  }
  EXPECT_EQ(0, run.finish());
  EXPECT_EQ(result_lines(1, 8) + answered(kPrompt) + result_lines(9, 17) +
                answered(kPrompt) + result_lines(18, 26) + answered(kPrompt) +
                result_lines(27, 35) + answered(kPrompt) +
                result_lines(36, 40) + totals(40),
            run.screen());
  EXPECT_EQ(names_after(40, 40), dir.tree());
}

// All (A, a, and the ﾁ of kana mode) lets the rest run through without a
// further prompt; Quit (Q, q, Esc, Ctrl-C, and ﾀ) ends the run at once with
// exit code 1 and no totals. Keys typed in UTF-8 are converted; a key
// typed while the first page is printed is discarded.
TEST(OutputPagerTest, AllAndQuitKeys) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  const std::string cp932 = "CP932";
  const struct {
    std::vector<PtyStep> steps;
    std::string encoding;
    bool all;
  } cases[] = {
      {{{kPrompt, "A"}}, cp932, true},
      {{{kPrompt, "a"}}, cp932, true},
      {{{kPrompt, "\xC1"}}, cp932, true},
      {{{kPrompt, "\xEF\xBE\x81"}}, "UTF-8", true},
      {{{result_lines(1, 1), "q", false}, {kPrompt, "A"}}, cp932, true},
      {{{kPrompt, "q"}}, cp932, false},
      {{{kPrompt, "Q"}}, cp932, false},
      {{{kPrompt, "\x1b"}}, cp932, false},
      {{{kPrompt, "\xC0"}}, cp932, false},
      {{{kPrompt, "\x03"}}, cp932, false},
      {{{kPrompt, "\xEF\xBE\x80"}}, "UTF-8", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.steps.back().keys));
    TempDir dir;
    make_files(&dir, 30);
    PtySpec spec = paged_run(dir, {});
    spec.env = {"KAVO_ENCODING=" + c.encoding, "TZ=UTC"};
    PtyResult r = run_in_pty(spec, c.steps);
    EXPECT_TRUE(r.all_steps_seen);
    EXPECT_EQ(c.all ? 0 : 1, r.exit_code);
    std::string screen = result_lines(1, 8) + answered(kPrompt);
    if (c.all) screen += result_lines(9, 30) + totals(30);
    if (c.encoding == cp932) {
      EXPECT_EQ(screen, r.screen);
    }
    EXPECT_EQ(1u, count_of(r.screen, kPrompt));
    EXPECT_EQ("", r.err);
    EXPECT_EQ(names_after(c.all ? 30 : 8, 30), dir.tree());
  }
}

TEST(OutputPagerTest, RedirectedOutputIsNeverPaged) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  TempDir dir;
  make_files(&dir, 30);
  PtySpec spec = paged_run(dir, {});
  spec.stdout_on_terminal = false;
  PtySession run(spec);
  EXPECT_EQ(0, run.finish(10000));
  EXPECT_EQ(result_lines(1, 30) + totals(30), run.out());
  EXPECT_EQ("", run.screen());
  EXPECT_EQ(names_after(30, 30), dir.tree());
}

// In date mode a new string without '/' stops the run at the first entry.
// On a window of 4 rows (2 lines a page, one of them counted at the start)
// the stop line does not fit, so the error prompt comes first; Quit there
// ends the run before the error is shown. With one line a page (3 rows)
// the stop line itself fills the next page and a last prompt follows it
// after Continue, not after All. On 10 rows it simply fits.
TEST(OutputPagerTest, ErrorPromptPrecedesAFatalErrorThatDoesNotFit) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  const struct {
    int rows;
    std::vector<PtyStep> steps;
    std::string screen;
    std::string err;
  } cases[] = {
      {4, {{kErrorPrompt, " "}}, answered(kErrorPrompt), kStopDateText},
      {4, {{kErrorPrompt, "q"}}, answered(kErrorPrompt), ""},
      {3,
       {{kErrorPrompt, " "}, {kPrompt, " "}},
       answered(kErrorPrompt) + answered(kPrompt),
       kStopDateText},
      {3, {{kErrorPrompt, "A"}}, answered(kErrorPrompt), kStopDateText},
      {10, {}, "", kStopDateText},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    TempDir dir;
    make_files(&dir, 3);
    PtySpec spec = paged_run(dir, {"/date"});
    spec.rows = c.rows;
    PtyResult r = run_in_pty(spec, c.steps);
    EXPECT_TRUE(r.all_steps_seen);
    EXPECT_EQ(1, r.exit_code);
    EXPECT_EQ(c.screen, r.screen);
    EXPECT_EQ(c.err, r.err);
    EXPECT_EQ(names_after(0, 3), dir.tree());
  }
}

// ---- The log file ---------------------------------------------------------

// The command's own path as the log's command line shows it.
std::string own_path() {
  char* real = realpath(kavo_binary().c_str(), nullptr);
  std::string path = program_path(real ? real : kavo_binary());
  free(real);
  return path;
}

std::string log_time(int64_t when) {
  const char* weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
  time_t seconds = when;
  struct tm t;
  gmtime_r(&seconds, &t);
  char text[100];
  snprintf(text, sizeof text, "%d年%02d月%02d日(%s) %02d時%02d分%02d秒",
           t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, weekdays[t.tm_wday],
           t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

// One run's entry in the log, written by a run between `before` and
// `after` (seconds, UTC).
struct LogEntry {
  int64_t before = 0;
  int64_t after = 0;
  std::string command;  // the command line
  std::string body;     // the mirrored output, CR LF line ends
  bool footer = true;
};

// True when `log` is `prefix` followed by `entry`, for some start time,
// end time and processing time the run can have had.
bool is_log(const std::string& log, const std::string& prefix,
            const LogEntry& entry) {
  for (int64_t start = entry.before; start <= entry.after; ++start) {
    std::string head = prefix + "kavo実行開始 " + log_time(start) +
                       " ［kavo 第1.37版］\r\n" + entry.command + "\r\n\r\n" +
                       entry.body;
    if (!entry.footer && log == head) return true;
    for (int64_t end = start; entry.footer && end <= entry.after; ++end) {
      for (int64_t took = 0; took <= entry.after - entry.before + 1; ++took) {
        char spent[64];
        snprintf(spent, sizeof spent, "%02d時間%02d分%02d秒",
                 static_cast<int>(took / 3600),
                 static_cast<int>(took / 60 % 60), static_cast<int>(took % 60));
        if (log == head + "\r\nkavo実行終了 " + log_time(end) + "（処理時間 " +
                       spent + "）\r\n") {
          return true;
        }
      }
    }
  }
  return false;
}

// Runs `a b <options> a*.txt` in `dir` and notes the moments around the
// run and its command line in `*entry`.
RunResult timed_run(const TempDir& dir, const std::vector<std::string>& options,
                    const std::string& encoding, LogEntry* entry) {
  RunSpec spec;
  spec.directory = dir.path();
  spec.args = {"a", "b"};
  spec.args.insert(spec.args.end(), options.begin(), options.end());
  spec.args.push_back("a*.txt");
  spec.env = {"KAVO_ENCODING=" + encoding, "TZ=UTC"};
  entry->before = time(nullptr);
  RunResult r = run_command(spec);
  entry->after = time(nullptr);
  // The path and the two strings each end with a space; the rest are
  // joined by spaces.
  entry->command = own_path() + " a b ";
  for (size_t i = 2; i < spec.args.size(); ++i) {
    entry->command += (i > 2 ? " " : "") + spec.args[i];
  }
  return r;
}

// /log replaces the file; /LOG appends, after a rule line when the file
// existed (even empty). The log is in the external encoding. A fatal error
// ends the entry with its stop line and no footer.
TEST(OutputLogTest, EntriesHoldHeaderOutputAndFooter) {
  const struct {
    std::vector<std::string> options;
    const char* old;     // run.txt before the run; none when null
    std::string prefix;  // what stands before the new entry
    std::string encoding = "CP932";
  } cases[] = {
      {{"/logrun.txt"}, "old\r\n", ""},
      {{"/LOGrun.txt"}, nullptr, ""},
      {{"/LOGrun.txt"}, "", kRule + "\r\n"},
      {{"/LOGrun.txt"}, "old\r\n", "old\r\n" + kRule + "\r\n"},
      {{"/logrun.txt"}, nullptr, "", "UTF-8"},
      {{"/date", "/logrun.txt"}, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.back() + c.encoding + (c.old ? "+" + c.prefix : ""));
    bool utf8 = c.encoding == "UTF-8";
    bool fatal = c.options[0] == "/date";
    if (utf8 && windows_build()) continue;
    TempDir dir;
    make_files(&dir, 2);
    if (c.old) dir.file("run.txt", c.old);
    LogEntry entry;
    RunResult r = timed_run(dir, c.options, c.encoding, &entry);
    EXPECT_EQ(fatal ? 1 : 0, r.exit_code);
    EXPECT_EQ(fatal ? kStopDateText : "", r.err);
    std::string out = utf8 ? convert(r.out, "CP932", "UTF-8") : r.out;
    EXPECT_EQ(fatal ? "" : result_lines(1, 2) + totals(2), out);
    entry.body = fatal ? "\r\n処理停止:メモリー不足で改名できません。\r\n"
                       : result_lines(1, 2, "\r\n") + "\r\n改名成功:2個\r\n";
    entry.footer = !fatal;
    std::string log = read_file(dir.at("run.txt"));
    if (utf8) {
      std::string sjis = convert(log, "CP932", "UTF-8");
      EXPECT_NE(sjis, log);
      log = sjis;
    }
    EXPECT_TRUE(is_log(log, c.prefix, entry)) << log;
  }
}

// A log that cannot be opened, or that another process holds (locked),
// stops the run before anything is renamed; a failed write (a full disk) is
// reported when the log is closed; /log alone turns logging off.
TEST(OutputLogTest, LogFailuresAndLogOff) {
  const std::string stop = "\n\a処理停止:ログ・ファイル";
  const std::string in_use = stop + "\"held.txt\"がオープン中です。\n";
  const struct {
    std::vector<std::string> options;
    std::string err;
    int renamed;
  } cases[] = {
      {{"/lognodir\\run.txt"},
       stop + "\"nodir\\run.txt\"がオープン出来ません。\n",
       0},
      {{"/logheld.txt"}, in_use, 0},
      {{"/LOGheld.txt"}, in_use, 0},
      {{"/logfull.txt"},
       stop + "\"full.txt\"の出力に異常を検出しました。\n",
       2},
      {{"/logrun.txt", "/log"}, "", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options[0]);
    if (c.err == in_use && windows_build()) continue;  // held with flock
    TempDir dir;
    make_files(&dir, 2);
    dir.file("held.txt", "held\r\n");
    ASSERT_EQ(0, symlink("/dev/full", dir.at("full.txt").c_str()));
    int held = open(dir.at("held.txt").c_str(), O_RDONLY | O_CLOEXEC);
    if (!windows_build()) {
      ASSERT_EQ(0, flock(held, LOCK_EX));
    }
    LogEntry unused;
    RunResult r = timed_run(dir, c.options, "CP932", &unused);
    close(held);
    EXPECT_EQ(c.err.empty() ? 0 : 1, r.exit_code);
    EXPECT_EQ(c.renamed ? result_lines(1, 2) + totals(2) : "", r.out);
    EXPECT_EQ(c.err, r.err);
    std::vector<std::string> tree = names_after(c.renamed, 2);
    tree.insert(tree.end(), {"full.txt", "held.txt"});
    EXPECT_EQ(tree, dir.tree());
    EXPECT_EQ("held\r\n", read_file(dir.at("held.txt")));
  }
}

// With /p the log is closed while a prompt waits: another program can take
// it, and it holds everything printed so far.
TEST(OutputLogTest, PagedLogIsCompleteAndFreeWhileThePromptWaits) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  for (const std::string key : {"q", "A"}) {
    TempDir dir;
    make_files(&dir, 30);
    LogEntry entry;
    entry.before = time(nullptr);
    PtySession run(paged_run(dir, {"/logrun.txt"}));
    ASSERT_TRUE(run.wait_for(kPrompt));
    std::string at_prompt = read_file(dir.at("run.txt"));
    int fd = open(dir.at("run.txt").c_str(), O_RDWR);
    EXPECT_EQ(0, flock(fd, LOCK_EX | LOCK_NB)) << "log still locked";
    close(fd);
    ASSERT_TRUE(run.answer(key));
    int code = run.finish();
    entry.after = time(nullptr);
    entry.command = own_path() + " a b /p /logrun.txt a*.txt";
    entry.body = result_lines(1, 8, "\r\n");
    entry.footer = false;
    EXPECT_TRUE(is_log(at_prompt, "", entry)) << at_prompt;
    std::string log = read_file(dir.at("run.txt"));
    if (key == "q") {
      // Quit ends the run where it stands: no totals, no footer.
      EXPECT_EQ(1, code);
      EXPECT_EQ(at_prompt, log);
    } else {
      EXPECT_EQ(0, code);
      entry.body = result_lines(1, 30, "\r\n") + "\r\n改名成功:30個\r\n";
      entry.footer = true;
      EXPECT_TRUE(is_log(log, "", entry)) << log;
    }
  }
}

}  // namespace
}  // namespace kavo_test

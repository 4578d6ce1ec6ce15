// End-to-end tests of the screen pager (on a pseudo-terminal) and of the
// log file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
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

std::string utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

// A prompt as the screen shows it once it has been answered: the prompt,
// then a carriage return, as many spaces as it has bytes and another one.
std::string answered(const std::string& prompt) {
  return prompt + "\r" + std::string(prompt.size(), ' ') + "\r";
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + part.size())) {
    ++n;
  }
  return n;
}

// Files a01.txt ... aNN.txt.
void make_files(TempDir* dir, int count) {
  for (int i = 1; i <= count; ++i) {
    char name[16];
    snprintf(name, sizeof name, "a%02d.txt", i);
    dir->file(name, "x");
  }
}

// The result lines of files `from` to `to`, with `newline` at their end.
std::string result_lines(int from, int to, const std::string& newline = "\n") {
  std::string lines;
  for (int i = from; i <= to; ++i) {
    char line[64];
    snprintf(line, sizeof line, "a%02d.txt→b%02d.txt", i, i);
    lines += line + newline;
  }
  return lines;
}

std::string totals(int renamed) {
  return "\n改名成功:" + std::to_string(renamed) + "個\n";
}

// Which of the files are renamed: the names in the directory.
std::vector<std::string> names_after(int renamed, int count) {
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i) {
    char name[16];
    snprintf(name, sizeof name, "%c%02d.txt", i <= renamed ? 'b' : 'a', i);
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> without(std::vector<std::string> names,
                                 const std::string& name) {
  std::erase(names, name);
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

TEST(OutputPagerTest, AllRunsThroughWithoutFurtherPrompt) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  const struct {
    std::string key;
    std::string encoding;
  } cases[] = {{"A", "CP932"},
               {"a", "CP932"},
               {"\xC1", "CP932"},           // ﾁ, the A key in kana mode
               {"\xEF\xBE\x81", "UTF-8"}};  // the same ﾁ typed in UTF-8
  for (const auto& c : cases) {
    TempDir dir;
    make_files(&dir, 30);
    PtySpec spec = paged_run(dir, {});
    spec.env = {"KAVO_ENCODING=" + c.encoding, "TZ=UTC"};
    PtyResult r = run_in_pty(spec, {{kPrompt, c.key}});
    EXPECT_TRUE(r.all_steps_seen) << c.key;
    EXPECT_EQ(0, r.exit_code) << c.key;
    EXPECT_EQ(1u, count_of(r.screen, kPrompt)) << c.key;
    if (c.encoding == "CP932") {
      EXPECT_EQ(result_lines(1, 8) + answered(kPrompt) + result_lines(9, 30) +
                    totals(30),
                r.screen);
    }
    EXPECT_EQ(names_after(30, 30), dir.tree()) << c.key;
  }
}

TEST(OutputPagerTest, QuitKeysEndTheRunAtOnceWithoutTotals) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  const struct {
    std::string key;
    std::string encoding;
  } cases[] = {{"q", "CP932"},           {"Q", "CP932"},
               {"\x1b", "CP932"},  // a lone Esc
               {"\xC0", "CP932"},  // ﾀ, the Q key in kana mode
               {"\x03", "CP932"},  // Ctrl-C
               {"\xEF\xBE\x80", "UTF-8"}};
  for (const auto& c : cases) {
    TempDir dir;
    make_files(&dir, 30);
    PtySpec spec = paged_run(dir, {});
    spec.env = {"KAVO_ENCODING=" + c.encoding, "TZ=UTC"};
    PtyResult r = run_in_pty(spec, {{kPrompt, c.key}});
    EXPECT_TRUE(r.all_steps_seen) << int(c.key[0]);
    EXPECT_EQ(1, r.exit_code) << int(c.key[0]);
    if (c.encoding == "CP932") {
      EXPECT_EQ(result_lines(1, 8) + answered(kPrompt), r.screen)
          << int(c.key[0]);
    }
    EXPECT_EQ("", r.err);
    EXPECT_EQ(names_after(8, 30), dir.tree()) << int(c.key[0]);
  }
}

TEST(OutputPagerTest, KeysTypedBeforeThePromptAreDiscarded) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  TempDir dir;
  make_files(&dir, 30);
  // The q arrives while the command still prints its first page.
  PtyResult r = run_in_pty(paged_run(dir, {}),
                           {{result_lines(1, 1), "q", false}, {kPrompt, "A"}});
  EXPECT_TRUE(r.all_steps_seen);
  EXPECT_EQ(0, r.exit_code);
  EXPECT_EQ(1u, count_of(r.screen, kPrompt));
  EXPECT_EQ(names_after(30, 30), dir.tree());
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
// the stop line does not fit, so the error prompt comes first.
TEST(OutputPagerTest, ErrorPromptPrecedesAFatalErrorThatDoesNotFit) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  TempDir dir;
  make_files(&dir, 3);
  PtySpec spec = paged_run(dir, {"/date"});
  spec.rows = 4;
  PtyResult shown = run_in_pty(spec, {{kErrorPrompt, " "}});
  EXPECT_TRUE(shown.all_steps_seen);
  EXPECT_EQ(1, shown.exit_code);
  EXPECT_EQ(answered(kErrorPrompt), shown.screen);
  EXPECT_EQ(kStopDateText, shown.err);

  PtyResult quit = run_in_pty(spec, {{kErrorPrompt, "q"}});
  EXPECT_EQ(1, quit.exit_code);
  EXPECT_EQ(answered(kErrorPrompt), quit.screen);
  EXPECT_EQ("", quit.err);

  spec.rows = 10;
  PtySession fits(spec);
  EXPECT_EQ(1, fits.finish(10000));
  EXPECT_EQ("", fits.screen());
  EXPECT_EQ(kStopDateText, fits.err());
  EXPECT_EQ(names_after(0, 3), dir.tree());
}

// With one line a page the stop line itself fills the next page: after
// Continue a last prompt follows it, and the run ends whatever the key;
// after All nothing more is asked.
TEST(OutputPagerTest, StopLineIsCountedLikeAnyOutput) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  TempDir dir;
  make_files(&dir, 3);
  PtySpec spec = paged_run(dir, {"/date"});
  spec.rows = 3;
  PtyResult go_on = run_in_pty(spec, {{kErrorPrompt, " "}, {kPrompt, " "}});
  EXPECT_TRUE(go_on.all_steps_seen);
  EXPECT_EQ(1, go_on.exit_code);
  EXPECT_EQ(answered(kErrorPrompt) + answered(kPrompt), go_on.screen);
  EXPECT_EQ(kStopDateText, go_on.err);

  PtyResult all = run_in_pty(spec, {{kErrorPrompt, "A"}});
  EXPECT_TRUE(all.all_steps_seen);
  EXPECT_EQ(1, all.exit_code);
  EXPECT_EQ(answered(kErrorPrompt), all.screen);
  EXPECT_EQ(kStopDateText, all.err);
}

TEST(OutputPagerTest, UsageTextPausesOnATerminal) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  TempDir dir;
  PtySpec spec;
  spec.directory = dir.path();
  spec.args = {"a", "b"};
  spec.rows = 25;
  PtyResult all = run_in_pty(spec, {{kPrompt, " "}, {kPrompt, "A"}});
  EXPECT_TRUE(all.all_steps_seen);
  EXPECT_EQ(1, all.exit_code);
  // (The text itself names the prompt once, so count answered prompts.)
  EXPECT_EQ(2u, count_of(all.screen, answered(kPrompt)));
  // The rest of the text followed the second prompt.
  size_t second = all.screen.rfind(answered(kPrompt));
  ASSERT_NE(std::string::npos, second);
  EXPECT_GT(all.screen.size() - second, 2000u);

  PtyResult quit = run_in_pty(spec, {{kPrompt, "q"}});
  EXPECT_EQ(1, quit.exit_code);
  EXPECT_EQ(1u, count_of(quit.screen, answered(kPrompt)));
  EXPECT_EQ(quit.screen.size(),
            quit.screen.find(answered(kPrompt)) + answered(kPrompt).size());
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

// Runs kavo in `dir` and notes the moments around the run in `*entry`.
RunResult timed_run(const TempDir& dir, const std::vector<std::string>& args,
                    LogEntry* entry) {
  entry->before = time(nullptr);
  RunResult r = run_kavo(dir.path(), args);
  entry->after = time(nullptr);
  // The path and the two strings each end with a space; the rest are
  // joined by spaces.
  entry->command = own_path() + " " + args[0] + " " + args[1] + " ";
  for (size_t i = 2; i < args.size(); ++i) {
    entry->command += (i > 2 ? " " : "") + args[i];
  }
  return r;
}

TEST(OutputLogTest, CreatedLogHoldsHeaderOutputAndFooter) {
  TempDir dir;
  make_files(&dir, 2);
  dir.file("run.txt", "old content\r\n");
  LogEntry entry;
  RunResult r = timed_run(dir, {"a", "b", "/logrun.txt", "a*.txt"}, &entry);
  EXPECT_EQ(0, r.exit_code);
  EXPECT_EQ(result_lines(1, 2) + totals(2), r.out);
  EXPECT_EQ("", r.err);
  entry.body = result_lines(1, 2, "\r\n") + "\r\n改名成功:2個\r\n";
  std::string log = read_file(dir.at("run.txt"));
  EXPECT_TRUE(is_log(log, "", entry)) << log;
}

TEST(OutputLogTest, AppendAddsARuleLineOnlyAfterAnExistingFile) {
  const std::string olds[] = {"", "old entry\r\n"};
  for (const std::string& old : olds) {
    TempDir dir;
    make_files(&dir, 1);
    dir.file("run.txt", old);
    LogEntry entry;
    RunResult r = timed_run(dir, {"a", "b", "/LOGrun.txt", "a*.txt"}, &entry);
    EXPECT_EQ(0, r.exit_code);
    entry.body = result_lines(1, 1, "\r\n") + "\r\n改名成功:1個\r\n";
    std::string log = read_file(dir.at("run.txt"));
    EXPECT_TRUE(is_log(log, old + kRule + "\r\n", entry)) << log;
  }
  TempDir dir;
  make_files(&dir, 1);
  LogEntry entry;
  RunResult r = timed_run(dir, {"a", "b", "/LOGrun.txt", "a*.txt"}, &entry);
  EXPECT_EQ(0, r.exit_code);
  entry.body = result_lines(1, 1, "\r\n") + "\r\n改名成功:1個\r\n";
  std::string log = read_file(dir.at("run.txt"));
  EXPECT_TRUE(is_log(log, "", entry)) << log;
}

TEST(OutputLogTest, LogAloneTurnsLoggingOff) {
  TempDir dir;
  make_files(&dir, 1);
  RunResult r =
      run_kavo(dir.path(), {"a", "b", "/logrun.txt", "/log", "a*.txt"});
  EXPECT_EQ(0, r.exit_code);
  EXPECT_FALSE(exists(dir.at("run.txt")));
  EXPECT_EQ(names_after(1, 1), dir.tree());
}

TEST(OutputLogTest, LogInAMissingDirectoryStopsBeforeRenaming) {
  TempDir dir;
  make_files(&dir, 2);
  RunResult r =
      run_kavo(dir.path(), {"a", "b", "/lognodir\\run.txt", "a*.txt"});
  EXPECT_EQ(1, r.exit_code);
  EXPECT_EQ("", r.out);
  EXPECT_EQ(
      "\n\a処理停止:ログ・ファイル\"nodir\\run.txt\"がオープン出来ません。\n",
      r.err);
  EXPECT_EQ(names_after(0, 2), dir.tree());
}

TEST(OutputLogTest, FailedLogWritesAreReportedAtTheEnd) {
  TempDir dir;
  make_files(&dir, 2);
  ASSERT_EQ(0, symlink("/dev/full", dir.at("full.txt").c_str()));
  RunResult r = run_kavo(dir.path(), {"a", "b", "/logfull.txt", "a*.txt"});
  EXPECT_EQ(1, r.exit_code);
  EXPECT_EQ(result_lines(1, 2) + totals(2), r.out);
  EXPECT_EQ(
      "\n\a処理停止:ログ・ファイル\"full.txt\"の出力に異常を検出しました。\n",
      r.err);
  EXPECT_EQ(names_after(2, 2), without(dir.tree(), "full.txt"));
}

TEST(OutputLogTest, LogHeldByAnotherProcessStopsBeforeRenaming) {
  if (windows_build()) GTEST_SKIP() << "holds the log with flock";
  TempDir dir;
  make_files(&dir, 2);
  dir.file("run.txt", "held\r\n");
  int ready[2];
  int release[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(release));
  pid_t holder = fork();
  if (holder == 0) {
    int fd = open(dir.at("run.txt").c_str(), O_RDONLY);
    flock(fd, LOCK_EX);
    char c = 'x';
    if (write(ready[1], &c, 1) != 1) _exit(1);
    if (read(release[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  for (const std::string option : {"/logrun.txt", "/LOGrun.txt"}) {
    RunResult r = run_kavo(dir.path(), {"a", "b", option, "a*.txt"});
    EXPECT_EQ(1, r.exit_code) << option;
    EXPECT_EQ("", r.out);
    EXPECT_EQ("\n\a処理停止:ログ・ファイル\"run.txt\"がオープン中です。\n",
              r.err);
  }
  EXPECT_EQ(1, write(release[1], "x", 1));
  waitpid(holder, nullptr, 0);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  EXPECT_EQ("held\r\n", read_file(dir.at("run.txt")));
  EXPECT_EQ(names_after(0, 2), without(dir.tree(), "run.txt"));
}

TEST(OutputLogTest, FatalErrorEndsTheLogWithItsStopLineAndNoFooter) {
  TempDir dir;
  make_files(&dir, 2);
  LogEntry entry;
  RunResult r =
      timed_run(dir, {"a", "b", "/date", "/logrun.txt", "a*.txt"}, &entry);
  EXPECT_EQ(1, r.exit_code);
  EXPECT_EQ("", r.out);
  EXPECT_EQ(kStopDateText, r.err);
  entry.body = "\r\n処理停止:メモリー不足で改名できません。\r\n";
  entry.footer = false;
  std::string log = read_file(dir.at("run.txt"));
  EXPECT_TRUE(is_log(log, "", entry)) << log;
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

TEST(OutputLogTest, LogIsWrittenInTheExternalEncoding) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  make_files(&dir, 1);
  RunSpec spec;
  spec.directory = dir.path();
  spec.args = {"a", "b", "/logrun.txt", "a*.txt"};
  spec.env = {"KAVO_ENCODING=UTF-8", "TZ=UTC"};
  RunResult r = run_command(spec);
  EXPECT_EQ(0, r.exit_code);
  EXPECT_EQ(utf8(u8"a01.txt→b01.txt\n\n改名成功:1個\n"), r.out);
  std::string log = read_file(dir.at("run.txt"));
  EXPECT_EQ(0u, log.find(utf8(u8"kavo実行開始 "))) << log;
  EXPECT_NE(
      std::string::npos,
      log.find(utf8(u8"\r\n\r\na01.txt→b01.txt\r\n\r\n改名成功:1個\r\n\r\n"
                    u8"kavo実行終了 ")))
      << log;
  EXPECT_NE(std::string::npos, log.find(utf8(u8"（処理時間 00時間00分0")));
}

}  // namespace
}  // namespace kavo_test

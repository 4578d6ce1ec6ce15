// End-to-end: names and output in the user's encoding, and Linux names that
// hold bytes Windows forbids, renamed byte for byte.

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "tests/harness.h"

namespace kavo_test {
namespace {

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// `text` (Shift-JIS, as the literals of this file are) in `charset`.
std::string from_sjis(const std::string& text, const char* charset) {
  iconv_t cd = iconv_open(charset, "CP932");
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* op = out.data();
  size_t out_left = out.size();
  size_t r = iconv(cd, &in, &in_left, &op, &out_left);
  iconv_close(cd);
  EXPECT_NE(static_cast<size_t>(-1), r);
  out.resize(out.size() - out_left);
  return out;
}

RunResult run_in(const TempDir& dir, const std::vector<std::string>& env,
                 const std::vector<std::string>& args) {
  RunSpec spec;
  spec.directory = dir.path();
  spec.env = env;
  spec.args = args;
  return run_command(spec);
}

const std::vector<std::string> kUtf8 = {"KAVO_ENCODING=UTF-8", "TZ=UTC"};

std::string utf8(const std::string& sjis) { return from_sjis(sjis, "UTF-8"); }

TEST(EncodingUtf8E2e, JapaneseNamesAreRenamedAndShownInUtf8) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file(u8(u8"写真1.jpg"));
  dir.file(u8(u8"写真2.jpg"));
  RunResult r = run_in(dir, kUtf8, {u8(u8"写真"), u8(u8"旅行"), "*.jpg"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ(utf8("写真1.jpg→旅行1.jpg\n写真2.jpg→旅行2.jpg\n\n改名成功:2個\n"),
            r.out);
  EXPECT_EQ((std::vector<std::string>{u8(u8"旅行1.jpg"), u8(u8"旅行2.jpg")}),
            dir.tree());
}

TEST(EncodingUtf8E2e, LocaleGivesTheEncodingWithoutKavoEncoding) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file("a.txt");
  RunResult r =
      run_in(dir, {"LANG=C.UTF-8", "TZ=UTC"}, {"a", u8(u8"表"), "a.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ(utf8("a.txt→表.txt\n\n改名成功:1個\n"), r.out);
  EXPECT_EQ((std::vector<std::string>{u8(u8"表.txt")}), dir.tree());
}

TEST(EncodingUtf8E2e, NameWithoutShiftJisFormIsKept) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  const std::string emoji = u8(u8"😀");
  dir.file("a" + emoji + ".txt");
  RunResult r = run_in(dir, kUtf8, {"a", "b", "*.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ("a" + emoji + ".txt" + utf8("→") + "b" + emoji + ".txt\n\n" +
                utf8("改名成功:1個\n"),
            r.out);
  EXPECT_EQ((std::vector<std::string>{"b" + emoji + ".txt"}), dir.tree());

  // The old string can name the character itself.
  r = run_in(dir, kUtf8, {emoji, "-smile", "*.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"b-smile.txt"}), dir.tree());
}

TEST(EncodingUtf8E2e, InvalidUtf8NameIsRenamedByteForByte) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file("bad\xFF\xC3.txt", "content");
  RunResult r = run_in(dir, kUtf8, {"bad", "good", "*.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"good\xFF\xC3.txt"}), dir.tree());
  EXPECT_EQ("content", read_file(dir.at("good\xFF\xC3.txt")));
  EXPECT_EQ("bad\xFF\xC3.txt" + utf8("→") + "good\xFF\xC3.txt\n\n" +
                utf8("改名成功:1個\n"),
            r.out);
}

TEST(EncodingUtf8E2e, ColonAndBackslashInLinuxNamesAreNameBytes) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file("1:00.mp3");
  dir.file("a\\b.txt");
  RunResult r = run_in(dir, kUtf8, {"00", "30", "1:00.mp3"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ(utf8("1:00.mp3→1:30.mp3\n\n改名成功:1個\n"), r.out);
  r = run_in(dir, kUtf8, {"b", "c", "a\\b.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"1:30.mp3", "a\\c.txt"}), dir.tree());
}

TEST(EncodingUtf8E2e, WildcardRenameNeverMatchesInsideAnEscape) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file("a:3.txt");
  dir.file("a|3.txt");
  RunResult r = run_in(dir, kUtf8, {"3", "4", "a*"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"a:4.txt", "a|4.txt"}), dir.tree());
}

TEST(EncodingUtf8E2e, OldStringColonMatchesColonInNames) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file("1:00.mp3");
  RunResult r = run_in(dir, kUtf8, {":", "-", "*.mp3"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"1-00.mp3"}), dir.tree());
}

TEST(EncodingUtf8E2e, SlashSeparatesDirectoriesInPatterns) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file(u8(u8"sub/日記1.txt"));
  RunResult r = run_in(dir, kUtf8, {u8(u8"日記"), "diary", "sub/*.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"sub/", "sub/diary1.txt"}), dir.tree());
}

TEST(EncodingUtf8E2e, ShellExpandedAbsolutePathsAreFileArguments) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file("x1.txt");
  dir.file("x2.txt");
  RunResult r =
      run_in(dir, kUtf8, {"x", "y", dir.at("x1.txt"), dir.at("x2.txt")});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ((std::vector<std::string>{"y1.txt", "y2.txt"}), dir.tree());
}

TEST(EncodingUtf8E2e, LogIsWrittenInUtf8WithCrLf) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  dir.file(u8(u8"写真.jpg"));
  RunResult r = run_in(dir, kUtf8, {u8(u8"写真"), "p", "*.jpg", "/logrun.log"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  std::string log = read_file(dir.at("run.log"));
  EXPECT_NE(std::string::npos, log.find(utf8("写真.jpg→p.jpg\r\n"))) << log;
  EXPECT_EQ(std::string::npos, log.find("\x8E\xCA")) << "Shift-JIS in log";
}

TEST(EncodingOtherE2e, EucJpNamesAndOutput) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  TempDir dir;
  const char* euc = "EUC-JP";
  dir.file(from_sjis("日本.txt", euc));
  RunResult r =
      run_in(dir, {"KAVO_ENCODING=EUC-JP", "TZ=UTC"},
             {from_sjis("日本", euc), from_sjis("東京", euc), "*.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ(from_sjis("日本.txt→東京.txt\n\n改名成功:1個\n", euc), r.out);
  EXPECT_EQ((std::vector<std::string>{from_sjis("東京.txt", euc)}), dir.tree());
}

TEST(EncodingOtherE2e, Cp932NamesWithTrailByteFiveC) {
  TempDir dir;
  dir.file("表.txt");  // 0x95 0x5C: the trail byte is a backslash
  RunResult r = run_kavo(dir.path(), {"表", "裏", "*.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ("表.txt→裏.txt\n\n改名成功:1個\n", r.out);
  EXPECT_EQ((std::vector<std::string>{"裏.txt"}), dir.tree());
  // A colon is a name byte only in Linux names.
  if (windows_build()) return;
  dir.file("1:2.txt");
  r = run_kavo(dir.path(), {"2", "3", "1:2.txt"});
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_EQ("1:2.txt→1:3.txt\n\n改名成功:1個\n", r.out);
  EXPECT_EQ((std::vector<std::string>{"1:3.txt", "裏.txt"}), dir.tree());
}

}  // namespace
}  // namespace kavo_test

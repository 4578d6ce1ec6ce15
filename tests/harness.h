// Helpers for the end-to-end tests: a temporary directory tree and a way to
// run the built command in it and collect its output and exit code.

#ifndef KAVO_TESTS_HARNESS_H_
#define KAVO_TESTS_HARNESS_H_

#include <string>
#include <vector>

namespace kavo_test {

// What one run of the command gave.
struct RunResult {
  int exit_code = -1;  // -1 when the process did not exit normally
  std::string out;     // standard output bytes
  std::string err;     // standard error bytes
};

// How to run the command.
struct RunSpec {
  std::string binary;             // empty: the built kavo
  std::string directory;          // working directory
  std::vector<std::string> args;  // arguments after argument 0
  // Environment of the child: exactly these (plus PATH); default gives
  // byte-exact Shift-JIS output in UTC.
  std::vector<std::string> env = {"KAVO_ENCODING=CP932", "TZ=UTC"};
  int timeout_seconds = 60;
};

RunResult run_command(const RunSpec& spec);

// Runs the built kavo in `directory` with `args` and the default
// environment.
RunResult run_kavo(const std::string& directory,
                   const std::vector<std::string>& args);

// A command started like run_command and left running, its standard input
// an open pipe and its output discarded. Ends when finish() closes that
// input (or when the object goes) and the command exits.
class BackgroundRun {
 public:
  explicit BackgroundRun(const RunSpec& spec);
  ~BackgroundRun();
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  // Closes the input and waits; the exit code, -1 if killed or abnormal.
  int finish();

 private:
  int pid_ = -1;
  int input_ = -1;
  int timeout_seconds_ = 60;
  int exit_code_ = -1;
};

// True when some process on the machine has the file `path` open (read
// from /proc; Wine's server holds the files of Windows programs).
bool held_open(const std::string& path);

// A directory under $TMPDIR (or /tmp), removed with everything in it when
// the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string at(const std::string& relative) const;
  // Creates a file (and its parent directories) with `content`.
  void file(const std::string& relative, const std::string& content = "");
  // Creates a directory (and its parents).
  void dir(const std::string& relative);
  // Every entry below the directory, as sorted relative paths; directories
  // end in '/'.
  std::vector<std::string> tree() const;

 private:
  std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string read_file(const std::string& path);

// Writes `content` to `path`, replacing it.
void write_file(const std::string& path, const std::string& content);

// True when something exists at `path` (links not followed).
bool exists(const std::string& path);

// The command under test: $KAVO_TEST_BINARY when set (e.g. the Windows
// build's kavo.exe), else the built kavo.
std::string kavo_binary();

// True when the command under test is the Windows build (run by
// $KAVO_TEST_RUNNER, e.g. wine); Linux-only cases skip themselves then.
//
// For the Windows build run_command starts `$KAVO_TEST_RUNNER binary
// args...` with the environment Wine needs (its prefix, no display,
// LANG=ja_JP.UTF-8 for code page 932); arguments and environment values,
// which tests write in Shift-JIS, reach Wine in UTF-8, and the CR LF line
// ends of standard output and error are given back as LF, so that the same
// expectations hold for both builds. TempDir stores names in UTF-8 there too
// (Wine's file names), taking and giving them in Shift-JIS.
bool windows_build();

// The command that runs the command under test: $KAVO_TEST_RUNNER, empty
// for the Linux build.
std::string test_runner();

// An absolute Linux path as the command under test shows it: `\`
// separators, and on the Windows build behind the drive letter that Wine
// gives it (/tmp/x -> \tmp\x on Linux, Z:\tmp\x under Wine).
std::string program_path(const std::string& linux_path);

// An absolute Linux path as a file argument for the command under test: as
// it is for the Linux build, program_path() for the Windows build.
std::string argument_path(const std::string& linux_path);

// How often `part` stands in `text`, matches not overlapping.
size_t count_of(const std::string& text, const std::string& part);

// `text` converted between two iconv character sets; unchanged when it
// does not convert.
std::string convert(const std::string& text, const char* to, const char* from);

// Turns `binary` (empty: the command under test), `args` and `env` into
// what is started: under the runner, with Wine's environment and Wine's
// text, for the Windows build; PATH added.
void prepare_command(std::string* binary, std::vector<std::string>* args,
                     std::vector<std::string>* env);

// In a child process: runs `binary` (looked for on the test's PATH when it
// holds no '/') with `args` after argument 0 and exactly `env`; exit code
// 127 when it cannot be run.
[[noreturn]] void exec_command(const std::string& binary,
                               const std::vector<std::string>& args,
                               const std::vector<std::string>& env);

// Copies the command under test to `relative` in `dir`, executable, and
// gives the copy's path (its configuration file then lies beside it).
std::string copy_command(TempDir* dir, const std::string& relative);

// The name of a copy of the command: `base` on Linux, `base`.exe on
// Windows.
std::string executable_name(const std::string& base);

}  // namespace kavo_test

#endif  // KAVO_TESTS_HARNESS_H_

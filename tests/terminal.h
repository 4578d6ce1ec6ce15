// Runs the command under test on a pseudo-terminal, as a user at a console
// would, for what a transcript cannot drive: paging keys, and a run held at
// a prompt while its tree is changed.

#ifndef KAVO_TESTS_TERMINAL_H_
#define KAVO_TESTS_TERMINAL_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavo_test {

// The command under test: $KAVO_TEST_BINARY (kavo.exe, run by
// $KAVO_TEST_RUNNER, e.g. wine) or the built kavo.
bool windows_build();

// A scratch directory, removed with everything in it when the object goes;
// `sh` runs a shell command in it.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  const std::string& path() const { return path_; }
  void sh(const std::string& command) const;
  // The output of a shell command run in the directory.
  std::string out(const std::string& command) const;

 private:
  std::string path_;
};

// One run on a terminal of `rows` rows and 80 columns, echo and output
// processing off, in `dir`, Shift-JIS output in UTC on Linux. Standard
// error, and standard output when not `on_terminal`, go to pipes.
class Terminal {
 public:
  Terminal(const std::string& dir, const std::vector<std::string>& args,
           int rows = 10, bool on_terminal = true,
           const std::string& encoding = "CP932");
  ~Terminal();

  // Waits until `text` appears after the previous match; false when the
  // command ended or 10 s passed first.
  bool wait_for(const std::string& text);
  // Types `keys` once the command reads a key (the terminal leaves
  // canonical mode; under Wine, after a moment), or at once.
  bool answer(const std::string& keys, bool when_read = true);
  // Reads to the end; the exit code, -1 when it did not exit in 30 s.
  int finish();

  std::string screen, out, err;

 private:
  bool pump(int timeout_ms);
  pid_t pid_ = -1;
  int fds_[3] = {-1, -1, -1};  // terminal, stdout pipe, stderr pipe
  size_t matched_ = 0;
};

}  // namespace kavo_test

#endif  // KAVO_TESTS_TERMINAL_H_

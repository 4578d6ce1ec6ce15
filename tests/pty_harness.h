// Runs the built command on a pseudo-terminal, as a user at a console
// would: a window of chosen size, the terminal as standard input and output
// and as the controlling terminal, keys typed when chosen texts appear.

#ifndef KAVO_TESTS_PTY_HARNESS_H_
#define KAVO_TESTS_PTY_HARNESS_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavo_test {

// The terminal has echo and output processing off, so that the screen holds
// the command's bytes exactly; standard error is always a pipe of its own.
struct PtySpec {
  std::string binary;             // empty: the built kavo
  std::string directory;          // working directory
  std::vector<std::string> args;  // arguments after argument 0
  // Environment of the child (plus PATH), as in RunSpec.
  std::vector<std::string> env = {"KAVO_ENCODING=CP932", "TZ=UTC"};
  int rows = 10;  // the window's rows; it has 80 columns
  // Standard output on the terminal, or on a pipe of its own. Standard
  // input is always the terminal.
  bool stdout_on_terminal = true;
};

// One running command on its own terminal. The destructor kills it if it
// is still running.
class PtySession {
 public:
  explicit PtySession(const PtySpec& spec);
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  // Waits until `text` appears on the screen after the end of the previous
  // match. False when the command ended or the time ran out first.
  bool wait_for(const std::string& text, int timeout_ms = 10000);
  // Types `keys` (written to the terminal's master side at once).
  void send(const std::string& keys);
  // Types `keys` as the answer to a prompt just seen, once the command
  // reads its answer: it discards keys typed before that and then reads in
  // non-canonical mode, which the terminal's settings show. False when it
  // never got there.
  bool answer(const std::string& keys, int timeout_ms = 10000);
  // Collects everything until the command exits and returns its exit code;
  // -1 when it did not exit normally or was killed after the timeout.
  int finish(int timeout_ms = 30000);

  // Everything read from the terminal so far.
  const std::string& screen() const { return screen_; }
  // What went to the pipes: standard error, and standard output when it
  // was not on the terminal.
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  // Reads what is available within `timeout_ms`; false once nothing more
  // can arrive.
  bool pump(int timeout_ms);
  // True while the terminal is in non-canonical mode (a key read).
  bool reading_key() const;

  pid_t pid_ = -1;
  int master_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  size_t matched_to_ = 0;
  std::string screen_;
  std::string out_;
  std::string err_;
};

// One moment of a scripted run: wait for `wait_for` (when not empty), then
// type `keys`, as the answer to a prompt (see PtySession::answer) or once.
struct PtyStep {
  std::string wait_for;
  std::string keys;
  bool is_answer = true;
};

struct PtyResult {
  int exit_code = -1;
  bool all_steps_seen = true;  // every awaited text appeared and every
                               // answer was taken
  std::string screen;
  std::string out;
  std::string err;
};

// Runs the command through `steps` and to its end.
PtyResult run_in_pty(const PtySpec& spec, const std::vector<PtyStep>& steps);

}  // namespace kavo_test

#endif  // KAVO_TESTS_PTY_HARNESS_H_

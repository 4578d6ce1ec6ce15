// The whole command from its arguments to its exit code.

#ifndef KAVO_DRIVER_RUN_H_
#define KAVO_DRIVER_RUN_H_

#include <cstdint>

namespace kavo {

// Runs the command and returns its exit code 0, 1 or 2. Fatal errors, the
// usage text and Quit at a page prompt end the run early with exit code 1;
// those still return here (RunAborted is caught), so tests can call this
// in process.
int run_command(int argc, char** argv);

// Wall-clock stopwatch in local calendar seconds.
struct ElapsedClock {
  int start_year = 0;
  int64_t start_second = 0;
};

// Starts the stopwatch at the local time now.
void elapsed_clock_start(ElapsedClock* clock);

// Seconds since elapsed_clock_start, counted in local calendar time.
uint32_t elapsed_clock_seconds(const ElapsedClock& clock);

}  // namespace kavo

#endif  // KAVO_DRIVER_RUN_H_

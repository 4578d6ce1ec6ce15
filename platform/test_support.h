// Fixtures for the unit tests, with the same calls on Linux and Windows: a
// scratch directory, the process environment and the time zone. Linked
// into the test executables only.

#ifndef KAVO_PLATFORM_TEST_SUPPORT_H_
#define KAVO_PLATFORM_TEST_SUPPORT_H_

#include <cstdint>
#include <string>

namespace kavo_testing {

// A new empty directory for one test, removed with everything in it when
// the object goes. Paths below it are given relative, `/` separated.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The path of `relative` (empty: the directory itself) as the operating
  // system takes it.
  std::string native(const std::string& relative = "") const;
  // The same path in the program's internal form (`\` separated).
  std::string internal(const std::string& relative = "") const;

  // Creates the directory `relative`; false on failure.
  bool make_dir(const std::string& relative) const;
  // Creates or replaces the file `relative` with `bytes`; false on failure.
  bool write(const std::string& relative, const std::string& bytes = "") const;
  // The bytes of the file `relative`; empty when it cannot be read.
  std::string read(const std::string& relative) const;

 private:
  std::string root_;
};

// Sets the environment variable `name` of this process to `value`, or
// removes it when `value` is null.
void set_environment(const std::string& name, const char* value);

// Makes the C library take local time in `zone` (a TZ value such as "UTC"
// or "JST-9") from now on.
void use_time_zone(const char* zone);

// Seconds since 1970-01-01 00:00:00 UTC of a UTC calendar time.
int64_t utc_seconds(int year, int month, int day, int hour = 0, int minute = 0,
                    int second = 0);

}  // namespace kavo_testing

#endif  // KAVO_PLATFORM_TEST_SUPPORT_H_

// The Linux side of the test fixtures.

#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "platform/test_support.h"

namespace kavo_testing {

void set_environment(const std::string& name, const char* value) {
  if (value != nullptr) {
    setenv(name.c_str(), value, 1);
  } else {
    unsetenv(name.c_str());
  }
}

void use_time_zone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

int redirect_descriptor(int fd, const std::string& path) {
  int saved = dup(fd);
  int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  dup2(file, fd);
  close(file);
  return saved;
}

void restore_descriptor(int fd, int saved) {
  dup2(saved, fd);
  close(saved);
}

}  // namespace kavo_testing

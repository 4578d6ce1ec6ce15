// The Windows side of the test fixtures. The C library's descriptors 1 and
// 2 also set the process's standard handles, which the program writes to.

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include "platform/test_support.h"

namespace kavo_testing {

void set_environment(const std::string& name, const char* value) {
  // _putenv_s updates the process environment block as well, where the
  // program looks variables up.
  _putenv_s(name.c_str(), value != nullptr ? value : "");
}

void use_time_zone(const char* zone) {
  _putenv_s("TZ", zone);
  _tzset();
}

int redirect_descriptor(int fd, const std::string& path) {
  int saved = _dup(fd);
  int file = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                   _S_IREAD | _S_IWRITE);
  _dup2(file, fd);
  _close(file);
  return saved;
}

void restore_descriptor(int fd, int saved) {
  _dup2(saved, fd);
  _close(saved);
}

}  // namespace kavo_testing

#include "platform/test_support.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace kavo_testing {

namespace fs = std::filesystem;

// A fresh name below the system's temporary directory; a name another test
// process took is never reused.
ScratchDir::ScratchDir() {
  std::mt19937_64 random(std::random_device{}());
  fs::path path;
  do {
    path =
        fs::temp_directory_path() / ("kavo-unit-" + std::to_string(random()));
  } while (!fs::create_directory(path));
  root_ = path.string();
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  fs::remove_all(fs::path(root_), error);
}

std::string ScratchDir::native(const std::string& relative) const {
  return relative.empty()
             ? root_
             : (fs::path(root_) / relative).make_preferred().string();
}

std::string ScratchDir::internal(const std::string& relative) const {
  std::string path = native(relative);
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

bool ScratchDir::make_dir(const std::string& relative) const {
  std::error_code error;
  return fs::create_directory(fs::path(native(relative)), error);
}

bool ScratchDir::write(const std::string& relative,
                       const std::string& bytes) const {
  std::ofstream out(native(relative), std::ios::binary | std::ios::trunc);
  return out << bytes && out.flush();
}

void set_environment(const std::string& name, const char* value) {
#ifdef _WIN32
  // Updates the process environment block too, where the program looks;
  // an empty value removes the variable.
  _putenv_s(name.c_str(), value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name.c_str(), value, 1);
  } else {
    unsetenv(name.c_str());
  }
#endif
}

}  // namespace kavo_testing

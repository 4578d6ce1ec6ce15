// The test fixtures: std::filesystem makes most of them the same on both
// platforms.

#include "platform/test_support.h"

#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace kavo_testing {

namespace fs = std::filesystem;

namespace {

// A fresh name below the system's temporary directory; a name already
// taken (another test process) is never reused.
std::string create_unique_directory() {
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate =
        fs::temp_directory_path() / ("kavo-unit-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) return candidate.string();
  }
  throw std::runtime_error("no scratch directory could be created");
}

}  // namespace

ScratchDir::ScratchDir() : root_(create_unique_directory()) {}

ScratchDir::~ScratchDir() {
  std::error_code error;
  fs::remove_all(fs::path(root_), error);
}

std::string ScratchDir::native(const std::string& relative) const {
  if (relative.empty()) return root_;
  return (fs::path(root_) / fs::path(relative).make_preferred()).string();
}

std::string ScratchDir::internal(const std::string& relative) const {
  std::string path = native(relative);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool ScratchDir::make_dir(const std::string& relative) const {
  std::error_code error;
  return fs::create_directory(fs::path(native(relative)), error);
}

bool ScratchDir::write(const std::string& relative,
                       const std::string& bytes) const {
  std::ofstream out(native(relative), std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

std::string ScratchDir::read(const std::string& relative) const {
  std::ifstream in(native(relative), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

#ifdef _WIN32
// _putenv_s updates the process environment block as well, where the
// program looks variables up; an empty value removes the variable.
void set_environment(const std::string& name, const char* value) {
  _putenv_s(name.c_str(), value != nullptr ? value : "");
}

void use_time_zone(const char* zone) {
  _putenv_s("TZ", zone);
  _tzset();
}
#else
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
#endif

// Days from 1970-01-01 by the era arithmetic of the proleptic Gregorian
// calendar.
int64_t utc_seconds(int year, int month, int day, int hour, int minute,
                    int second) {
  int64_t y = year - (month <= 2);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t year_of_era = y - era * 400;
  const int64_t day_of_year =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t days = era * 146097 + year_of_era * 365 + year_of_era / 4 -
                       year_of_era / 100 + day_of_year - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

}  // namespace kavo_testing

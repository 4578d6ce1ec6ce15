// The parts of the test fixtures that std::filesystem makes the same on
// both platforms.

#include "platform/test_support.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/platform.h"

namespace kavo_testing {

namespace fs = std::filesystem;

namespace {

// A fresh name below the system's temporary directory; a name already
// taken (another test process) is never reused.
std::string create_unique_directory() {
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("kavo-unit-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) return candidate.string();
  }
  throw std::runtime_error("no scratch directory could be created");
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t days_from_epoch(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
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
  return internal_form(native(relative));
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

bool ScratchDir::exists(const std::string& relative) const {
  std::error_code error;
  fs::file_type type =
      fs::symlink_status(fs::path(native(relative)), error).type();
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

std::string internal_form(std::string native) {
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return native;
}

int64_t utc_seconds(int year, int month, int day, int hour, int minute,
                    int second) {
  return days_from_epoch(year, month, day) * 86400 + hour * 3600 + minute * 60 +
         second;
}

CapturedOutput::CapturedOutput(const ScratchDir& dir) : dir_(dir) {
  kavo::console_flush();
  saved_out_ = redirect_descriptor(1, dir.native("captured.out"));
  saved_err_ = redirect_descriptor(2, dir.native("captured.err"));
}

CapturedOutput::~CapturedOutput() { restore(); }

std::string CapturedOutput::out() {
  restore();
  return dir_.read("captured.out");
}

std::string CapturedOutput::err() {
  restore();
  return dir_.read("captured.err");
}

void CapturedOutput::restore() {
  if (saved_out_ < 0) return;
  kavo::console_flush();
  restore_descriptor(1, saved_out_);
  restore_descriptor(2, saved_err_);
  saved_out_ = saved_err_ = -1;
}

WorkingDirectory::WorkingDirectory(const std::string& path)
    : previous_(fs::current_path().string()) {
  fs::current_path(fs::path(path));
}

WorkingDirectory::~WorkingDirectory() {
  std::error_code error;
  fs::current_path(fs::path(previous_), error);
}

}  // namespace kavo_testing

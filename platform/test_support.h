// The unit tests' scratch directory, the same on Linux and Windows.

#ifndef KAVO_PLATFORM_TEST_SUPPORT_H_
#define KAVO_PLATFORM_TEST_SUPPORT_H_

#include <string>

namespace kavo_testing {

// A new empty directory, removed with everything in it when the object
// goes. Paths below it are given relative, `/` separated.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  // The path of `relative` (empty: the directory itself) as the operating
  // system takes it, and in the program's internal form (`\` separated).
  std::string native(const std::string& relative = "") const;
  std::string internal(const std::string& relative = "") const;
  // Creates the directory, or writes the file with `bytes`; false on failure.
  bool make_dir(const std::string& relative) const;
  bool write(const std::string& relative, const std::string& bytes = "") const;

 private:
  std::string root_;
};

// Sets the environment variable `name` to `value`, or removes it (null).
void set_environment(const std::string& name, const char* value);

}  // namespace kavo_testing

#endif  // KAVO_PLATFORM_TEST_SUPPORT_H_

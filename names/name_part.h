// Which part of an entry's name the old string works on, and the new path
// that replacing it gives.

#ifndef KAVO_NAMES_NAME_PART_H_
#define KAVO_NAMES_NAME_PART_H_

#include <string>

namespace kavo {

struct RunOptions;

// Values of RunOptions::name_part.
enum NamePart {
  kWholeName = 0,
  kBodyRight = 1,
  kExtensionRight = 2,
  kBodyLeft = 3,
  kExtensionLeft = 4,
};

// Computes into `*new_path` the entry path `path` with only the chosen name
// part changed (old string replaced, or new string inserted, appended or
// made the extension). Returns false when nothing is replaced; `*new_path`
// is then not to be used. The same name again still answers true.
bool compute_new_path(const std::string& path, const std::string& old_string,
                      const std::string& new_string, const RunOptions& options,
                      std::string* new_path);

}  // namespace kavo

#endif  // KAVO_NAMES_NAME_PART_H_

// Which part of an entry's name the old string works on, and the new path
// that replacing it gives.

#ifndef KAVO_NAMES_NAME_PART_H_
#define KAVO_NAMES_NAME_PART_H_

#include <string>

#include "names/pattern.h"

namespace kavo {

// The part of a name the old string works on: the whole name, or the body
// or the extension split at the last period (Right) or the first (Left).
enum NamePart {
  kWholeName = 0,
  kBodyRight = 1,
  kExtensionRight = 2,
  kBodyLeft = 3,
  kExtensionLeft = 4,
};

// How a name is changed: the part, and how the old string matches in it
// (letter case; anchored at the part's start or end).
struct NameChange {
  NamePart part = kBodyRight;
  MatchFlags match;
};

// Computes into `*new_path` the entry path `path` with only the chosen name
// part changed (old string replaced, or new string inserted, appended or
// made the extension). Returns false when nothing is replaced; `*new_path`
// is then not to be used (nor may it be `path` itself). The same name
// again still answers true.
bool compute_new_path(const std::string& path, const std::string& old_string,
                      const std::string& new_string, const NameChange& change,
                      std::string* new_path);

// The same for a path whose name begins at `begin` (the walk knows where it
// put the name), with the old string prepared once (prepare_pattern with
// change.match), as a run does for its many names.
bool compute_new_path(const std::string& path, size_t begin,
                      const NamePattern& old, const std::string& new_string,
                      const NameChange& change, std::string* new_path);

}  // namespace kavo

#endif  // KAVO_NAMES_NAME_PART_H_

// File arguments turned into a directory and a name pattern, and the path
// operations that ask the file system (the pure path text is in
// text/path_text.h).

#ifndef KAVO_TARGETS_PATHS_H_
#define KAVO_TARGETS_PATHS_H_

#include <cstdint>
#include <string>

namespace kavo {

struct RunContext;

// What probe_target finds at a path.
enum TargetKind {
  kTargetMissing = 0,
  kTargetDirectory = 1,
  kTargetFile = 2,
  kTargetUnknown = 3,
};

// Resolves the file argument `argument` into run->path (the directory
// text), run->dir_length, run->name_pattern and run->pattern_is_short_name.
// May end the run with its fatal messages.
void resolve_target_argument(const std::string& argument, RunContext* run);

// Whether `argument` lies in the directory of the first file argument;
// `*common` holds that directory text (empty before the first call).
bool check_common_directory(const std::string& argument, std::string* common);

// The attribute word of `path` (0x80 for an entry without bits), or
// kAttrMissing; a share root `\\server\share\` is asked without its '\'.
uint32_t query_attributes(const std::string& path);

// Whether something exists at `path` and what it is.
TargetKind probe_target(const std::string& path);

// `path` with its last component replaced by the name the file system
// stores; false when the entry is not found.
bool on_disk_path(const std::string& path, std::string* disk_path);

}  // namespace kavo

#endif  // KAVO_TARGETS_PATHS_H_

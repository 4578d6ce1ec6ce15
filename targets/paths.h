// File arguments turned into a directory and a name pattern, and the path
// primitives the walk, the rename step and the filters share.

#ifndef KAVO_TARGETS_PATHS_H_
#define KAVO_TARGETS_PATHS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// Offset where the name part of `path` starts.
size_t name_start(std::string_view path);

// The name of the directory that holds the last component of `path`;
// false (and empty) when `path` has no '\'.
bool last_dir_component(std::string_view path, std::string* name);

// Whether `name` has 8.3 proportions and a '~'.
bool looks_like_short_name(std::string_view name);

// True when both are empty, or `path` equals `stored` or continues it
// with '\' (compared by characters).
bool is_path_under(std::string_view path, std::string_view stored);

// Whether something exists at `path` and what it is.
TargetKind probe_target(const std::string& path);

// The text after the last '\' of `path` (all of it without one).
std::string strip_directory(const std::string& path);

// `path` cut right after its last '\' (or after "X:"); empty when neither.
std::string directory_part(const std::string& path);

// `directory` and `name` joined with '\' where the directory needs one.
std::string join_path(const std::string& directory, const std::string& name);

// `path` with its last component replaced by the name the file system
// stores; false when the entry is not found.
bool on_disk_path(const std::string& path, std::string* disk_path);

}  // namespace kavo

#endif  // KAVO_TARGETS_PATHS_H_

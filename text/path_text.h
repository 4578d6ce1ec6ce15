// Paths as text: the pieces of an internal path (`\` separators, an
// optional drive "X:" or network prefix `\\server\share`), read without
// asking the file system.

#ifndef KAVO_TEXT_PATH_TEXT_H_
#define KAVO_TEXT_PATH_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "text/sjis.h"

namespace kavo {

// Where the '\' after the server name and after the share name of a network
// path `\\server\share\...` stand (kNoPosition when missing).
struct NetworkPath {
  bool is_network = false;
  size_t server_end = kNoPosition;
  size_t share_end = kNoPosition;
};

// The network prefix of `path`; is_network false when it has none.
NetworkPath split_network_path(std::string_view path);

// True for a network path that names no more than a share: it has no name
// part.
bool is_share_or_less(const NetworkPath& net);

// True when `path` starts with a drive ("X:").
bool has_drive_colon(std::string_view path);

// True when the last byte of `text` is a '\' of its own (not the trail
// byte of a double-byte character).
bool ends_in_separator(std::string_view text);

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

// The text after the last '\' of `path` (all of it without one).
std::string strip_directory(const std::string& path);

// Cuts `*path` down to what strip_directory gives, in place.
void strip_directory(std::string* path);

// Where the text strip_directory keeps begins in `path`.
size_t last_component_start(std::string_view path);

// Where the text after the last '\' or '/' of `path` begins (0 without
// one): the separators the platform layers' calls accept alike.
size_t after_last_separator(std::string_view path);

// `path` cut right after its last '\' (or after "X:"); empty when neither.
std::string directory_part(const std::string& path);

// `directory` and `name` joined with '\' where the directory needs one.
std::string join_path(const std::string& directory, const std::string& name);

}  // namespace kavo

#endif  // KAVO_TEXT_PATH_TEXT_H_

#include "targets/paths.h"

#include "targets/options.h"
#include "targets/run_context.h"
#include "names/sjis.h"
#include "output/channels.h"
#include "platform/platform.h"

namespace kavo {

namespace {

// Where the '\' after the server name and after the share name of a network
// path `\\server\share\...` stand (kNoPosition when missing).
struct NetworkPath {
  bool is_network = false;
  size_t server_end = kNoPosition;
  size_t share_end = kNoPosition;
};

NetworkPath split_network_path(std::string_view path) {
  NetworkPath net;
  if (!starts_with(path, "\\\\")) return net;
  net.is_network = true;
  net.server_end = sjis_find_char(path, '\\', 2);
  if (net.server_end != kNoPosition) {
    net.share_end = sjis_find_char(path, '\\', net.server_end + 1);
  }
  return net;
}

// A network path that names no more than a share: it has no name part.
bool is_share_or_less(const NetworkPath& net) {
  return net.is_network &&
         (net.server_end == kNoPosition || net.share_end == kNoPosition);
}

bool is_existing_directory(uint32_t attributes) {
  return attributes != kAttrMissing && (attributes & kAttrDirectory) != 0;
}

bool has_drive_colon(std::string_view path) {
  return path.size() >= 2 && path[1] == ':';
}

// True when the last byte of `text` is a '\' of its own (not the trail
// byte of a double-byte character).
bool ends_in_separator(std::string_view text) {
  return !text.empty() && text.back() == '\\' &&
         sjis_byte_class(text, text.size() - 1) == 0;
}

// An argument that names a directory: its text with a final separator.
void resolve_directory_argument(const std::string& argument, RunContext* run) {
  run->path = argument;
  if (run->path.back() != ':' && !ends_in_separator(run->path)) {
    run->path += '\\';
  }
  if (run->path.size() >= kPathLengthLimit) {
    abort_run("パス名が長すぎます:%s", argument.c_str());
  }
  if (!run->options->recurse_subdirs) run->name_pattern = kDirectoryMarker;
}

// A file name or wildcard pattern, split into its directory and the name.
void resolve_pattern_argument(const std::string& argument, RunContext* run) {
  size_t split = sjis_find_last_char(argument, '\\');
  if (split != kNoPosition) {
    split += 1;
  } else if (has_drive_colon(argument)) {
    split = 2;
  } else {
    split = 0;
  }
  run->path = argument.substr(0, split);
  std::string pattern = argument.substr(split);
  if (pattern != "*" && pattern != "*.*") run->name_pattern = pattern;
  const RunOptions& options = *run->options;
  if (options.recurse_subdirs && options.select_dirs && options.select_files &&
      run->name_pattern &&
      run->name_pattern->find_first_of("*?") == std::string::npos) {
    abort_run("複写元ディレクトリ\"%s\"がありません。", argument.c_str());
  }
}

// Whether `directory` is the stored common directory, or continues it with
// '\', its text compared as the file system compares paths (on Windows
// C:\ex\ and c:\EX\ are one directory).
bool in_common_directory(std::string_view directory, std::string_view common) {
  size_t n = common.size();
  if (directory.size() < n || !same_path_text(directory.substr(0, n), common)) {
    return false;
  }
  return directory.size() == n || directory[n] == '\\';
}

// A directory argument against the stored common directory.
bool common_directory_rule(const std::string& directory, std::string* common) {
  if (common->empty()) {
    *common = directory;
    return true;
  }
  return in_common_directory(directory, *common);
}

}  // namespace

void resolve_target_argument(const std::string& argument, RunContext* run) {
  if (argument.size() >= kPathLengthLimit) {
    abort_run("パス名が長すぎます:%s", argument.c_str());
  }
  run->name_pattern.reset();
  run->pattern_is_short_name = false;
  NetworkPath net = split_network_path(argument);
  if (net.is_network && net.server_end == kNoPosition) {
    abort_run("複写元\"%s\"に共有名がありません。", argument.c_str());
  }
  // An empty argument is no directory: with a separator appended it would
  // turn into the root.
  bool is_directory =
      (net.is_network && net.share_end == kNoPosition) ||
      (!argument.empty() && is_existing_directory(query_attributes(argument)));
  if (is_directory) {
    resolve_directory_argument(argument, run);
  } else {
    resolve_pattern_argument(argument, run);
  }
  run->dir_length = run->path.size();
  run->pattern_is_short_name =
      run->name_pattern && looks_like_short_name(*run->name_pattern);
}

bool check_common_directory(const std::string& argument, std::string* common) {
  if (is_share_or_less(split_network_path(argument)) ||
      (!argument.empty() &&
       is_existing_directory(query_attributes(argument)))) {
    return common_directory_rule(argument, common);
  }
  size_t last = sjis_find_last_char(argument, '\\');
  if (last != kNoPosition) {
    // Arguments in the same directory share it: compare the directory part,
    // not the whole argument, which would never end at a separator.
    std::string directory = argument.substr(0, last + 1);
    if (common->empty()) {
      *common = directory;
      return true;
    }
    return in_common_directory(directory, *common);
  }
  if (has_drive_colon(argument)) {
    if (common->empty()) {
      *common = argument.substr(0, 2);
      return true;
    }
    return (*common)[0] != '\\' && has_drive_colon(*common) &&
           fold_ascii((*common)[0]) == fold_ascii(argument[0]);
  }
  *common = ".";
  return true;
}

uint32_t query_attributes(const std::string& path) {
  uint32_t attributes = get_attributes(path);
  if (attributes == 0) return kAttrNormal;
  if (attributes != kAttrMissing) return attributes;
  // A share root `\\server\share\` may only answer without its final '\'.
  if (!starts_with(path, "\\\\") || !ends_in_separator(path)) {
    return kAttrMissing;
  }
  attributes = get_attributes(path.substr(0, path.size() - 1));
  if (attributes == kAttrMissing) return kAttrMissing;
  if (attributes & kAttrVolumeLabel) {
    attributes =
        (attributes & ~(kAttrVolumeLabel | kAttrArchive)) | kAttrDirectory;
  }
  return attributes;
}

size_t name_start(std::string_view path) {
  if (is_share_or_less(split_network_path(path))) return path.size();
  size_t backslash = sjis_find_last_char(path, '\\');
  size_t slash = path.rfind('/');
  if (slash != std::string_view::npos &&
      (backslash == kNoPosition || backslash < slash)) {
    return slash + 1;
  }
  if (backslash != kNoPosition) return backslash + 1;
  if (has_drive_colon(path)) return 2;
  return 0;
}

bool last_dir_component(std::string_view path, std::string* name) {
  size_t cut = sjis_find_last_char(path, '\\');
  if (cut == kNoPosition) {
    name->clear();
    return false;
  }
  std::string_view directory = path.substr(0, cut);
  size_t last = sjis_find_last_char(directory, '\\');
  if (last != kNoPosition) {
    directory.remove_prefix(last + 1);
  } else if (has_drive_colon(directory)) {
    directory.remove_prefix(2);
  }
  name->assign(directory);
  return true;
}

bool looks_like_short_name(std::string_view name) {
  if (name.find('~') == std::string_view::npos) return false;
  size_t period = find_extension(name);
  size_t extension = period == kNoPosition ? 0 : name.size() - period;
  if (extension > 3) return false;
  if (extension == 0) return name.size() <= 8;
  return name.size() <= extension + 9;
}

bool is_path_under(std::string_view path, std::string_view stored) {
  if (stored.empty()) return path.empty();
  size_t i = 0;
  while (i < stored.size()) {
    size_t width = sjis_lead_byte(stored[i]) && i + 1 < stored.size() ? 2 : 1;
    if (path.size() < i + width ||
        path.compare(i, width, stored, i, width) != 0) {
      return false;
    }
    i += width;
  }
  return i == path.size() || path[i] == '\\';
}

TargetKind probe_target(const std::string& path) {
  std::string root;
  NetworkPath net = split_network_path(path);
  if (has_drive_colon(path)) {
    root = path.substr(0, 1) + ":\\";
  } else if (net.is_network && net.server_end != kNoPosition) {
    root = net.share_end != kNoPosition ? path.substr(0, net.share_end + 1)
                                        : path + '\\';
  }
  if (!volume_available(root)) return kTargetUnknown;
  uint32_t attributes = ends_in_separator(path)
                            ? query_attributes(path.substr(0, path.size() - 1))
                            : query_attributes(path);
  if (attributes == kAttrMissing) return kTargetMissing;
  if (attributes & (kAttrDirectory | kAttrVolumeLabel)) {
    return kTargetDirectory;
  }
  return kTargetFile;
}

std::string strip_directory(const std::string& path) {
  size_t last = sjis_find_last_char(path, '\\');
  return last == kNoPosition ? path : path.substr(last + 1);
}

std::string directory_part(const std::string& path) {
  size_t last = sjis_find_last_char(path, '\\');
  if (last != kNoPosition) return path.substr(0, last + 1);
  if (has_drive_colon(path)) return path.substr(0, 2);
  return std::string();
}

std::string join_path(const std::string& directory, const std::string& name) {
  if (directory.empty() || directory.back() == ':' ||
      ends_in_separator(directory)) {
    return directory + name;
  }
  return directory + '\\' + name;
}

bool on_disk_path(const std::string& path, std::string* disk_path) {
  if (path.empty()) return false;
  FindRecord record;
  if (!find_entry(path, &record)) return false;
  *disk_path = join_path(directory_part(path), record.name);
  return true;
}

}  // namespace kavo

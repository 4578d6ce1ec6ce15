#include "targets/paths.h"

#include "output/channels.h"
#include "platform/platform.h"
#include "targets/options.h"
#include "targets/run_context.h"
#include "text/path_text.h"
#include "text/sjis.h"

namespace kavo {

namespace {

bool is_existing_directory(uint32_t attributes) {
  return attributes != kAttrMissing && (attributes & kAttrDirectory) != 0;
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
  // Built in place rather than assigned: GCC 12 at -O3 takes the
  // assignment of a literal for an overlapping copy and warns.
  if (!run->options->recurse_subdirs) {
    run->name_pattern.emplace(kDirectoryMarker);
  }
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
  run->file_pattern.reset();
  if (run->name_pattern) {
    run->file_pattern = prepare_file_pattern(*run->name_pattern,
                                             run->options->name_case_fold);
  }
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
  common->assign(1, '.');
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

bool on_disk_path(const std::string& path, std::string* disk_path) {
  if (path.empty()) return false;
  FindRecord record;
  if (!find_entry(path, &record)) return false;
  *disk_path = join_path(directory_part(path), record.name);
  return true;
}

}  // namespace kavo

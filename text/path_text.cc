#include "text/path_text.h"

namespace kavo {

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

bool is_share_or_less(const NetworkPath& net) {
  return net.is_network &&
         (net.server_end == kNoPosition || net.share_end == kNoPosition);
}

bool has_drive_colon(std::string_view path) {
  return path.size() >= 2 && path[1] == ':';
}

bool ends_in_separator(std::string_view text) {
  return !text.empty() && text.back() == '\\' &&
         sjis_byte_class(text, text.size() - 1) == 0;
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
    size_t width = sjis_char_length(stored, i);
    if (path.size() < i + width ||
        path.compare(i, width, stored, i, width) != 0) {
      return false;
    }
    i += width;
  }
  return i == path.size() || path[i] == '\\';
}

size_t last_component_start(std::string_view path) {
  size_t last = sjis_find_last_char(path, '\\');
  return last == kNoPosition ? 0 : last + 1;
}

size_t after_last_separator(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i = sjis_next_char(path, i)) {
    if (path[i] == '\\' || path[i] == '/') start = i + 1;
  }
  return start;
}

void strip_directory(std::string* path) {
  path->erase(0, last_component_start(*path));
}

std::string strip_directory(const std::string& path) {
  std::string name = path;
  strip_directory(&name);
  return name;
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

}  // namespace kavo

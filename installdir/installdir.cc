#include "installdir/installdir.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "log/log.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

// Where the system's paths are UTF-16, converting text that is not UTF-8 (or a
// name that is not valid UTF-16) throws: such text names nothing, and the run
// goes on.
fs::path to_path(const std::string& text) {
  try {
    return fs::u8path(text);
  } catch (const std::exception&) {
    return fs::path();
  }
}

std::string to_text(const fs::path& path) {
  try {
    return path.u8string();
  } catch (const std::exception&) {
    return std::string();
  }
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Splits on both separators, dropping "." and empty parts and letting ".."
// take back the part before it.  Returns false when ".." climbs above the
// start.
bool normalize_parts(const std::string& text, std::vector<std::string>* parts) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = start;
    while (end < text.size() && !is_separator(text[end]))
      ++end;
    const std::string part = text.substr(start, end - start);
    if (part == "..") {
      if (parts->empty())
        return false;
      parts->pop_back();
    } else if (!part.empty() && part != ".") {
      parts->push_back(part);
    }
    start = end + 1;
  }
  return true;
}

// True when |directory| is |target| or one of its ancestors on disk, which
// covers links, short names and letter case as the file system sees them.
bool holds_target(const fs::path& directory, const fs::path& target) {
  fs::path entry = target.lexically_normal();
  while (entry.has_relative_path()) {
    if (platform_same_entry(entry, directory))
      return true;
    entry = entry.parent_path();
  }
  return false;
}

}  // namespace

std::string get_module_directory() {
  std::string executable;
  if (!platform_executable_path(&executable))
    return std::string();
  return to_text(to_path(executable).parent_path());
}

bool path_exists(const std::string& path) {
  std::error_code error;
  const fs::file_type type = fs::status(to_path(path), error).type();
  return type != fs::file_type::none && type != fs::file_type::not_found &&
         type != fs::file_type::unknown;
}

std::string leaf_name(const std::string& path) {
  return to_text(to_path(path).filename());
}

std::string to_lower_copy(const std::string& text) {
  std::string lower = text;
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::vector<std::string> list_directory(const std::string& dir,
                                        const std::string& kind) {
  std::vector<std::string> entries;
  std::error_code error;
  const fs::path directory = to_path(dir);
  if (!fs::is_directory(directory, error))
    return entries;
  if (to_lower_copy(kind) != "dir")
    return entries;
  for (const fs::path& entry : platform_directory_entries(directory)) {
    std::error_code status_error;
    if (!fs::is_directory(entry, status_error))
      continue;
    const std::string text = to_text(entry);
    if (!text.empty())  // A name we cannot write is no version of ours.
      entries.push_back(text);
  }
  return entries;
}

void remove_tree(const std::string& path) {
  try {
    platform_remove_tree(to_path(path));
  } catch (...) {
    // Removal is best effort: what stays is tried again on the next run.
  }
}

bool is_version_name(const std::string& name) {
  int groups = 1;
  bool digit_seen = false;
  for (char c : name) {
    if (c >= '0' && c <= '9') {
      digit_seen = true;
    } else if (c == '.' && digit_seen && groups < 4) {
      ++groups;
      digit_seen = false;
    } else {
      return false;
    }
  }
  return groups == 4 && digit_seen;
}

std::string configured_version_directory(const std::string& path,
                                         const std::string& file) {
  std::vector<std::string> parts;
  if (!normalize_parts(path + "/" + file, &parts) || parts.size() < 2)
    return std::string();
  return parts.front();
}

std::string join_path(const std::string& dir, const std::string& name) {
  return dir + kPathSeparator + name;
}

bool remove_stale_versions(const std::string& current,
                           const std::string& file) {
  return remove_stale_versions_in(get_module_directory(), current, file);
}

bool remove_stale_versions_in(const std::string& dir,
                              const std::string& current,
                              const std::string& file) {
  const std::vector<std::string> directories = list_directory(dir, "dir");
  if (directories.empty())
    return false;
  const std::string keep = configured_version_directory(current, file);
  const fs::path target_path =
      to_path(join_path(join_path(dir, current), file));
  for (const std::string& directory : directories) {
    log_message(LOG_INFO, "the file path:%s", directory.c_str());
    const std::string leaf = leaf_name(directory);
    if (!is_version_name(leaf) || leaf == current || leaf == keep ||
        holds_target(to_path(directory), target_path))
      continue;
    log_message(LOG_INFO, "remove file path:%s", directory.c_str());
    remove_tree(directory);
  }
  return true;
}

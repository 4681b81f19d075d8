// File-system helpers for the install directory, and the removal of stale
// version subdirectories.  Paths are UTF-8 text.
#ifndef KIVO_INSTALLDIR_INSTALLDIR_H_
#define KIVO_INSTALLDIR_INSTALLDIR_H_

#include <string>
#include <vector>

/// The directory holding the running executable, without a trailing
/// separator unless it is a root.  Empty when the executable's own path
/// cannot be had.
std::string get_module_directory();

/// True when something (file or directory) is at |path|, links followed.
bool path_exists(const std::string& path);

/// The last component of |path|.
std::string leaf_name(const std::string& path);

/// |text| with every byte passed through tolower.
std::string to_lower_copy(const std::string& text);

/// Full paths of the subdirectories of |dir| (links followed) when |kind| is
/// "dir" in any letter case; empty for any other kind, or when |dir| is not
/// a readable directory.
std::vector<std::string> list_directory(const std::string& dir,
                                        const std::string& kind);

/// Removes the file or tree at |path|, never following links, all or nothing
/// where the system can tell a file is in use.  Never throws; reports
/// nothing.
void remove_tree(const std::string& path);

/// True when |name| is four runs of ASCII digits joined by dots, 1.0.0.5.
bool is_version_name(const std::string& name);

/// The first directory below the install directory named by the configured
/// |path| and |file| once "." and ".." are resolved, with '/' and '\' both
/// taken as separators; empty when they name none.
std::string configured_version_directory(const std::string& path,
                                         const std::string& file);

/// |dir| and |name| joined with the platform's separator.
std::string join_path(const std::string& dir, const std::string& name);

/// Removes every version subdirectory of the executable's directory except
/// the one holding the configured target |current|/|file|: the one its
/// path names, and any that is, or holds, the target on disk.
/// Returns false only when the directory has no subdirectories at all.
bool remove_stale_versions(const std::string& current, const std::string& file);

/// remove_stale_versions for the install directory |dir|.
bool remove_stale_versions_in(const std::string& dir,
                              const std::string& current,
                              const std::string& file);

#endif  // KIVO_INSTALLDIR_INSTALLDIR_H_

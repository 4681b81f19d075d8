// The few services the starter takes from the operating system.
//
// Text crossing this interface is UTF-8 on every platform; the Windows
// implementation converts to and from the wide API itself.
#ifndef KIVO_PLATFORM_PLATFORM_H_
#define KIVO_PLATFORM_PLATFORM_H_

#include <filesystem>
#include <string>
#include <vector>

/// The separator the starter puts between the parts of a path it composes.
extern const char kPathSeparator;

/// Prepares the process before anything else runs: where the system allows
/// it, libraries are loaded from the system directory only.
void platform_harden_process();

/// Reads the full path of the running executable, whatever its length.
/// Returns false, leaving |path| alone, when the system cannot tell.
bool platform_executable_path(std::string* path);

/// The program's arguments as UTF-8 text, the program itself first.
std::vector<std::string> platform_arguments(int argc, char** argv);

/// Hands |text| to an attached debugger; a no-op where nobody listens.
void platform_debug_output(const char* text);

/// Asks the system to open |file| with the "open" verb, handing it the
/// parameter line |params|, and returns without waiting for it.
/// On failure returns false and stores the system's error number in |error|.
bool platform_open(const std::string& file, const std::string& params,
                   int* error);

/// The entries of the directory |dir|, "." and ".." left out, in the order
/// the system hands them out.  Empty when |dir| cannot be listed; an error
/// part-way ends the list there.
std::vector<std::filesystem::path> platform_directory_entries(
    const std::filesystem::path& dir);

/// Removes the file or directory tree at |path| without ever following a
/// symbolic link or junction: a link is removed as a link.  Where the system
/// can tell that something in the tree is in use, nothing is removed at all.
/// Returns true when the tree is gone.
bool platform_remove_tree(const std::filesystem::path& path);

/// True when |a| and |b| both exist and are the same file-system entry,
/// links followed.
bool platform_same_entry(const std::filesystem::path& a,
                         const std::filesystem::path& b);

#endif  // KIVO_PLATFORM_PLATFORM_H_

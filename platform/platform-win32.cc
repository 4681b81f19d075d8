// Win32 implementation of the platform layer.  Every call goes through the
// wide API with UTF-8 converted at this boundary, so non-ASCII paths and
// arguments work whatever the system's code page.

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <vector>

#include "platform/platform.h"

const char kPathSeparator = '\\';

namespace {

std::wstring widen(const std::string& text) {
  if (text.empty())
    return std::wstring();
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], n);
  return wide;
}

std::string narrow(const std::wstring& wide) {
  if (wide.empty())
    return std::string();
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0,
                                    nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &text[0], n, nullptr,
                      nullptr);
  return text;
}

const wchar_t kExtendedPrefix[] = L"\\\\?\\";

// |path| made absolute, with "." and ".." resolved and '/' turned to '\'.
std::wstring full_path(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0)
    return path;
  std::wstring full(size, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (n == 0 || n >= size)
    return path;
  full.resize(n);
  return full;
}

// The form of a path that the file API accepts beyond MAX_PATH characters,
// whatever the system's long-path setting.  The system takes such a path
// literally, so it is made full first.
std::wstring extended_path(const std::wstring& original) {
  if (original.compare(0, 4, kExtendedPrefix) == 0)
    return original;
  std::wstring path = full_path(original);
  if (path.compare(0, 2, L"\\\\") == 0)
    return L"\\\\?\\UNC\\" + path.substr(2);
  if (path.size() > 2 && path[1] == L':' && path[2] == L'\\')
    return kExtendedPrefix + path;
  return path;
}

// The shell is bound to MAX_PATH: past it, the 8.3 form of the same path.
std::wstring shell_path(const std::wstring& path) {
  if (path.size() < MAX_PATH)
    return path;
  const std::wstring extended = extended_path(path);
  std::wstring short_path(extended.size() + 1, L'\0');
  const DWORD n = GetShortPathNameW(extended.c_str(), &short_path[0],
                                    static_cast<DWORD>(short_path.size()));
  if (n == 0 || n >= short_path.size())
    return path;
  short_path.resize(n);
  if (short_path.compare(0, 4, kExtendedPrefix) == 0)
    short_path.erase(0, 4);
  return short_path;
}

}  // namespace

void platform_harden_process() {
  // Looked up rather than imported: older systems lack the call.
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto set_default_dll_directories =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(
          reinterpret_cast<void (*)()>(
              GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default_dll_directories)
    set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Takes the current directory out of the search order everywhere.
  SetDllDirectoryW(L"");
}

bool platform_executable_path(std::string* path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &buffer[0],
                                       static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return false;
    // A result that fills the buffer has been cut: try a larger one.
    if (n < buffer.size()) {
      buffer.resize(n);
      *path = narrow(buffer);
      return true;
    }
    if (buffer.size() > 65536)
      return false;
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> platform_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide)
    return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    arguments.push_back(narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

void platform_debug_output(const char* text) { OutputDebugStringA(text); }

bool platform_open(const std::string& file, const std::string& params,
                   int* error) {
  const std::wstring wide_file = shell_path(widen(file));
  const std::wstring wide_params = widen(params);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = wide_file.c_str();
  info.lpParameters = wide_params.c_str();
  info.nShow = SW_SHOWDEFAULT;
  if (!ShellExecuteExW(&info)) {
    *error = static_cast<int>(GetLastError());
    return false;
  }
  if (info.hProcess)
    CloseHandle(info.hProcess);
  return true;
}

namespace {

// One entry of a tree about to be removed.
struct TreeEntry {
  std::wstring path;
  DWORD attributes;
};

bool is_link(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A directory we descend into: junctions and symbolic links are not.
bool is_real_directory(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !is_link(attributes);
}

// Appends the entries of |directory| to |entries| and the subdirectories to
// |pending|.  False when the listing could not be read to its end.
bool list_entries(const std::wstring& directory,
                  std::vector<TreeEntry>* entries,
                  std::vector<std::wstring>* pending) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileExW(
      (directory + L"\\*").c_str(), FindExInfoBasic, &data,
      FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE)
    return false;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..")
      continue;
    entries->push_back({directory + L"\\" + name, data.dwFileAttributes});
    if (is_real_directory(data.dwFileAttributes))
      pending->push_back(entries->back().path);
  } while (FindNextFileW(find, &data));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(find);
  return complete;
}

// Every entry of the tree at |root|, each directory before its contents,
// without entering links.  Iterative, so no depth can exhaust the stack.
bool collect_tree(const std::wstring& root, std::vector<TreeEntry>* entries) {
  const DWORD attributes = GetFileAttributesW(root.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  entries->push_back({root, attributes});
  std::vector<std::wstring> pending;
  if (is_real_directory(attributes))
    pending.push_back(root);
  while (!pending.empty()) {
    const std::wstring directory = pending.back();
    pending.pop_back();
    if (!list_entries(directory, entries, &pending))
      return false;
  }
  return true;
}

// Marks the file behind |handle| for deletion, or takes the mark back.
bool mark_for_deletion(HANDLE handle, bool marked) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = marked ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// True when nothing holds |entry|: we can open it for deletion with no
// sharing at all, and, for a file, the system would let it go.  A running
// program or a loaded library holds no open handle, only its mapping, so
// the file is marked for deletion and the mark taken back at once: the
// system refuses the mark for a mapped image.  A read-only file refuses it
// too and is not probed.  A link is opened as itself, never its target.
bool is_free(const TreeEntry& entry) {
  const HANDLE handle = CreateFileW(
      entry.path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return false;
  const DWORD not_probed = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
  const bool free = (entry.attributes & not_probed) != 0 ||
                    (mark_for_deletion(handle, true) &&
                     mark_for_deletion(handle, false));
  CloseHandle(handle);
  return free;
}

bool delete_entry(const TreeEntry& entry) {
  // RemoveDirectory removes a directory junction or link itself, not what
  // it points to.
  if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
    return RemoveDirectoryW(entry.path.c_str()) != 0;
  if (DeleteFileW(entry.path.c_str()))
    return true;
  // A read-only file refuses deletion until the attribute goes.
  return (entry.attributes & FILE_ATTRIBUTE_READONLY) &&
         SetFileAttributesW(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL) &&
         DeleteFileW(entry.path.c_str());
}

}  // namespace

std::vector<std::filesystem::path> platform_directory_entries(
    const std::filesystem::path& dir) {
  // Listed through the extended form: the standard iterator of this runtime
  // fails on directories past MAX_PATH.
  std::vector<TreeEntry> found;
  std::vector<std::wstring> subdirectories;
  list_entries(extended_path(dir.wstring()), &found, &subdirectories);
  std::vector<std::filesystem::path> entries;
  entries.reserve(found.size());
  for (const TreeEntry& entry : found)
    entries.push_back(dir / entry.path.substr(entry.path.rfind(L'\\') + 1));
  return entries;
}

bool platform_remove_tree(const std::filesystem::path& path) {
  std::vector<TreeEntry> entries;
  if (!collect_tree(extended_path(path.wstring()), &entries))
    return false;
  // All or nothing: while anything in the tree is in use (an old instance
  // still running from it), leave the whole tree for a later run.
  for (const TreeEntry& entry : entries)
    if (!is_free(entry))
      return false;
  bool removed = true;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    removed = delete_entry(*it) && removed;
  return removed;
}

namespace {

bool file_identity(const std::filesystem::path& path,
                   BY_HANDLE_FILE_INFORMATION* info) {
  const HANDLE handle =
      CreateFileW(extended_path(path.wstring()).c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return false;
  const bool known = GetFileInformationByHandle(handle, info) != 0;
  CloseHandle(handle);
  return known;
}

}  // namespace

bool platform_same_entry(const std::filesystem::path& a,
                         const std::filesystem::path& b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return file_identity(a, &ia) && file_identity(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

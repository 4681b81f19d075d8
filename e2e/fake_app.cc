// fake_app: the stand-in for a started application.  Records how it was
// started in the file "received" in its own directory: the working
// directory, then each argument after the program's own name, every item
// UTF-8 and ended by '\0'.  The file is written under a temporary name and
// renamed, so a reader sees all of it or nothing.

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cstdio>
#include <fstream>
#endif

namespace {

// The items joined, each followed by '\0'.
std::string record_text(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) {
    text += item;
    text += '\0';
  }
  return text;
}

#ifdef _WIN32

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

std::wstring own_path() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &buffer[0],
                                       static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return std::wstring();
    if (n < buffer.size())
      return buffer.substr(0, n);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring current_directory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(size, L'\0');
  const DWORD n = GetCurrentDirectoryW(size, &buffer[0]);
  buffer.resize(n < size ? n : 0);
  return buffer;
}

// Our directory may lie beyond MAX_PATH: the extended form reaches it.
std::wstring extended(const std::wstring& path) {
  if (path.size() > 2 && path[1] == L':' && path[2] == L'\\')
    return L"\\\\?\\" + path;
  return path;
}

bool write_atomically(const std::wstring& path, const std::string& text) {
  const std::wstring part = path + L".part";
  const HANDLE file =
      CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()),
                            &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size() &&
         MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

#else

std::string own_path() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", &buffer[0], buffer.size());
    if (n < 0)
      return std::string();
    if (static_cast<size_t>(n) < buffer.size())
      return buffer.substr(0, static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string current_directory() {
  std::string buffer(256, '\0');
  while (!getcwd(&buffer[0], buffer.size()))
    buffer.resize(buffer.size() * 2);
  return buffer.c_str();
}

bool write_atomically(const std::string& path, const std::string& text) {
  const std::string part = path + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    if (!(out << text) || !out.flush())
      return false;
  }
  return std::rename(part.c_str(), path.c_str()) == 0;
}

#endif

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> items = {narrow(current_directory())};
  for (int i = 1; i < argc; ++i)
    items.push_back(narrow(argv[i]));
  const std::wstring self = extended(own_path());
  if (self.empty())
    return 1;
  const std::wstring directory = self.substr(0, self.find_last_of(L"\\/"));
  return write_atomically(directory + L"\\received", record_text(items)) ? 0
                                                                         : 1;
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> items = {current_directory()};
  for (int i = 1; i < argc; ++i)
    items.push_back(argv[i]);
  const std::string self = own_path();
  if (self.empty())
    return 1;
  const std::string directory = self.substr(0, self.find_last_of('/'));
  return write_atomically(directory + "/received", record_text(items)) ? 0 : 1;
}
#endif

// POSIX implementation of the platform layer.  No debugger channel exists,
// "open" runs an executable file directly or hands anything else to
// xdg-open, and removal never follows symbolic links.

#include <errno.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "platform/command_line.h"
#include "platform/platform.h"

extern char** environ;

const char kPathSeparator = '/';

namespace {

bool is_executable_file(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

// Starts |arguments| (the program first, looked up on PATH when |search|) and
// does not wait for it.
int spawn(const std::vector<std::string>& arguments, bool search) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  return search ? posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(),
                               environ)
                : posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(),
                              environ);
}

}  // namespace

void platform_harden_process() {}

bool platform_executable_path(std::string* path) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", &buffer[0], buffer.size());
    if (n < 0)
      return false;
    // A result that fills the buffer may have been cut: try a larger one.
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      *path = buffer;
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> platform_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void platform_debug_output(const char* /*text*/) {}

bool platform_open(const std::string& file, const std::string& params,
                   int* error) {
  std::vector<std::string> arguments;
  int result;
  if (is_executable_file(file)) {
    arguments = split_command_line(params);
    arguments.insert(arguments.begin(), file);
    result = spawn(arguments, false);
  } else {
    result = spawn({"xdg-open", file}, true);
  }
  if (result != 0)
    *error = result;
  return result == 0;
}

std::vector<std::filesystem::path> platform_directory_entries(
    const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> entries;
  std::error_code error;
  std::filesystem::directory_iterator it(dir, error);
  for (; !error && it != std::filesystem::directory_iterator();
       it.increment(error))
    entries.push_back(it->path());
  return entries;
}

bool platform_remove_tree(const std::filesystem::path& path) {
  // remove_all never follows symbolic links: a link goes, its target stays.
  std::error_code error;
  std::filesystem::remove_all(path, error);
  return !error;
}

bool platform_same_entry(const std::filesystem::path& a,
                         const std::filesystem::path& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// kivo: starts the configured version of an application and removes the
// versions it no longer needs.

#include <cstdlib>
#include <string>
#include <vector>

#include "log/log_file.h"
#include "platform/platform.h"
#include "starter/starter.h"

int main(int argc, char** argv) {
  // Before anything can load a library on our behalf.
  platform_harden_process();
  open_log_file();
  std::atexit(close_log_file);

  std::vector<std::string> arguments = platform_arguments(argc, argv);
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments)
    pointers.push_back(&argument[0]);
  pointers.push_back(nullptr);
  return run_starter(static_cast<int>(arguments.size()), pointers.data()) ? 0
                                                                          : -1;
}

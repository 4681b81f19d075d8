// join_arguments then split_command_line must give the arguments back.
// The input is the argument vector with '\0' between arguments, so that any
// byte but NUL, empty arguments and runs of them all occur; an empty input
// is the empty vector.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/command_line.h"

namespace {

std::vector<std::string> split_on_nul(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments;
  if (size == 0)
    return arguments;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (;;) {
    const size_t end = bytes.find('\0', start);
    if (end == std::string::npos) {
      arguments.push_back(bytes.substr(start));
      return arguments;
    }
    arguments.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  silence_log();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> arguments = split_on_nul(data, size);
  const std::string line = join_arguments(arguments);
  check_invariant(split_command_line(line) == arguments,
                  "split_command_line(join_arguments(v)) == v");
  return 0;
}

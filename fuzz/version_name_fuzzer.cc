// is_version_name against a reference written another way: cut the name at
// every '.', then ask for exactly four parts, each one or more ASCII digits.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "installdir/installdir.h"

namespace {

std::vector<std::string> split_on_dots(const std::string& name) {
  std::vector<std::string> parts(1);
  for (char c : name) {
    if (c == '.')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

bool all_ascii_digits(const std::string& part) {
  if (part.empty())
    return false;
  for (char c : part) {
    // Compared as unsigned bytes: no locale, and no sign games with bytes
    // from 0x80 up.
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < '0' || byte > '9')
      return false;
  }
  return true;
}

bool reference_is_version_name(const std::string& name) {
  const std::vector<std::string> parts = split_on_dots(name);
  if (parts.size() != 4)
    return false;
  for (const std::string& part : parts) {
    if (!all_ascii_digits(part))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  silence_log();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  check_invariant(is_version_name(name) == reference_is_version_name(name),
                  "is_version_name agrees with the reference");
  return 0;
}

// Arbitrary bytes as kivo.xml, read through load_config_from.  Besides
// crashes and sanitizer reports, the loader must keep its promise about
// TargetInfo: untouched on failure, version, path and file all filled on
// success, params left alone either way.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "starter/starter.h"

namespace {

// The directory holding kivo.xml, made once per process.
std::string g_config_dir;

void remove_config_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(g_config_dir, ignored);
}

std::string make_config_dir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") +
                        "/kivo-config-fuzz-" + std::to_string(getpid()) +
                        "-XXXXXX";
  if (!mkdtemp(&pattern[0])) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

void write_config(const uint8_t* data, size_t size) {
  std::ofstream out(g_config_dir + "/kivo.xml",
                    std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data),
            static_cast<std::streamsize>(size));
  check_invariant(static_cast<bool>(out), "kivo.xml written");
}

bool same_record(const TargetRecord& a, const TargetRecord& b) {
  return a.version == b.version && a.path == b.path && a.file == b.file &&
         a.params == b.params;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  silence_log();
  g_config_dir = make_config_dir();
  std::atexit(remove_config_dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  write_config(data, size);
  // Values no kivo.xml in the corpus is likely to hold, so that a partial
  // update on failure shows.
  const TargetRecord sentinel = {"sentinel-version", "sentinel-path",
                                 "sentinel-file", "sentinel-params"};
  TargetInfo = sentinel;
  if (load_config_from(g_config_dir)) {
    check_invariant(!TargetInfo.version.empty() && !TargetInfo.path.empty() &&
                        !TargetInfo.file.empty(),
                    "success fills version, path and file");
    check_invariant(TargetInfo.params == sentinel.params,
                    "loading leaves params alone");
  } else {
    check_invariant(same_record(TargetInfo, sentinel),
                    "failure leaves TargetInfo untouched");
  }
  return 0;
}

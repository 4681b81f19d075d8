#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "testing/test_directory.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path g_root;
fs::path g_current;

// Gives each test a fresh directory and clears it away when the test passed.
struct TestDirectoryListener : testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& info) override {
    std::string name = std::string(info.test_suite_name()) + "." + info.name();
    for (char& c : name)
      if (c == '/')
        c = '_';
    g_current = g_root / name;
    std::error_code error;
    fs::remove_all(g_current, error);
    fs::create_directories(g_current, error);
  }
  void OnTestEnd(const testing::TestInfo& info) override {
    std::error_code error;
    if (!info.result()->Failed())
      fs::remove_all(g_current, error);
    else
      fprintf(stderr, "kept test directory: %s\n", g_current.string().c_str());
  }
};

}  // namespace

fs::path test_directory() { return g_current; }

void write_file(const fs::path& path, const std::string& text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::error_code error;
  // One root per process: CTest runs several of us side by side.
  g_root = fs::temp_directory_path(error) /
           ("kivo-tests-" + std::to_string(getpid()));
  testing::UnitTest::GetInstance()->listeners().Append(
      new TestDirectoryListener);
  const int result = RUN_ALL_TESTS();
  if (result == 0)
    fs::remove_all(g_root, error);
  return result;
}

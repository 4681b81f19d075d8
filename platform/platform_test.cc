#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "testing/test_directory.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#endif

namespace fs = std::filesystem;

namespace {

// Makes |link| point at the directory |target|, or skips the test where the
// system gives no links to this process.
#define MAKE_DIRECTORY_LINK_OR_SKIP(target, link)                     \
  do {                                                                \
    std::error_code link_error;                                       \
    fs::create_directory_symlink((target), (link), link_error);       \
    if (link_error)                                                   \
      GTEST_SKIP() << "no directory links: " << link_error.message(); \
  } while (0)

TEST(PlatformRemoveTree, RemovesNestedTreesAndSingleFiles) {
  const fs::path tree = test_directory() / "1.0.0.4";
  write_file(tree / "a" / "b" / "c.txt", "c");
  write_file(tree / "a" / "d.txt", "d");
  write_file(tree / "e.txt", "e");
  fs::create_directories(tree / "empty");
  write_file(test_directory() / "single.txt", "s");
  EXPECT_TRUE(platform_remove_tree(tree));
  EXPECT_TRUE(platform_remove_tree(test_directory() / "single.txt"));
  EXPECT_TRUE(fs::is_empty(test_directory()));
}

TEST(PlatformRemoveTree, NeverFollowsALinkInsideTheTree) {
  const fs::path outside = test_directory() / "outside";
  write_file(outside / "keep.txt", "precious");
  const fs::path tree = test_directory() / "1.0.0.4";
  write_file(tree / "own.txt", "x");
  MAKE_DIRECTORY_LINK_OR_SKIP(outside, tree / "link");
  platform_remove_tree(tree);
  EXPECT_EQ(read_file(outside / "keep.txt"), "precious");
  EXPECT_FALSE(fs::exists(tree / "own.txt"));
}

TEST(PlatformRemoveTree, RemovesALinkAsALink) {
  const fs::path outside = test_directory() / "outside";
  write_file(outside / "keep.txt", "precious");
  const fs::path version = test_directory() / "1.0.0.4";
  MAKE_DIRECTORY_LINK_OR_SKIP(outside, version);
  platform_remove_tree(version);
  EXPECT_EQ(read_file(outside / "keep.txt"), "precious");
}

TEST(PlatformSameEntry, ComparesWhatIsOnDisk) {
  write_file(test_directory() / "a" / "f", "x");
  write_file(test_directory() / "b" / "f", "x");
  const fs::path a = test_directory() / "a";
  EXPECT_TRUE(platform_same_entry(a, test_directory() / "." / "a"));
  EXPECT_FALSE(platform_same_entry(a, test_directory() / "b"));
  EXPECT_FALSE(platform_same_entry(a, test_directory() / "none"));
  EXPECT_FALSE(platform_same_entry(test_directory() / "none",
                                   test_directory() / "none"));
  MAKE_DIRECTORY_LINK_OR_SKIP(a, test_directory() / "link");
  EXPECT_TRUE(platform_same_entry(a, test_directory() / "link"));
}

TEST(PlatformExecutablePath, NamesTheRunningProgram) {
  std::string path;
  ASSERT_TRUE(platform_executable_path(&path));
  EXPECT_EQ(fs::u8path(path).filename().u8string().rfind("kivo_unittests", 0),
            0U);
  EXPECT_TRUE(fs::is_regular_file(fs::u8path(path)));
}

#ifdef _WIN32
TEST(PlatformHardenProcess,
     LibrariesAreNoLongerFoundInTheWorkingDirectoryOrPath) {
  std::string executable;
  ASSERT_TRUE(platform_executable_path(&executable));
  const fs::path built =
      fs::u8path(executable).parent_path() / "kivo_planted.dll";
  const fs::path planted = test_directory() / "kivo_planted.dll";
  std::error_code error;
  fs::copy_file(built, planted, error);
  ASSERT_FALSE(error) << error.message();
  const fs::path previous = fs::current_path();
  fs::current_path(test_directory());
  const std::string path = "PATH=" + test_directory().string() + ";" +
                           (getenv("PATH") ? getenv("PATH") : "");
  _putenv(path.c_str());

  platform_harden_process();
  const HMODULE loaded = LoadLibraryW(L"kivo_planted.dll");
  fs::current_path(previous);
  EXPECT_EQ(loaded, nullptr) << "a planted library was loaded";
  if (loaded)
    FreeLibrary(loaded);
}
#endif

}  // namespace

#include "installdir/installdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/captured_log.h"
#include "testing/test_directory.h"

namespace fs = std::filesystem;

namespace {

TEST(IsVersionName, AcceptsOnlyFourDottedRunsOfDigits) {
  const struct {
    std::string name;
    bool version;
  } cases[] = {
      {"1.0.0.5", true},
      {"10.2.33.4", true},
      {"0.0.0.0", true},
      {"1.2.3", false},
      {"1.2.3.4.5", false},
      {"v1.2.3.4", false},
      {"1.2.3.4a", false},
      {"1.0.0.5 ", false},
      {"1_2_3_4", false},
      {"1-2-3-4", false},
      {"20261211", false},
      {"1..2.3", false},
      {".1.2.3", false},
      {"1.2.3.", false},
      {"", false},
      {"\xd9\xa1.2.3.4", false},
      {std::string(5000, '7'), false},
      {std::string(3000, '1') + ".2.3." + std::string(3000, '4'), true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_version_name(c.name), c.version) << c.name.substr(0, 40);
}

TEST(ConfiguredVersionDirectory, ResolvesDotsAndBothSeparators) {
  const struct {
    const char* path;
    const char* file;
    const char* directory;
  } cases[] = {
      {"1.0.0.5", "app.exe", "1.0.0.5"},
      {"1.0.0.5\\", "app.exe", "1.0.0.5"},
      {"1.0.0.5/", "app.exe", "1.0.0.5"},
      {".\\1.0.0.5", "app.exe", "1.0.0.5"},
      {"1.0.0.5\\bin", "app.exe", "1.0.0.5"},
      {".", "1.0.0.5\\app.exe", "1.0.0.5"},
      {"1.0.0.4\\..\\1.0.0.5", "app.exe", "1.0.0.5"},
      {".", "app.exe", ""},
      {"..\\elsewhere", "app.exe", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(configured_version_directory(c.path, c.file), c.directory)
        << c.path << " " << c.file;
}

// Makes the subdirectories |names| (each holding a file) below the test
// directory.
void make_directories(const std::vector<std::string>& names) {
  for (const std::string& name : names)
    write_file(test_directory() / fs::u8path(name) / "app.exe", "app");
}

std::vector<std::string> remaining_directories() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(test_directory()))
    names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(RemoveStaleVersions, KeepsTheConfiguredVersionAndAllThatAreNoVersions) {
  make_directories({"1.0.0.4", "1.0.0.5", "1.0.0.6", "logs"});
  CapturedLog log;
  EXPECT_TRUE(remove_stale_versions_in(test_directory().u8string(), "1.0.0.5",
                                       "app.exe"));
  EXPECT_EQ(remaining_directories(),
            (std::vector<std::string>{"1.0.0.5", "logs"}));
  const std::string dir = test_directory().u8string();
  std::vector<std::string> removed;
  for (const std::string& line : log.lines) {
    EXPECT_EQ(line.rfind("1|", 0), 0U) << line;
    if (line.find("remove file path:") != std::string::npos)
      removed.push_back(line);
  }
  EXPECT_EQ(log.lines.size(), 6U);
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{
                         "1|remove file path:" + join_path(dir, "1.0.0.4"),
                         "1|remove file path:" + join_path(dir, "1.0.0.6")}));
}

TEST(RemoveStaleVersions, KeepsTheConfiguredVersionHoweverItsPathIsWritten) {
  const struct {
    const char* path;
    const char* file;
  } cases[] = {
      {"1.0.0.5\\", "app.exe"},        {"1.0.0.5/", "app.exe"},
      {".\\1.0.0.5", "app.exe"},       {"./1.0.0.5", "app.exe"},
      {"1.0.0.5/\xff\xfe", "app.exe"}, {"1.0.0.5\\bin", "app.exe"},
      {".", "1.0.0.5/app.exe"},
  };
  for (const auto& c : cases) {
    make_directories({"1.0.0.4", "1.0.0.5"});
    CapturedLog log;
    remove_stale_versions_in(test_directory().u8string(), c.path, c.file);
    EXPECT_EQ(remaining_directories(), std::vector<std::string>{"1.0.0.5"})
        << c.path << " " << c.file;
  }
}

TEST(RemoveStaleVersions, KeepsTheVersionALinkedPathLeadsTo) {
  make_directories({"1.0.0.4", "1.0.0.5"});
  std::error_code error;
  fs::create_directory_symlink("1.0.0.5", test_directory() / "current", error);
  if (error)
    GTEST_SKIP() << "no symbolic links here: " << error.message();
  CapturedLog log;
  remove_stale_versions_in(test_directory().u8string(), "current", "app.exe");
  EXPECT_EQ(remaining_directories(),
            (std::vector<std::string>{"1.0.0.5", "current"}));
}

TEST(RemoveStaleVersions, LeavesNamesThatAreNotVersions) {
  std::vector<std::string> others = {"1_2_3_4",   "20261211",
                                     "V1.0.0.5",  "1.2.3",
                                     "1.2.3.4.5", std::string(250, '9')};
#ifndef _WIN32
  others.push_back("1.0.0.5 ");  // Win32 drops trailing blanks from names.
#endif
  make_directories(others);
  make_directories({"1.0.0.1"});
  CapturedLog log;
  EXPECT_TRUE(remove_stale_versions_in(test_directory().u8string(), "1.0.0.5",
                                       "app.exe"));
  std::vector<std::string> expected = others;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(remaining_directories(), expected);
}

TEST(RemoveStaleVersions, RemovesEveryVersionWhenTheConfiguredOneIsMissing) {
  make_directories({"1.0.0.4", "1.0.0.6"});
  CapturedLog log;
  EXPECT_TRUE(remove_stale_versions_in(test_directory().u8string(), "1.0.0.9",
                                       "app.exe"));
  EXPECT_TRUE(remaining_directories().empty());
}

TEST(RemoveStaleVersions, FailsSilentlyWithoutSubdirectories) {
  write_file(test_directory() / "kivo.xml", "x");
  CapturedLog log;
  EXPECT_FALSE(remove_stale_versions_in(test_directory().u8string(), "1.0.0.5",
                                        "app.exe"));
  EXPECT_FALSE(remove_stale_versions_in(
      (test_directory() / "missing").u8string(), "1.0.0.5", "app.exe"));
  EXPECT_TRUE(log.lines.empty());
}

TEST(ListDirectory, ListsSubdirectoriesOnlyForTheKindDir) {
  make_directories({"b", "a"});
  write_file(test_directory() / "file.txt", "x");
  const std::string dir = test_directory().u8string();
  for (const char* kind : {"dir", "Dir", "DIR"}) {
    std::vector<std::string> listed = list_directory(dir, kind);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed,
              (std::vector<std::string>{(test_directory() / "a").u8string(),
                                        (test_directory() / "b").u8string()}));
  }
  EXPECT_TRUE(list_directory(dir, "file").empty());
  EXPECT_TRUE(list_directory((test_directory() / "file.txt").u8string(), "dir")
                  .empty());
  EXPECT_TRUE(
      list_directory((test_directory() / "none").u8string(), "dir").empty());
}

TEST(PathExists, SeesFilesAndDirectoriesThroughLinks) {
  write_file(test_directory() / "d" / "f", "x");
  EXPECT_TRUE(path_exists((test_directory() / "d").u8string()));
  EXPECT_TRUE(path_exists((test_directory() / "d" / "f").u8string()));
  EXPECT_FALSE(path_exists((test_directory() / "none").u8string()));
  std::error_code error;
  fs::create_symlink(test_directory() / "none", test_directory() / "dangling",
                     error);
  if (!error) {
    EXPECT_FALSE(path_exists((test_directory() / "dangling").u8string()));
  }
}

TEST(GetModuleDirectory, IsTheDirectoryOfTheRunningProgram) {
  const fs::path dir = fs::u8path(get_module_directory());
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(fs::is_directory(dir));
  bool found = false;
  for (const auto& entry : fs::directory_iterator(dir))
    found = found ||
            entry.path().filename().string().rfind("kivo_unittests", 0) == 0;
  EXPECT_TRUE(found);
}

}  // namespace

// Each test runs in a directory of its own, created empty before the test
// and removed after it, unless the test failed: then it is kept and named.
#ifndef KIVO_TESTING_TEST_DIRECTORY_H_
#define KIVO_TESTING_TEST_DIRECTORY_H_

#include <filesystem>
#include <string>

/// The running test's own directory.
std::filesystem::path test_directory();

/// Writes |text| to |path| as it stands, creating parent directories.
void write_file(const std::filesystem::path& path, const std::string& text);

/// The whole content of |path|; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

#endif  // KIVO_TESTING_TEST_DIRECTORY_H_

#include "log/log_file.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "installdir/installdir.h"
#include "log/log.h"
#include "testing/test_directory.h"

namespace {

// Logs one message through the file sink into a string stream.
std::string file_line(int level, const std::string& message) {
  std::ostringstream out;
  LogSink saved_sink = g_log_sink;
  void* saved_data = g_log_sink_data;
  g_log_sink = file_log_sink;
  g_log_sink_data = static_cast<std::ostream*>(&out);
  log_message(level, "%s", message.c_str());
  g_log_sink = saved_sink;
  g_log_sink_data = saved_data;
  return out.str();
}

TEST(FileLogSink, WritesTimeTwoBlanksTagAndMessage) {
  const struct {
    int level;
    const char* tag_and_message;
  } cases[] = {
      {LOG_DEBUG, "  [debug] kivo runing..."},
      {LOG_INFO, "  [info] kivo runing..."},
      {LOG_WARNING, "  [warning] kivo runing..."},
      {LOG_ERROR, "  [error] kivo runing..."},
      {9, "   kivo runing..."},
  };
  for (const auto& c : cases) {
    const std::string line = file_line(c.level, "kivo runing...");
    const size_t colon = line.find(':', 9);
    ASSERT_NE(colon, std::string::npos) << line;
    EXPECT_TRUE(std::regex_match(line.substr(0, colon),
                                 std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)")))
        << line;
    EXPECT_EQ(line.substr(colon + 1), c.tag_and_message + std::string("\n"));
  }
}

TEST(FileLogSink, CutsLongMessagesAt4094Characters) {
  const std::string line = file_line(LOG_INFO, std::string(5000, 'y'));
  const std::string expected_end = "] " + std::string(4094, 'y') + "\n";
  ASSERT_GE(line.size(), expected_end.size());
  EXPECT_EQ(line.substr(line.size() - expected_end.size()), expected_end);
}

TEST(FormatTimestamp, IsClockTimeWithThreeDigitMilliseconds) {
  EXPECT_TRUE(std::regex_match(format_timestamp(),
                               std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)")));
}

TEST(LogFile, ReplacesThePreviousRunAndIsReadableWhileOpen) {
  const std::filesystem::path log_path =
      std::filesystem::u8path(get_module_directory()) / "kivo.log";
  write_file(log_path, "line of an earlier run\n");
  open_log_file();
  ASSERT_EQ(g_log_sink, file_log_sink);
  log_message(LOG_INFO, "kivo runing...");
  // Another reader, while the file is still open for writing.
  const std::string seen = read_file(log_path);
  close_log_file();
  EXPECT_EQ(g_log_sink, console_log_sink);
  std::error_code error;
  std::filesystem::remove(log_path, error);
  EXPECT_EQ(seen.find("earlier"), std::string::npos) << seen;
  EXPECT_NE(seen.find(":  [info] kivo runing..."), std::string::npos) << seen;
}

}  // namespace

#include "log/log_file.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "log/log.h"

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

}  // namespace

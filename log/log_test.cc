#include "log/log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ConsoleCase {
  int level;
  const char* out;
  const char* err;
};

TEST(ConsoleLogSink, WritesEachLevelInItsFormToItsStream) {
  const ConsoleCase cases[] = {
      {LOG_DEBUG, "debug: m 5%d\n", ""},
      {LOG_INFO, "info: m 5%d\n", ""},
      {LOG_WARNING, "warning: m 5%d\n", ""},
      {LOG_ERROR, "", "error: m 5%d\n"},
      {7, "", ""},
      {-1, "", ""},
  };
  for (const ConsoleCase& c : cases) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    // The argument's own %d is text, never a format.
    log_message(c.level, "m %d%s", 5, "%d");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.level;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.level;
  }
}

TEST(ConsoleLogSink, CutsLongMessagesAt4095Characters) {
  const std::string long_message(5000, 'x');
  testing::internal::CaptureStdout();
  log_message(LOG_INFO, "%s", long_message.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "info: " + std::string(4095, 'x') + "\n");
}

}  // namespace

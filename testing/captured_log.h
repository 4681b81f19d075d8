// Collects the messages logged while it lives, as "<level>|<message>".
#ifndef KIVO_TESTING_CAPTURED_LOG_H_
#define KIVO_TESTING_CAPTURED_LOG_H_

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "log/log.h"

struct CapturedLog {
  std::vector<std::string> lines;

  CapturedLog() {
    g_log_sink = record;
    g_log_sink_data = this;
  }
  ~CapturedLog() {
    g_log_sink = console_log_sink;
    g_log_sink_data = nullptr;
  }
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  __attribute__((format(printf, 2, 0))) static void record(int level,
                                                           const char* format,
                                                           va_list args,
                                                           void* data) {
    char message[8192];
    vsnprintf(message, sizeof message, format, args);
    static_cast<CapturedLog*>(data)->lines.push_back(std::to_string(level) +
                                                     "|" + message);
  }
};

#endif  // KIVO_TESTING_CAPTURED_LOG_H_

#include "log/log.h"

#include <cstdio>

LogSink g_log_sink = console_log_sink;
void* g_log_sink_data = nullptr;

void log_message(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  g_log_sink(level, format, args, g_log_sink_data);
  va_end(args);
}

void console_log_sink(int level, const char* format, va_list args,
                      void* /*data*/) {
  char message[4096];
  vsnprintf(message, sizeof message, format, args);
  const char* name = nullptr;
  FILE* stream = stdout;
  switch (level) {
    case LOG_DEBUG: name = "debug"; break;
    case LOG_INFO: name = "info"; break;
    case LOG_WARNING: name = "warning"; break;
    case LOG_ERROR:
      name = "error";
      stream = stderr;
      break;
    default: return;
  }
  fprintf(stream, "%s: %s\n", name, message);
  fflush(stream);
}

// One printf-style entry point for every message, routed to a replaceable
// sink: the console sink until the log file opens, the file sink after.
#ifndef KIVO_LOG_LOG_H_
#define KIVO_LOG_LOG_H_

#include <cstdarg>

const int LOG_DEBUG = 0;
const int LOG_INFO = 1;
const int LOG_WARNING = 2;
const int LOG_ERROR = 3;

/// A sink receives every message: its level, its format with the matching
/// argument list, and the data pointer installed beside it.
typedef void (*LogSink)(int level, const char* format, va_list args,
                        void* data);

/// The installed sink and its data; assigning them installs a sink.
/// g_log_sink is never null.
extern LogSink g_log_sink;
extern void* g_log_sink_data;

/// Hands the message to the installed sink.  Any level is passed on.
void log_message(int level, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

/// Writes levels 0-2 to standard output and level 3 to standard error, each
/// as "<level>: <message>\n", cut at 4095 characters, and flushes.  Other
/// levels print nothing.
void console_log_sink(int level, const char* format, va_list args, void* data)
    __attribute__((format(printf, 2, 0)));

#endif  // KIVO_LOG_LOG_H_

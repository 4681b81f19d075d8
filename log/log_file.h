// The log file "kivo.log" beside the executable: every message with its
// local time and level, flushed line by line, and echoed to a debugger.
#ifndef KIVO_LOG_LOG_FILE_H_
#define KIVO_LOG_LOG_FILE_H_

#include <cstdarg>
#include <fstream>
#include <string>

/// The open log file while the file sink is installed.
extern std::fstream g_log_stream;

/// Opens (emptying) kivo.log beside the executable, shared for reading, and
/// installs the file sink.  When it cannot, logs "Failed to open log file"
/// through the console sink, which stays installed.
void open_log_file();

/// Flushes and closes the log file and puts the console sink back.
void close_log_file();

/// Writes "<time>:  <tag> <message>" and a line end to the std::ostream that
/// |data| points to, cut at 4094 characters, and sends the bare message with
/// "\n" to the debugger.  Serialised by a mutex.
void file_log_sink(int level, const char* format, va_list args, void* data)
    __attribute__((format(printf, 2, 0)));

/// Local wall-clock time as the C locale's "%X" followed by ".mmm".
std::string format_timestamp();

#endif  // KIVO_LOG_LOG_FILE_H_

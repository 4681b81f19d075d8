#include "log/log_file.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <sstream>

#include "installdir/installdir.h"
#include "log/log.h"
#include "platform/platform.h"

std::fstream g_log_stream;

namespace {

const char* level_tag(int level) {
  switch (level) {
    case LOG_DEBUG: return "[debug]";
    case LOG_INFO: return "[info]";
    case LOG_WARNING: return "[warning]";
    case LOG_ERROR: return "[error]";
    default: return "";
  }
}

}  // namespace

void open_log_file() {
  const std::string directory = get_module_directory();
  // Without our own directory the log would land in the file system root.
  if (!directory.empty()) {
    std::ostringstream path;
    path << directory << "/kivo.log";
    g_log_stream.open(std::filesystem::u8path(path.str()),
                      std::ios::in | std::ios::out | std::ios::trunc);
  }
  if (g_log_stream.is_open()) {
    g_log_stream.clear();
    g_log_sink_data = static_cast<std::ostream*>(&g_log_stream);
    g_log_sink = file_log_sink;
  } else {
    log_message(LOG_ERROR, "Failed to open log file");
  }
}

void close_log_file() {
  if (g_log_stream.is_open()) {
    g_log_stream.flush();
    g_log_stream.close();  // Sets the fail bit itself when closing fails.
  }
  g_log_sink = console_log_sink;
}

void file_log_sink(int level, const char* format, va_list args, void* data) {
  char message[4096];
  vsnprintf(message, sizeof message - 1, format, args);

  static std::mutex log_mutex;
  static std::string echo;
  std::lock_guard<std::mutex> lock(log_mutex);
  echo = message;
  echo += '\n';
  platform_debug_output(echo.c_str());

  std::ostream& out = *static_cast<std::ostream*>(data);
  out << format_timestamp() << ": " << ' ' << level_tag(level) << ' ' << message
      << std::endl;
}

std::string format_timestamp() {
  using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
  const int64_t ticks = std::chrono::duration_cast<Ticks>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
  const int64_t seconds = ticks / 10000000;
  const std::time_t whole = static_cast<std::time_t>(seconds);
  char text[80] = "";
  size_t n = 0;
  // One thread: the shared buffer behind localtime is ours alone.
  if (const std::tm* local =
          std::localtime(&whole))  // NOLINT(concurrency-mt-unsafe)
    n = std::strftime(text, sizeof text, "%X", local);
  if (n != 0 && sizeof text - n > 5) {
    const auto millis =
        static_cast<unsigned>((ticks - seconds * 10000000) / 10000);
    snprintf(text + n, sizeof text - n, ".%03u", millis);
  }
  return text;
}
